// The building blocks the AVX2 span routines share: eight-lane helpers, the exact depth test,
// texel addressing and fetching, and the walk over a triangle's rows.
//
// Internal to span_shader_avx2.cpp; include it only from files built for x86-64 with GCC or
// Clang. Everything is inline and compiled for AVX2 by function attributes, so it runs only
// where the caller checked the processor. Lanes are pixels x .. x + 7
// of one row. Barycentric weights l1, l2 are the reference's: float(double(edge) x invArea).
// Depth values are the reference's bit for bit: clamp(z0 + l1 dz1 + l2 dz2, 0, 1) x zMax + 0.5,
// truncated. Texel coordinates wrap; fetched texels come back as 0xAARRGGBB (alpha 255 for
// textures without alpha).
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/d3d/span_state.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"

#define VOREL_AVX2 __attribute__((target("avx2")))
#define VOREL_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace platform::d3d::span_avx2 {

// ---- small helpers -------------------------------------------------------------------------------

VOREL_AVX2_INLINE __m256 joinHalves(__m128 lo, __m128 hi) { return _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1); }
VOREL_AVX2_INLINE __m256i joinHalves(__m128i lo, __m128i hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// float(double(edge) x invArea) for both halves of the group.
VOREL_AVX2_INLINE __m256 weights(__m256d lo, __m256d hi, __m256d invArea) {
    return joinHalves(_mm256_cvtpd_ps(_mm256_mul_pd(lo, invArea)), _mm256_cvtpd_ps(_mm256_mul_pd(hi, invArea)));
}

// (a0 + l1 da1) + l2 da2, in that order.
VOREL_AVX2_INLINE __m256 plane(float a0, float d1, float d2, __m256 l1, __m256 l2) {
    __m256 v = _mm256_add_ps(_mm256_set1_ps(a0), _mm256_mul_ps(l1, _mm256_set1_ps(d1)));
    return _mm256_add_ps(v, _mm256_mul_ps(l2, _mm256_set1_ps(d2)));
}

VOREL_AVX2_INLINE __m256i liveLanes(int n) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// Unsigned a > b on 32-bit lanes.
VOREL_AVX2_INLINE __m256i greaterUnsigned(__m256i a, __m256i b) {
    const __m256i sign = _mm256_set1_epi32(int(0x80000000u));
    return _mm256_cmpgt_epi32(_mm256_xor_si256(a, sign), _mm256_xor_si256(b, sign));
}

VOREL_AVX2_INLINE __m128i narrowMask(__m256i m) {
    return _mm_packs_epi32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
}
VOREL_AVX2_INLINE __m128i narrow16(__m256i v) {
    return _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// Eight 16-bit values from p (n of them valid), zero-extended.
VOREL_AVX2_INLINE __m256i load16(const uint8_t* p, int n) {
    __m128i v;
    if (n == 8) {
        v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    } else {
        alignas(16) uint16_t tmp[8] = {};
        std::memcpy(tmp, p, size_t(n) * 2);
        v = _mm_load_si128(reinterpret_cast<const __m128i*>(tmp));
    }
    return _mm256_cvtepu16_epi32(v);
}

// Stores the 16-bit values of v where mask is set, among the first n lanes.
VOREL_AVX2_INLINE void store16(uint8_t* p, int n, __m256i v, __m256i mask) {
    __m128i old;
    alignas(16) uint16_t tmp[8] = {};
    if (n == 8) old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    else std::memcpy(tmp, p, size_t(n) * 2), old = _mm_load_si128(reinterpret_cast<const __m128i*>(tmp));
    __m128i out = _mm_blendv_epi8(old, narrow16(v), narrowMask(mask));
    if (n == 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
    } else {
        _mm_store_si128(reinterpret_cast<__m128i*>(tmp), out);
        std::memcpy(p, tmp, size_t(n) * 2);
    }
}

VOREL_AVX2_INLINE __m256i load32(const uint8_t* p, int n, __m256i live) {
    if (n == 8) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), live);
}

