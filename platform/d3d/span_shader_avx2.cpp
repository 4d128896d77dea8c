// Span shading with AVX2 and FMA: eight pixels at a time, the reference pixel stage's arithmetic
// lane for lane, so the pictures are the same bytes on every target format.
//
// Coverage and depth are the reference's exactly (the exact weights and the double depth of
// span_avx2.h decide both). Attributes are the planes of attribute_planes.h: a row's start is
// one fused multiply-add on all eight planes at once, each pixel's value one more, and 1/w is a
// division. Colour is the fixed point of fixed_color.h on 16-bit lanes, four channels of two
// pixels per 64 bits, in the order of the texels in memory (b, g, r, a): the rounding high-half
// multiply is pmulhrsw. 16-bit targets take the rounded bytes through the same dithered
// quantisation as the reference; ONE/ONE adds with saturation.

#include "platform/d3d/span_shader.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_argb_avx2.h"

namespace platform::d3d {

namespace {

using namespace span_avx2;

template <TargetFormat F, DepthFormat D, TexelFilter T>
struct Routines {
    static constexpr TriangleShader shade = shadeTriangle<F, D, T>;
};

}  // namespace

TriangleShader avx2TriangleShader(const SpanState& s, TexelFilter f) {
    static const bool fma = __builtin_cpu_supports("fma");
    if (!fma) return nullptr;
    return routineFor<Routines>(s, f);
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
TriangleShader avx2TriangleShader(const SpanState&, TexelFilter) { return nullptr; }
}  // namespace platform::d3d

#endif