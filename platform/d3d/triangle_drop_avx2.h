// Which of eight list triangles set-up would drop or could not draw a pixel of, decided eight at
// a time (AVX2) from their snapped screen positions. Included only by the eight-wide vertex stage
// (x86-64, GCC or Clang); every function must be inlined into an AVX2 function.
//
// Input: the snapped positions of eight triangles' corners in 1/16 pixel (|x|, |y| < 2^25, as
// projection leaves them): x[k], y[k] lane t is corner k of triangle t.
// A lane is dropped when setupTriangle would drop the triangle (no area, culled by its winding,
// no pixel centre of the scissor in its bounding box), and also when its box holds at most 2 x 2
// pixel centres none of which the triangle covers (by set-up's edge functions and top-left
// rule), so a triangle kept here may still cover nothing, but one dropped never covers a pixel.
// clearOfBands finds, for a queue that draws only some bands (span_walk.h's ownsRow), the lanes
// that cannot touch any of them.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"

#define VOREL_DROP_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace platform::d3d::drop8 {

// Lanes set to all ones where bit t of `bits` is set.
VOREL_DROP_INLINE __m256i laneMask(uint32_t bits) {
    const __m256i lane = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(int(bits)), lane), lane);
}

VOREL_DROP_INLINE uint32_t bitsOf(__m256i mask) { return uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(mask))); }

// Sign of twice the signed area per lane: bits of the positive and of the negative lanes. The
// products of coordinate differences below 2^25 are exact in double.
struct Winding {
    uint32_t positive, negative;
};

// Lanes 4 half .. 4 half + 3 as double.
VOREL_DROP_INLINE __m256d half4(__m256i v, int half) {
    return _mm256_cvtepi32_pd(half ? _mm256_extracti128_si256(v, 1) : _mm256_castsi256_si128(v));
}

VOREL_DROP_INLINE Winding winding(const __m256i x[3], const __m256i y[3]) {
    const __m256i dx1 = _mm256_sub_epi32(x[1], x[0]), dy1 = _mm256_sub_epi32(y[1], y[0]);
    const __m256i dx2 = _mm256_sub_epi32(x[2], x[0]), dy2 = _mm256_sub_epi32(y[2], y[0]);
    Winding w{0, 0};
    for (int half = 0; half < 2; ++half) {
        const __m256d area = _mm256_sub_pd(_mm256_mul_pd(half4(dx1, half), half4(dy2, half)),
                                           _mm256_mul_pd(half4(dx2, half), half4(dy1, half)));
        w.positive |= uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(area, _mm256_setzero_pd(), _CMP_GT_OQ))) << 4 * half;
        w.negative |= uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(area, _mm256_setzero_pd(), _CMP_LT_OQ))) << 4 * half;
    }
    return w;
}

// The pixel box each triangle's centres can fall in, within the scissor (set-up's pixelBounds),
// and whether the unclipped box spans at most two centres each way (then the triangle is under
// three pixels wide and high).
struct Box {
    __m256i minX, minY, maxX, maxY;
    uint32_t small;
};

VOREL_DROP_INLINE __m256i ceilSixteenth(__m256i v) {
    return _mm256_sub_epi32(_mm256_setzero_si256(),
                            _mm256_srai_epi32(_mm256_sub_epi32(_mm256_setzero_si256(), v), kSubPixelBits));
}

// A box of pixel centres per lane: the first and last centre each way.
struct Bounds {
    __m256i minX, minY, maxX, maxY;
};

// The box before the scissor.
VOREL_DROP_INLINE Bounds unclipped(const __m256i x[3], const __m256i y[3]) {
    static_assert(kSubPixel == 16, "the box divides by shifting");
    return {ceilSixteenth(_mm256_min_epi32(_mm256_min_epi32(x[0], x[1]), x[2])),
            ceilSixteenth(_mm256_min_epi32(_mm256_min_epi32(y[0], y[1]), y[2])),
            _mm256_srai_epi32(_mm256_max_epi32(_mm256_max_epi32(x[0], x[1]), x[2]), kSubPixelBits),
            _mm256_srai_epi32(_mm256_max_epi32(_mm256_max_epi32(y[0], y[1]), y[2]), kSubPixelBits)};
}