VOREL_AVX2_INLINE void store32(uint8_t* p, int n, __m256i old, __m256i v, __m256i mask) {
    if (n == 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_blendv_epi8(old, v, mask));
    else _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
}

// What a 32-bit target holding `old` gets from 0xAARRGGBB pixels: added to the target with
// saturation for ONE/ONE, alpha kept only on targets that have it.
VOREL_AVX2_INLINE __m256i argbOver(const SpanState& s, __m256i old, __m256i src) {
    if (s.additive) {
        __m256i dst = s.targetAlpha ? old : _mm256_or_si256(old, _mm256_set1_epi32(int(0xFF000000u)));
        src = _mm256_adds_epu8(src, dst);
    }
    if (!s.targetAlpha) src = _mm256_and_si256(src, _mm256_set1_epi32(0x00FFFFFF));
    return src;
}

// Writes 0xAARRGGBB pixels to a 32-bit target where mask is set (argbOver).
VOREL_AVX2_INLINE void writeArgb(const SpanState& s, uint8_t* p, int n, __m256i live, __m256i mask, __m256i src) {
    __m256i old = load32(p, n, live);
    store32(p, n, old, argbOver(s, old, src), mask);
}

// ---- where a group is stored ---------------------------------------------------------------------

struct GroupAt {
    uint8_t* color;  // first pixel of the group
    uint8_t* z;      // null without depth
    // Lanes that may be read and written back (the rest are not touched): all eight where the
    // row holds them (lanes past the span are written back unchanged), else the span's lanes.
    int n;
};

// Lanes a group from x may touch, when `count` of them are in the span.
VOREL_AVX2_INLINE int touchable(const SpanState& s, int x, int count) { return x + 8 <= s.width ? 8 : count; }

template <TargetFormat F, DepthFormat D>
VOREL_AVX2_INLINE GroupAt groupAt(const SpanState& s, int x, int y, int count) {
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    uint8_t* z = D == DepthFormat::None ? nullptr : s.z + y * s.zPitch + x * zBytes;
    return {s.color + y * s.colorPitch + x * bpp, z, touchable(s, x, count)};
}

// ---- depth ---------------------------------------------------------------------------------------

// clamp(z0 + l1 dz1 + l2 dz2, 0, 1) x zMax + 0.5, truncated, for four lanes.
VOREL_AVX2_INLINE __m256d depthHalf(const TriangleSetup& t, __m128 l1, __m128 l2, double zMax) {
    __m256d z = _mm256_add_pd(_mm256_set1_pd(t.z0), _mm256_mul_pd(_mm256_cvtps_pd(l1), _mm256_set1_pd(t.dz1)));
    z = _mm256_add_pd(z, _mm256_mul_pd(_mm256_cvtps_pd(l2), _mm256_set1_pd(t.dz2)));
    z = _mm256_min_pd(_mm256_max_pd(z, _mm256_setzero_pd()), _mm256_set1_pd(1.0));
    return _mm256_floor_pd(_mm256_add_pd(_mm256_mul_pd(z, _mm256_set1_pd(zMax)), _mm256_set1_pd(0.5)));
}

template <DepthFormat D>
VOREL_AVX2_INLINE __m256i depthValues(const TriangleSetup& t, __m256 l1, __m256 l2) {
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    __m256d lo = depthHalf(t, _mm256_castps256_ps128(l1), _mm256_castps256_ps128(l2), zMax);
    __m256d hi = depthHalf(t, _mm256_extractf128_ps(l1, 1), _mm256_extractf128_ps(l2, 1), zMax);
    if constexpr (D == DepthFormat::Z16) return joinHalves(_mm256_cvttpd_epi32(lo), _mm256_cvttpd_epi32(hi));
    // Values up to 2^32 - 1: shift into the signed range, convert exactly, shift back.
    const __m256d half = _mm256_set1_pd(2147483648.0);
    __m256i v = joinHalves(_mm256_cvttpd_epi32(_mm256_sub_pd(lo, half)), _mm256_cvttpd_epi32(_mm256_sub_pd(hi, half)));
    return _mm256_xor_si256(v, _mm256_set1_epi32(int(0x80000000u)));
}

