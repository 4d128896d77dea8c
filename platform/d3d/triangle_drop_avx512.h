// triangle_drop_avx2.h's test with AVX-512: the same decisions from the same integer and double
// operations, with the signed areas of all eight triangles in one register of doubles and every
// lane test a mask register (no movemasks, no blends by byte). Included only by the list path's
// AVX-512 pass (x86-64, GCC or Clang); every function must be inlined into a function compiled
// for AVX-512 F/DQ/VL.
//
// Input and answer as drop8::dropped: x[k], y[k] lane t is corner k of triangle t, snapped, in
// 1/16 pixel (|x|, |y| < 2^25); bit t of the answer: triangle t is dropped.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "platform/d3d/triangle_drop_avx2.h"

#define VOREL_DROPW_INLINE __attribute__((target("avx512f,avx512dq,avx512vl,avx2"), always_inline)) inline

namespace platform::d3d::drop8w {

// Lanes of positive and of negative twice-signed area; the products of differences below 2^25
// are exact in double.
struct Winding {
    __mmask8 positive, negative;
};

VOREL_DROPW_INLINE Winding winding(const __m256i x[3], const __m256i y[3]) {
    const __m512d dx1 = _mm512_cvtepi32_pd(_mm256_sub_epi32(x[1], x[0]));
    const __m512d dy1 = _mm512_cvtepi32_pd(_mm256_sub_epi32(y[1], y[0]));
    const __m512d dx2 = _mm512_cvtepi32_pd(_mm256_sub_epi32(x[2], x[0]));
    const __m512d dy2 = _mm512_cvtepi32_pd(_mm256_sub_epi32(y[2], y[0]));
    const __m512d area = _mm512_sub_pd(_mm512_mul_pd(dx1, dy2), _mm512_mul_pd(dx2, dy1));
    return {_mm512_cmp_pd_mask(area, _mm512_setzero_pd(), _CMP_GT_OQ),
            _mm512_cmp_pd_mask(area, _mm512_setzero_pd(), _CMP_LT_OQ)};
}

// set-up's pixel box within the scissor, and the lanes whose unclipped box spans at most two
// centres each way.
struct Box {
    __m256i minX, minY, maxX, maxY;
    __mmask8 small;
};

VOREL_DROPW_INLINE Box box(const __m256i x[3], const __m256i y[3], const Scissor& s) {
    const drop8::Bounds u = drop8::unclipped(x, y), c = drop8::within(u, s);
    const __m256i one = _mm256_set1_epi32(1);
    const __mmask8 wide = _mm256_cmpgt_epi32_mask(_mm256_sub_epi32(u.maxX, u.minX), one) |
                          _mm256_cmpgt_epi32_mask(_mm256_sub_epi32(u.maxY, u.minY), one);
    return {c.minX, c.minY, c.maxX, c.maxY, __mmask8(~wide)};
}

// Lanes where edge a -> b of a clockwise triangle holds the centres (X, Y), (X + 1, Y), (X, Y + 1),
// (X + 1, Y + 1) of the box (the steps only in lanes w, h), one mask per centre; as drop8::edgeHolds.
VOREL_DROPW_INLINE void edgeHolds(__m256i ax, __m256i ay, __m256i bx, __m256i by, const Box& box, __mmask8 w,
                                  __mmask8 h, __mmask8 inside[4]) {
    const __m256i dx = _mm256_sub_epi32(bx, ax), dy = _mm256_sub_epi32(by, ay);
    const __m256i px = _mm256_sub_epi32(_mm256_slli_epi32(box.minX, kSubPixelBits), ax);
    const __m256i py = _mm256_sub_epi32(_mm256_slli_epi32(box.minY, kSubPixelBits), ay);
    // E = dx (py - ay) - dy (px - ax); inside when E + bias > 0, bias 1 on top and left edges.
    const __m256i e00 = _mm256_sub_epi32(_mm256_mullo_epi32(dx, py), _mm256_mullo_epi32(dy, px));
    const __m256i e10 = _mm256_sub_epi32(e00, _mm256_maskz_slli_epi32(w, dy, kSubPixelBits));
    const __m256i stepY = _mm256_maskz_slli_epi32(h, dx, kSubPixelBits);
    const __m256i zero = _mm256_setzero_si256();
    const __mmask8 topLeft =
        _mm256_cmpgt_epi32_mask(zero, dy) | (_mm256_cmpeq_epi32_mask(dy, zero) & _mm256_cmpgt_epi32_mask(dx, zero));
    const __m256i bias = _mm256_maskz_mov_epi32(topLeft, _mm256_set1_epi32(-1));
    const __m256i e[4] = {e00, e10, _mm256_add_epi32(e00, stepY), _mm256_add_epi32(e10, stepY)};
    for (int i = 0; i < 4; ++i) inside[i] = _mm256_mask_cmpgt_epi32_mask(inside[i], e[i], bias);
}

// Lanes among `small` that cover none of their box's centres.
VOREL_DROPW_INLINE __mmask8 coverNothing(const __m256i x[3], const __m256i y[3], __mmask8 negative, const Box& b,
                                         __mmask8 small) {
    // Clockwise order: triangles of negative area swap their second and third vertices.
    const __m256i x1 = _mm256_mask_blend_epi32(negative, x[1], x[2]), y1 = _mm256_mask_blend_epi32(negative, y[1], y[2]);
    const __m256i x2 = _mm256_mask_blend_epi32(negative, x[2], x[1]), y2 = _mm256_mask_blend_epi32(negative, y[2], y[1]);
    const __m256i one = _mm256_set1_epi32(1);
    const __mmask8 w = _mm256_cmpeq_epi32_mask(_mm256_sub_epi32(b.maxX, b.minX), one);
    const __mmask8 h = _mm256_cmpeq_epi32_mask(_mm256_sub_epi32(b.maxY, b.minY), one);
    __mmask8 in[4] = {small, small, small, small};
    edgeHolds(x1, y1, x2, y2, b, w, h, in);
    edgeHolds(x2, y2, x[0], y[0], b, w, h, in);
    edgeHolds(x[0], y[0], x1, y1, b, w, h, in);
    return __mmask8(small & ~(in[0] | in[1] | in[2] | in[3]));
}

// Bit t set: triangle t is dropped (drop8::dropped's decision).
VOREL_DROPW_INLINE uint32_t dropped(const __m256i x[3], const __m256i y[3], D3DCULL cull, const Scissor& scissor) {
    const Winding wind = winding(x, y);
    uint32_t drop = ~uint32_t(wind.positive | wind.negative) & 0xFFu;
    if (cull == D3DCULL_CCW) drop |= wind.negative;
    if (cull == D3DCULL_CW) drop |= wind.positive;
    const Box b = box(x, y, scissor);
    drop |= _mm256_cmpgt_epi32_mask(b.minX, b.maxX) | _mm256_cmpgt_epi32_mask(b.minY, b.maxY);
    const __mmask8 small = __mmask8(b.small & ~drop);
    if (small) drop |= coverNothing(x, y, wind.negative, b, small);
    return drop;
}

}  // namespace platform::d3d::drop8w

#undef VOREL_DROPW_INLINE
