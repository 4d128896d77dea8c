// Span shading: the pixel stage for the row spans of a set-up triangle, in the states SpanState
// covers. Coverage and depth values are always the reference pixel stage's, exactly. Colour: the
// portable routine and the routines for 16-bit targets repeat the reference's float operations in
// the same order (same rounding, same dithering), so their pictures are identical to it; the
// AVX2 routine for 32-bit targets computes colour in fixed point and stays within 2 (of 255) per
// channel of the reference.
//
// A routine shades the covered centres of the rows of one triangle that belong to part `part` of
// `parts` (ownsRow in span_walk.h) and returns how many it covered; the caller guarantees the
// triangle's bounds lie inside the surfaces. The portable routine runs anywhere; the AVX2
// routines do eight pixels at a time and exist only on x86-64 (triangleShader gives the portable
// one when the processor lacks AVX2). Routines write only pixels of their own rows.
#pragma once

#include <cstdint>

#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

using TriangleShader = uint64_t (*)(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter,
                                    int part, int parts);

uint64_t shadeTrianglePortable(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter, int part,
                               int parts);

// The AVX2 routine made for this state and filter; null when the build has no AVX2 routines.
TriangleShader avx2TriangleShader(const SpanState& state, TexelFilter filter);

// The fixed-point AVX2 routine for a 32-bit target (it also needs FMA); null for other targets,
// processors without FMA and builds without AVX2 routines.
TriangleShader avx2ArgbTriangleShader(const SpanState& state, TexelFilter filter);

// The fastest routine available: AVX2 when simd is asked for and present (the fixed-point one on
// 32-bit targets unless exactColor() is on), else the portable one.
TriangleShader triangleShader(const SpanState& state, TexelFilter filter, bool simd);

}  // namespace platform::d3d