// The less-or-equal depth test of the lanes in `mask` and, when on, the depth write of those that
// pass; returns the lanes that pass (all of `mask` without depth).
template <DepthFormat D>
VOREL_AVX2_INLINE __m256i depthTest(const SpanState& s, const TriangleSetup& t, const GroupAt& at, __m256i live,
                                    __m256i mask, __m256 l1, __m256 l2) {
    if constexpr (D != DepthFormat::None) {
        __m256i z = depthValues<D>(t, l1, l2);
        __m256i stored = D == DepthFormat::Z16 ? load16(at.z, at.n) : load32(at.z, at.n, live);
        mask = _mm256_andnot_si256(greaterUnsigned(z, stored), mask);
        if (s.zWrite && !_mm256_testz_si256(mask, mask)) {
            if constexpr (D == DepthFormat::Z16) store16(at.z, at.n, z, mask);
            else store32(at.z, at.n, stored, z, mask);
        }
    }
    return mask;
}

// ---- texels --------------------------------------------------------------------------------------

// t - floor(t), 0 for infinities and NaN.
VOREL_AVX2_INLINE __m256 wrapCoordinate(__m256 t) {
    __m256 finite = _mm256_cmp_ps(_mm256_sub_ps(t, t), _mm256_setzero_ps(), _CMP_EQ_OQ);
    return _mm256_and_ps(_mm256_sub_ps(t, _mm256_floor_ps(t)), finite);
}

// An index in [-1, size] brought into [0, size).
VOREL_AVX2_INLINE __m256i wrapIndex(__m256i i, __m256i size) {
    __m256i below = _mm256_cmpgt_epi32(_mm256_setzero_si256(), i);
    __m256i above = _mm256_cmpgt_epi32(i, _mm256_sub_epi32(size, _mm256_set1_epi32(1)));
    i = _mm256_add_epi32(i, _mm256_and_si256(below, size));
    return _mm256_sub_epi32(i, _mm256_and_si256(above, size));
}

struct TextureView {
    const int* base;
    __m256i width, height, pitch, alphaFill;
    __m256i widthMask, heightMask;  // size - 1
    int columns;                    // the width
    ptrdiff_t rowBytes;             // the pitch
    __m256 widthF, heightF;
    TexelFormat format;
    bool alpha;
    bool powerOfTwo;  // both sizes: indices wrap with a mask
};

// Indices x in [-1, width] and y in [-1, height] brought into the texture.
VOREL_AVX2_INLINE void wrapIndices(const TextureView& tv, __m256i* x, __m256i* y) {
    if (tv.powerOfTwo) {
        *x = _mm256_and_si256(*x, tv.widthMask), *y = _mm256_and_si256(*y, tv.heightMask);
    } else {
        *x = wrapIndex(*x, tv.width), *y = wrapIndex(*y, tv.height);
    }
}

VOREL_AVX2_INLINE TextureView textureView(const SpanState& s) {
    TextureView tv;
    tv.base = reinterpret_cast<const int*>(s.texels);
    tv.width = _mm256_set1_epi32(s.texWidth);
    tv.height = _mm256_set1_epi32(s.texHeight);
    tv.pitch = _mm256_set1_epi32(int(s.texPitch));
    tv.alphaFill = _mm256_set1_epi32(s.texAlpha ? 0 : int(0xFF000000u));
    tv.columns = s.texWidth;
    tv.rowBytes = s.texPitch;
    tv.widthMask = _mm256_set1_epi32(s.texWidth - 1);
    tv.heightMask = _mm256_set1_epi32(s.texHeight - 1);
    tv.powerOfTwo = s.texWidth > 0 && s.texHeight > 0 && (s.texWidth & (s.texWidth - 1)) == 0 &&
                    (s.texHeight & (s.texHeight - 1)) == 0;
    tv.widthF = _mm256_set1_ps(float(s.texWidth));
    tv.heightF = _mm256_set1_ps(float(s.texHeight));
    tv.format = s.texFormat;
    tv.alpha = s.texAlpha;
    return tv;
}

