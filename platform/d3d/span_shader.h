// Span shading: the pixel stage for the row spans of a set-up triangle, in the states SpanState
// covers. Every routine computes what the reference pixel stage computes (row planes, fixed-point
// colour, the same depth, dithering and saturation), so the pictures are the same bytes.
//
// A routine shades the covered centres of the rows of one triangle that lie in `bands` (ownsRow in
// span_walk.h) and returns how many it covered; the caller guarantees the
// triangle's bounds lie inside the surfaces. The portable routine runs anywhere; the AVX2
// routines do eight pixels at a time and the AVX-512 ones sixteen (along a row, or the covered
// pixels of a triangle at most sixty-four wide packed into groups); both exist only on x86-64 (triangleShader gives the portable one when the
// processor lacks AVX2 or FMA). Routines write only pixels of their own rows.
#pragma once

#include <cstdint>

#include "platform/d3d/span_state.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

using TriangleShader = uint64_t (*)(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter,
                                    BandMask bands);

uint64_t shadeTrianglePortable(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter, BandMask bands);

// The AVX2 routine (it also needs FMA) made for this state and filter; null when the processor
// lacks FMA or the build has no AVX2 routines.
TriangleShader avx2TriangleShader(const SpanState& state, TexelFilter filter);

// The AVX-512 routine made for this state and filter; null when the processor or the OS lacks
// AVX-512 (haveAvx512) or the build has no AVX-512 routines.
TriangleShader avx512TriangleShader(const SpanState& state, TexelFilter filter);

// The fastest routine available when simd is asked for: AVX-512 where present and simdLevel()
// allows it, else AVX2 where present, else the portable one.
TriangleShader triangleShader(const SpanState& state, TexelFilter filter, bool simd);

}  // namespace platform::d3d
