// Span shading: the pixel stage for one row span of a set-up triangle, in the states SpanState
// covers, with results identical to the reference pixel stage (same float operations in the same
// order, same rounding, same dithering).
//
// A routine shades the covered centres x0..x1 (inclusive) of row y; the caller finds the span with
// rowSpan and guarantees it lies inside the surfaces. The portable routine runs anywhere; the AVX2
// routines do eight pixels at a time and exist only on x86-64 (spanShader gives the portable one
// when the processor lacks AVX2). Routines write only pixels of their own row.
#pragma once

#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

using SpanShader = void (*)(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter, int y,
                            int x0, int x1);

void shadeSpanPortable(const SpanState& state, const TriangleSetup& triangle, TexelFilter filter, int y, int x0,
                       int x1);

// The AVX2 routine made for this state and filter; null when the build or processor has no AVX2.
SpanShader avx2SpanShader(const SpanState& state, TexelFilter filter);

// The fastest routine available: AVX2 when simd is asked for and present, else the portable one.
SpanShader spanShader(const SpanState& state, TexelFilter filter, bool simd);

}  // namespace platform::d3d