// Bit replication of a channel of `bits` bits at `shift` to eight bits (bits 4, 5 or 6).
VOREL_AVX2_INLINE __m256i widenChannel(__m256i v, int shift, int bits) {
    __m256i c = _mm256_and_si256(_mm256_srli_epi32(v, shift), _mm256_set1_epi32((1 << bits) - 1));
    return _mm256_or_si256(_mm256_slli_epi32(c, 8 - bits), _mm256_srli_epi32(c, 2 * bits - 8));
}

// 16-bit texels (in the low half of each lane) as 0xAARRGGBB, as decodeArgb widens them.
VOREL_AVX2_INLINE __m256i decode16(const TextureView& tv, __m256i v) {
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    __m256i r, g, b, a = opaque;
    if (tv.format == TexelFormat::Rgb565) {
        r = widenChannel(v, 11, 5), g = widenChannel(v, 5, 6), b = widenChannel(v, 0, 5);
    } else if (tv.format == TexelFormat::Argb1555) {
        r = widenChannel(v, 10, 5), g = widenChannel(v, 5, 5), b = widenChannel(v, 0, 5);
        if (tv.alpha) a = _mm256_slli_epi32(_mm256_sub_epi32(_mm256_setzero_si256(), _mm256_srli_epi32(v, 15)), 24);
    } else {
        r = widenChannel(v, 8, 4), g = widenChannel(v, 4, 4), b = widenChannel(v, 0, 4);
        if (tv.alpha) a = _mm256_slli_epi32(widenChannel(v, 12, 4), 24);
    }
    return _mm256_or_si256(_mm256_or_si256(a, _mm256_slli_epi32(r, 16)), _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
}

VOREL_AVX2_INLINE __m256i fetch(const TextureView& tv, __m256i ix, __m256i iy) {
    __m256i row = _mm256_mullo_epi32(iy, tv.pitch);
    if (tv.format == TexelFormat::Argb8888) {
        __m256i offset = _mm256_add_epi32(row, _mm256_slli_epi32(ix, 2));
        return _mm256_or_si256(_mm256_i32gather_epi32(tv.base, offset, 1), tv.alphaFill);
    }
    // 16-bit texels come from the aligned word that holds them, which never reaches past the row.
    __m256i offset = _mm256_add_epi32(row, _mm256_slli_epi32(ix, 1));
    __m256i word = _mm256_i32gather_epi32(tv.base, _mm256_andnot_si256(_mm256_set1_epi32(3), offset), 1);
    __m256i shift = _mm256_slli_epi32(_mm256_and_si256(offset, _mm256_set1_epi32(2)), 3);
    return decode16(tv, _mm256_and_si256(_mm256_srlv_epi32(word, shift), _mm256_set1_epi32(0xFFFF)));
}

// The texel at column x and row y (inside the texture) on every lane, as fetch gives it: one
// plain load where all lanes sample the same position.
VOREL_AVX2_INLINE __m256i texelAt(const TextureView& tv, int x, int y) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(tv.base) + y * tv.rowBytes;
    if (tv.format == TexelFormat::Argb8888) {
        uint32_t v;
        std::memcpy(&v, row + ptrdiff_t(x) * 4, sizeof v);
        return _mm256_or_si256(_mm256_set1_epi32(int(v)), tv.alphaFill);
    }
    uint16_t v;
    std::memcpy(&v, row + ptrdiff_t(x) * 2, sizeof v);
    return decode16(tv, _mm256_set1_epi32(v));
}