VOREL_DROP_INLINE Bounds within(const Bounds& b, const Scissor& s) {
    return {_mm256_max_epi32(_mm256_set1_epi32(s.minX), b.minX), _mm256_max_epi32(_mm256_set1_epi32(s.minY), b.minY),
            _mm256_min_epi32(_mm256_set1_epi32(s.maxX), b.maxX), _mm256_min_epi32(_mm256_set1_epi32(s.maxY), b.maxY)};
}

VOREL_DROP_INLINE Box box(const __m256i x[3], const __m256i y[3], const Scissor& s) {
    const Bounds u = unclipped(x, y), c = within(u, s);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i wide = _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_sub_epi32(u.maxX, u.minX), one),
                                         _mm256_cmpgt_epi32(_mm256_sub_epi32(u.maxY, u.minY), one));
    return {c.minX, c.minY, c.maxX, c.maxY, ~bitsOf(wide) & 0xFFu};
}

// Lanes where edge a -> b of a clockwise triangle holds the centres (X, Y), (X + w, Y),
// (X, Y + h), (X + w, Y + h) (w, h: all-ones lanes for a step of one pixel, else zero), one mask
// per centre. Valid for triangles whose unclipped box spans at most two centres each way: then
// every difference below is under 48 and every product far inside 32 bits.
struct Centres {
    __m256i c[4];
};

VOREL_DROP_INLINE void edgeHolds(__m256i ax, __m256i ay, __m256i bx, __m256i by, const Box& box, __m256i w, __m256i h,
                                 Centres& inside) {
    const __m256i dx = _mm256_sub_epi32(bx, ax), dy = _mm256_sub_epi32(by, ay);
    const __m256i px = _mm256_sub_epi32(_mm256_slli_epi32(box.minX, kSubPixelBits), ax);
    const __m256i py = _mm256_sub_epi32(_mm256_slli_epi32(box.minY, kSubPixelBits), ay);
    // E = dx (py - ay) - dy (px - ax); inside when E + bias > 0, bias 1 on top and left edges.
    const __m256i e00 = _mm256_sub_epi32(_mm256_mullo_epi32(dx, py), _mm256_mullo_epi32(dy, px));
    const __m256i stepX = _mm256_and_si256(_mm256_slli_epi32(dy, kSubPixelBits), w);
    const __m256i stepY = _mm256_and_si256(_mm256_slli_epi32(dx, kSubPixelBits), h);
    const __m256i e10 = _mm256_sub_epi32(e00, stepX);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i topLeft = _mm256_or_si256(
        _mm256_cmpgt_epi32(zero, dy), _mm256_and_si256(_mm256_cmpeq_epi32(dy, zero), _mm256_cmpgt_epi32(dx, zero)));
    const __m256i e[4] = {e00, e10, _mm256_add_epi32(e00, stepY), _mm256_add_epi32(e10, stepY)};
    for (int i = 0; i < 4; ++i) inside.c[i] = _mm256_and_si256(inside.c[i], _mm256_cmpgt_epi32(e[i], topLeft));
}

