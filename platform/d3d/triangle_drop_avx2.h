// Which of eight list triangles set-up would drop or could not draw a pixel of, decided eight at
// a time (AVX2) from their snapped screen positions. Included only by the eight-wide vertex stage
// (x86-64, GCC or Clang); every function must be inlined into an AVX2 function.
//
// clearOfBandsWide is the one AVX-512 function (inlined into AVX-512 functions only).
// Input: the snapped positions of eight triangles' corners in 1/16 pixel (|x|, |y| < 2^25, as
// projection leaves them): x[k], y[k] lane t is corner k of triangle t.
// A lane is dropped when setupTriangle would drop the triangle (no area, culled by its winding,
// no pixel centre of the scissor in its bounding box), and also when its box holds at most 2 x 2
// pixel centres none of which the triangle covers (by set-up's edge functions and top-left
// rule), so a triangle kept here may still cover nothing, but one dropped never covers a pixel.
// clearOfBands finds, for a queue that draws only some bands (span_walk.h's BandMask), the lanes
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

// The bands of eight triangles: their rows, taken a pixel wider each way than their corners' (as
// set-up's mayCoverOwnBands takes them), lie in bands first .. first + count - 1 (first >= 0;
// count 0 when they lie above the target). Corners as above.
struct BandRange {
    __m256i first, count;
};

VOREL_DROP_INLINE BandRange bandRange(const __m256i y[3]) {
    const __m256i minY = _mm256_min_epi32(_mm256_min_epi32(y[0], y[1]), y[2]);
    const __m256i maxY = _mm256_max_epi32(_mm256_max_epi32(y[0], y[1]), y[2]);
    const __m256i one = _mm256_set1_epi32(1), zero = _mm256_setzero_si256();
    const __m256i topRow = _mm256_max_epi32(_mm256_sub_epi32(_mm256_srai_epi32(minY, kSubPixelBits), one), zero);
    const __m256i first = _mm256_srai_epi32(topRow, kBandShift);
    const __m256i last = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(maxY, kSubPixelBits), one), kBandShift);
    return {first, _mm256_max_epi32(_mm256_sub_epi32(_mm256_add_epi32(last, one), first), zero)};
}

// Bit t set: triangle t touches none of `bands` (bandRange's bands of it, none of which the mask
// holds). Four triangles at a time on 64-bit lanes: the mask turned right by first & 63 has the
// triangle's bands in its low `count` bits (all 64 when count >= 64, as a shift by 64 or more
// leaves 0 and 0 - 1 is every bit).
VOREL_DROP_INLINE uint32_t clearOfBands(const __m256i y[3], BandMask bands) {
    const BandRange r = bandRange(y);
    const __m256i mask = _mm256_set1_epi64x(int64_t(bands)), one = _mm256_set1_epi64x(1);
    const __m256i low6 = _mm256_set1_epi64x(kBandClasses - 1), width = _mm256_set1_epi64x(kBandClasses);
    uint32_t clear = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128i first = half ? _mm256_extracti128_si256(r.first, 1) : _mm256_castsi256_si128(r.first);
        const __m128i count = half ? _mm256_extracti128_si256(r.count, 1) : _mm256_castsi256_si128(r.count);
        const __m256i shift = _mm256_and_si256(_mm256_cvtepi32_epi64(first), low6);
        const __m256i turned = _mm256_or_si256(_mm256_srlv_epi64(mask, shift),
                                               _mm256_sllv_epi64(mask, _mm256_sub_epi64(width, shift)));
        const __m256i span = _mm256_sub_epi64(_mm256_sllv_epi64(one, _mm256_cvtepu32_epi64(count)), one);
        const __m256i none = _mm256_cmpeq_epi64(_mm256_and_si256(turned, span), _mm256_setzero_si256());
        clear |= uint32_t(_mm256_movemask_pd(_mm256_castsi256_pd(none))) << (4 * half);
    }
    return clear;
}

// clearOfBands with 512-bit operations (the eight triangles' 64-bit lanes in one register, turned
// by one rotation), for AVX-512 functions.
__attribute__((target("avx512f,avx512vl,avx2"), always_inline)) inline uint32_t clearOfBandsWide(const __m256i y[3],
                                                                                                 BandMask bands) {
    const BandRange r = bandRange(y);
    const __m512i one = _mm512_set1_epi64(1);
    const __m512i turned = _mm512_rorv_epi64(_mm512_set1_epi64(int64_t(bands)), _mm512_cvtepi32_epi64(r.first));
    const __m512i span = _mm512_sub_epi64(_mm512_sllv_epi64(one, _mm512_cvtepu32_epi64(r.count)), one);
    return uint32_t(_mm512_testn_epi64_mask(turned, span));
}

}  // namespace platform::d3d::drop8

#undef VOREL_DROP_INLINE