// The nearest texel of each lane's (u, v). With `One`, every lane's (u, v) is the same and the
// texel is read once, at lane 0's indices.
template <bool One = false>
VOREL_AVX2_INLINE __m256i pointTexel(const TextureView& tv, __m256 u, __m256 v) {
    __m256i ix = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(wrapCoordinate(u), tv.widthF)));
    __m256i iy = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(wrapCoordinate(v), tv.heightF)));
    wrapIndices(tv, &ix, &iy);
    if constexpr (One) return texelAt(tv, _mm256_cvtsi256_si32(ix), _mm256_cvtsi256_si32(iy));
    return fetch(tv, ix, iy);
}

// The 64 bits at base + offset: two texels side by side.
inline long long texelPair(const uint8_t* base, int32_t offset) {
    long long v;
    std::memcpy(&v, base + offset, sizeof v);
    return v;
}

// Texels (x, y) and (x + 1, y) for eight pixels whose x + 1 never wraps: they sit side by side in
// memory, so one 64-bit gather per four pixels reads both.
VOREL_AVX2_INLINE void fetchPairs(const TextureView& tv, __m256i x, __m256i y, __m256i* left, __m256i* right) {
    __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(y, tv.pitch), _mm256_slli_epi32(x, 2));
    // Eight plain 64-bit loads: cheaper than two gathers on the processors measured.
    alignas(32) int32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), offset);
    const auto* base = reinterpret_cast<const uint8_t*>(tv.base);
    auto pair = [&](int i) { return texelPair(base, at[i]); };
    __m256 lo = _mm256_castsi256_ps(_mm256_setr_epi64x(pair(0), pair(1), pair(2), pair(3)));
    __m256 hi = _mm256_castsi256_ps(_mm256_setr_epi64x(pair(4), pair(5), pair(6), pair(7)));
    // lo holds pixels 0-3 as (left, right) pairs, hi pixels 4-7; even elements are the left texels.
    __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
    *left = _mm256_or_si256(_mm256_permute4x64_epi64(even, _MM_SHUFFLE(3, 1, 2, 0)), tv.alphaFill);
    *right = _mm256_or_si256(_mm256_permute4x64_epi64(odd, _MM_SHUFFLE(3, 1, 2, 0)), tv.alphaFill);
}

// The texels at `at` + column of each lane (columns 0 to 7).
VOREL_AVX2_INLINE __m256i windowTexels(const TextureView& tv, const uint8_t* at, __m256i column) {
    __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return _mm256_or_si256(_mm256_permutevar8x32_epi32(texels, column), tv.alphaFill);
}

VOREL_AVX2_INLINE int lowestLane(__m256i v) {
    __m128i m = _mm_min_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_cvtsi128_si32(_mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1))));
}

// Where a row window of `span` texels (wanted from column `left` on) starts so that it stays in
// rows of `columns` texels: at left, or as far right as the row allows.
inline int windowStart(int left, int span, int columns) { return std::min(left, columns - span); }