// Lanes (among `small`: unclipped boxes of at most 2 x 2 centres, not empty) that cover none of
// their box's centres.
VOREL_DROP_INLINE uint32_t coverNothing(const __m256i x[3], const __m256i y[3], uint32_t negative, const Box& b,
                                        uint32_t small) {
    // Clockwise order: triangles of negative area swap their second and third vertices.
    const __m256i swap = laneMask(negative);
    const __m256i x1 = _mm256_blendv_epi8(x[1], x[2], swap), y1 = _mm256_blendv_epi8(y[1], y[2], swap);
    const __m256i x2 = _mm256_blendv_epi8(x[2], x[1], swap), y2 = _mm256_blendv_epi8(y[2], y[1], swap);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i w = _mm256_cmpeq_epi32(_mm256_sub_epi32(b.maxX, b.minX), one);
    const __m256i h = _mm256_cmpeq_epi32(_mm256_sub_epi32(b.maxY, b.minY), one);
    const __m256i all = _mm256_set1_epi32(-1);
    Centres in{{all, all, all, all}};
    edgeHolds(x1, y1, x2, y2, b, w, h, in);
    edgeHolds(x2, y2, x[0], y[0], b, w, h, in);
    edgeHolds(x[0], y[0], x1, y1, b, w, h, in);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(in.c[0], in.c[1]), _mm256_or_si256(in.c[2], in.c[3]));
    return small & ~bitsOf(any);
}

// Bit t set: triangle t is dropped (see the top of this file).
VOREL_DROP_INLINE uint32_t dropped(const __m256i x[3], const __m256i y[3], D3DCULL cull, const Scissor& scissor) {
    const Winding wind = winding(x, y);
    uint32_t drop = ~(wind.positive | wind.negative) & 0xFFu;
    if (cull == D3DCULL_CCW) drop |= wind.negative;
    if (cull == D3DCULL_CW) drop |= wind.positive;
    const Box b = box(x, y, scissor);
    const uint32_t empty =
        bitsOf(_mm256_or_si256(_mm256_cmpgt_epi32(b.minX, b.maxX), _mm256_cmpgt_epi32(b.minY, b.maxY)));
    drop |= empty;
    const uint32_t small = b.small & ~drop & 0xFFu;
    if (small) drop |= coverNothing(x, y, wind.negative, b, small);
    return drop;
}

// Bit t set: triangle t touches no band of part `part` of `parts` (parts >= 2): its rows, taken
// a pixel wider each way than its corners' (as set-up's mayCoverOwnBands takes them), lie in
// bands none of which is b with b % parts == part. Corners as above.
VOREL_DROP_INLINE uint32_t clearOfBands(const __m256i y[3], int part, int parts) {
    const __m256i minY = _mm256_min_epi32(_mm256_min_epi32(y[0], y[1]), y[2]);
    const __m256i maxY = _mm256_max_epi32(_mm256_max_epi32(y[0], y[1]), y[2]);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i topRow = _mm256_max_epi32(_mm256_sub_epi32(_mm256_srai_epi32(minY, kSubPixelBits), one),
                                            _mm256_setzero_si256());
    const __m256i first = _mm256_srai_epi32(topRow, kBandShift);
    const __m256i last = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(maxY, kSubPixelBits), one), kBandShift);
    // first % parts (first >= 0): by a mask for two parts, else by a float division: first < 2^20
    // and parts <= 2^4, so a quotient that is not whole lies at least 1/parts from the next whole
    // number, far more than its rounding moves it.
    const __m256i partsV = _mm256_set1_epi32(parts);
    __m256i rest;
    if (parts == 2) {
        rest = _mm256_and_si256(first, one);
    } else {
        const __m256 quotient = _mm256_div_ps(_mm256_cvtepi32_ps(first), _mm256_set1_ps(float(parts)));
        rest = _mm256_sub_epi32(first, _mm256_mullo_epi32(_mm256_cvttps_epi32(quotient), partsV));
    }
    // The first own band at or after `first`: first + (part - rest) mod parts.
    __m256i ahead = _mm256_sub_epi32(_mm256_set1_epi32(part), rest);
    ahead = _mm256_add_epi32(ahead, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), ahead), partsV));
    return bitsOf(_mm256_cmpgt_epi32(_mm256_add_epi32(first, ahead), last));
}

}  // namespace platform::d3d::drop8

#undef VOREL_DROP_INLINE