// Texels (x, y) and (x + 1, y) for rows y0 and y1 of eight pixels that sample columns x within a
// window of nine texels, none the last of its row, and rows y0 (and y1) of the first or the last
// lane (as a magnified texture's do): four plain loads of the window and a lane permute each,
// twice where the group crosses from one texel row to the next. False (nothing read) for other
// groups and textures narrower than the window.
VOREL_AVX2_INLINE bool fetchWindow(const TextureView& tv, __m256i x0, __m256i y0, __m256i y1, __m256i* c00,
                                   __m256i* c10, __m256i* c01, __m256i* c11) {
    const int left = windowStart(lowestLane(x0), 9, tv.columns);
    const __m256i column = _mm256_sub_epi32(x0, _mm256_set1_epi32(left));
    const int rowA = _mm256_cvtsi256_si32(y0), rowB = _mm256_extract_epi32(y0, 7);
    const __m256i inA = _mm256_cmpeq_epi32(y0, _mm256_set1_epi32(rowA));
    const __m256i inB = _mm256_cmpeq_epi32(y0, _mm256_set1_epi32(rowB));
    const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi32(column, _mm256_set1_epi32(7)),
                                            _mm256_xor_si256(_mm256_or_si256(inA, inB), _mm256_set1_epi32(-1)));
    if (left < 0 || !_mm256_testz_si256(outside, outside)) return false;
    // y1 follows from y0, so lanes of one y0 share their y1 too.
    const auto* base = reinterpret_cast<const uint8_t*>(tv.base) + ptrdiff_t(left) * 4;
    const uint8_t* top = base + rowA * tv.rowBytes;
    const uint8_t* bottom = base + _mm256_cvtsi256_si32(y1) * tv.rowBytes;
    *c00 = windowTexels(tv, top, column), *c10 = windowTexels(tv, top + 4, column);
    *c01 = windowTexels(tv, bottom, column), *c11 = windowTexels(tv, bottom + 4, column);
    if (rowA != rowB) {
        const uint8_t* topB = base + rowB * tv.rowBytes;
        const uint8_t* bottomB = base + _mm256_extract_epi32(y1, 7) * tv.rowBytes;
        *c00 = _mm256_blendv_epi8(windowTexels(tv, topB, column), *c00, inA);
        *c10 = _mm256_blendv_epi8(windowTexels(tv, topB + 4, column), *c10, inA);
        *c01 = _mm256_blendv_epi8(windowTexels(tv, bottomB, column), *c01, inA);
        *c11 = _mm256_blendv_epi8(windowTexels(tv, bottomB + 4, column), *c11, inA);
    }
    return true;
}

// The four texels around each lane's (u, v) and the position between them (fx, fy in [0, 1)):
// c00 top left, c10 top right, c01 bottom left, c11 bottom right.
struct BilinearTaps {
    __m256i c00, c10, c01, c11;
    __m256 fx, fy;
};

// The taps of lanes whose wrapped texel columns are x0 and x1 (x0 + 1 unless it wrapped) and rows
// y0 and y1: the four texels of each, read the cheapest way the group allows.
VOREL_AVX2_INLINE void fetchTaps(const TextureView& tv, __m256i x0, __m256i y0, __m256i x1, __m256i y1,
                                 BilinearTaps* taps, bool windows = true) {
    const __m256i lastColumn = _mm256_cmpeq_epi32(x0, _mm256_sub_epi32(tv.width, _mm256_set1_epi32(1)));
    if (windows && tv.format == TexelFormat::Argb8888 && fetchWindow(tv, x0, y0, y1, &taps->c00, &taps->c10, &taps->c01, &taps->c11))
        return;
    if (tv.format == TexelFormat::Argb8888 && _mm256_testz_si256(lastColumn, lastColumn)) {
        fetchPairs(tv, x0, y0, &taps->c00, &taps->c10);
        fetchPairs(tv, x0, y1, &taps->c01, &taps->c11);
    } else {
        taps->c00 = fetch(tv, x0, y0), taps->c10 = fetch(tv, x1, y0);
        taps->c01 = fetch(tv, x0, y1), taps->c11 = fetch(tv, x1, y1);
    }
}

// The four taps of lane 0 on every lane (all lanes sample the same position): four plain loads.
VOREL_AVX2_INLINE void tapsAt(const TextureView& tv, __m256i x0, __m256i y0, __m256i x1, __m256i y1,
                              BilinearTaps* taps) {
    const int left = _mm256_cvtsi256_si32(x0), right = _mm256_cvtsi256_si32(x1);
    const int top = _mm256_cvtsi256_si32(y0), bottom = _mm256_cvtsi256_si32(y1);
    taps->c00 = texelAt(tv, left, top), taps->c10 = texelAt(tv, right, top);
    taps->c01 = texelAt(tv, left, bottom), taps->c11 = texelAt(tv, right, bottom);
}

// With `One`, every lane's (u, v) is the same and its taps are read once (tapsAt).
template <bool One = false>
VOREL_AVX2_INLINE BilinearTaps bilinearTaps(const TextureView& tv, __m256 u, __m256 v) {
    const __m256 half = _mm256_set1_ps(0.5f);
    __m256 x = _mm256_sub_ps(_mm256_mul_ps(wrapCoordinate(u), tv.widthF), half);
    __m256 y = _mm256_sub_ps(_mm256_mul_ps(wrapCoordinate(v), tv.heightF), half);
    __m256 fx0 = _mm256_floor_ps(x), fy0 = _mm256_floor_ps(y);
    BilinearTaps taps;
    taps.fx = _mm256_sub_ps(x, fx0), taps.fy = _mm256_sub_ps(y, fy0);
    // A position a rounding step under a texel centre (x = -2^-25) is 1 from the texel before it,
    // which rounds to 1: a whole texel's weight, the same as the next texel's with weight 0.
    const __m256 unit = _mm256_set1_ps(1.0f);
    if (_mm256_movemask_ps(_mm256_cmp_ps(_mm256_max_ps(taps.fx, taps.fy), unit, _CMP_EQ_OQ)) != 0) [[unlikely]] {
        const __m256 wholeX = _mm256_cmp_ps(taps.fx, unit, _CMP_EQ_OQ), wholeY = _mm256_cmp_ps(taps.fy, unit, _CMP_EQ_OQ);
        fx0 = _mm256_add_ps(fx0, _mm256_and_ps(wholeX, unit)), taps.fx = _mm256_andnot_ps(wholeX, taps.fx);
        fy0 = _mm256_add_ps(fy0, _mm256_and_ps(wholeY, unit)), taps.fy = _mm256_andnot_ps(wholeY, taps.fy);
    }
    __m256i x0 = _mm256_cvttps_epi32(fx0), y0 = _mm256_cvttps_epi32(fy0);
    const __m256i one = _mm256_set1_epi32(1);
    __m256i x1 = _mm256_add_epi32(x0, one), y1 = _mm256_add_epi32(y0, one);
    wrapIndices(tv, &x0, &y0);
    wrapIndices(tv, &x1, &y1);
    if constexpr (One) tapsAt(tv, x0, y0, x1, y1, &taps);
    else fetchTaps(tv, x0, y0, x1, y1, &taps);
    return taps;
}

// ---- the walk over a triangle's rows -------------------------------------------------------------

// What stays the same for every row of one triangle.
struct TriangleConstants {
    __m256d invArea, offset0lo, offset0hi, offset1lo, offset1hi, offset2lo, offset2hi, step1, step2;
    TextureView tv;
};

VOREL_AVX2_INLINE TriangleConstants triangleConstants(const SpanState& s, const TriangleSetup& t) {
    const __m256d lanesLo = _mm256_setr_pd(0, 1, 2, 3), lanesHi = _mm256_setr_pd(4, 5, 6, 7);
    const __m256d a0 = _mm256_set1_pd(double(t.edge[0].a));
    const __m256d a1 = _mm256_set1_pd(double(t.edge[1].a)), a2 = _mm256_set1_pd(double(t.edge[2].a));
    TriangleConstants k;
    k.invArea = _mm256_set1_pd(t.invArea);
    k.offset0lo = _mm256_mul_pd(lanesLo, a0), k.offset0hi = _mm256_mul_pd(lanesHi, a0);
    k.offset1lo = _mm256_mul_pd(lanesLo, a1), k.offset1hi = _mm256_mul_pd(lanesHi, a1);
    k.offset2lo = _mm256_mul_pd(lanesLo, a2), k.offset2hi = _mm256_mul_pd(lanesHi, a2);
    k.step1 = _mm256_mul_pd(_mm256_set1_pd(8), a1), k.step2 = _mm256_mul_pd(_mm256_set1_pd(8), a2);
    k.tv = textureView(s);
    return k;
}

// Edge functions 1 and 2 of a row's groups, stepped eight pixels at a time (the values are
// integers below 2^53, so the sums stay exact in double).
struct EdgeSteps {
    __m256d e1lo, e1hi, e2lo, e2hi;

    VOREL_AVX2_INLINE EdgeSteps() : e1lo(_mm256_setzero_pd()), e1hi(e1lo), e2lo(e1lo), e2hi(e1lo) {}
    VOREL_AVX2_INLINE EdgeSteps(const TriangleSetup& t, const TriangleConstants& k, int x, int y) {
        const __m256d b1 = _mm256_set1_pd(double(edgeAt(t, 1, x, y))), b2 = _mm256_set1_pd(double(edgeAt(t, 2, x, y)));
        e1lo = _mm256_add_pd(b1, k.offset1lo), e1hi = _mm256_add_pd(b1, k.offset1hi);
        e2lo = _mm256_add_pd(b2, k.offset2lo), e2hi = _mm256_add_pd(b2, k.offset2hi);
    }
    // The weights of the current group.
    VOREL_AVX2_INLINE void weightsNow(const TriangleConstants& k, __m256* l1, __m256* l2) const {
        *l1 = weights(e1lo, e1hi, k.invArea), *l2 = weights(e2lo, e2hi, k.invArea);
    }
    // On to the next group.
    VOREL_AVX2_INLINE void advance(const TriangleConstants& k) {
        e1lo = _mm256_add_pd(e1lo, k.step1), e1hi = _mm256_add_pd(e1hi, k.step1);
        e2lo = _mm256_add_pd(e2lo, k.step2), e2hi = _mm256_add_pd(e2hi, k.step2);
    }
};

// Lanes where edge function + bias > 0 (the values are exact integers in double).
VOREL_AVX2_INLINE int insideBits(__m256d lo, __m256d hi, double bias) {
    __m256d limit = _mm256_set1_pd(-bias);
    return _mm256_movemask_pd(_mm256_cmp_pd(lo, limit, _CMP_GT_OQ)) |
           (_mm256_movemask_pd(_mm256_cmp_pd(hi, limit, _CMP_GT_OQ)) << 4);
}

// The covered lanes of the group from x in row y (the same edge test the reference makes, lanes
// past maxX left out), with the group's weights.
VOREL_AVX2_INLINE int testedGroup(const TriangleSetup& t, const TriangleConstants& k, int x, int y, __m256* l1,
                                  __m256* l2) {
    __m256d e[3][2];
    const __m256d* offsets[3][2] = {{&k.offset0lo, &k.offset0hi}, {&k.offset1lo, &k.offset1hi},
                                    {&k.offset2lo, &k.offset2hi}};
    int bits = 0xFF;
    for (int i = 0; i < 3; ++i) {
        __m256d base = _mm256_set1_pd(double(edgeAt(t, i, x, y)));
        e[i][0] = _mm256_add_pd(base, *offsets[i][0]);
        e[i][1] = _mm256_add_pd(base, *offsets[i][1]);
        bits &= insideBits(e[i][0], e[i][1], double(t.edge[i].bias));
    }
    bits &= (1 << std::min(8, t.maxX - x + 1)) - 1;
    *l1 = weights(e[1][0], e[1][1], k.invArea), *l2 = weights(e[2][0], e[2][1], k.invArea);
    return bits;
}

VOREL_AVX2_INLINE __m256i maskOfBits(int bits) {
    const __m256i laneBit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(bits), laneBit), laneBit);
}

}  // namespace platform::d3d::span_avx2
