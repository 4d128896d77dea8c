// Span shading with AVX2: eight pixels at a time, the reference's float and double arithmetic
// lane by lane (no fused multiply-adds, so every rounding matches), the depth test first so
// hidden groups skip texturing, gathers for the texels and saturating byte adds for ONE/ONE.
// Compiled for AVX2 by function attributes; chosen at run time only when the processor has it.
#include "platform/d3d/span_shader.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/span_walk.h"

#define VOREL_AVX2 __attribute__((target("avx2")))
#define VOREL_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace platform::d3d {

namespace {

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

VOREL_AVX2_INLINE __m256i to8(__m256 v) {
    v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
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

// ---- texture -------------------------------------------------------------------------------------

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
    __m256 widthF, heightF;
    TexelFormat format;
    bool alpha;
};

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

VOREL_AVX2_INLINE __m256 channel(__m256i c, int shift) {
    __m256i v = _mm256_and_si256(_mm256_srli_epi32(c, shift), _mm256_set1_epi32(0xFF));
    return _mm256_mul_ps(_mm256_cvtepi32_ps(v), _mm256_set1_ps(1.0f / 255.0f));
}

struct Texel8 {
    __m256 c[4];  // r, g, b, a
};

VOREL_AVX2_INLINE Texel8 samplePoint(const TextureView& tv, __m256 u, __m256 v) {
    __m256i ix = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(wrapCoordinate(u), tv.widthF)));
    __m256i iy = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(wrapCoordinate(v), tv.heightF)));
    __m256i c = fetch(tv, wrapIndex(ix, tv.width), wrapIndex(iy, tv.height));
    return {{channel(c, 16), channel(c, 8), channel(c, 0), channel(c, 24)}};
}

VOREL_AVX2_INLINE __m256 lerp(__m256 a, __m256 b, __m256 f) { return _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), f)); }

// Texels (x, y) and (x + 1, y) for eight pixels whose x + 1 never wraps: they sit side by side in
// memory, so one 64-bit gather per four pixels reads both.
VOREL_AVX2_INLINE void fetchPairs(const TextureView& tv, __m256i x, __m256i y, __m256i* left, __m256i* right) {
    __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(y, tv.pitch), _mm256_slli_epi32(x, 2));
    const auto* base = reinterpret_cast<const long long*>(tv.base);
    __m256 lo = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(offset), 1));
    __m256 hi = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(offset, 1), 1));
    // lo holds pixels 0-3 as (left, right) pairs, hi pixels 4-7; even elements are the left texels.
    __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
    *left = _mm256_or_si256(_mm256_permute4x64_epi64(even, _MM_SHUFFLE(3, 1, 2, 0)), tv.alphaFill);
    *right = _mm256_or_si256(_mm256_permute4x64_epi64(odd, _MM_SHUFFLE(3, 1, 2, 0)), tv.alphaFill);
}

// Alpha is filtered only when asked for (it is dropped on targets without alpha).
VOREL_AVX2_INLINE Texel8 sampleBilinear(const TextureView& tv, __m256 u, __m256 v, bool alpha) {
    const __m256 half = _mm256_set1_ps(0.5f);
    __m256 x = _mm256_sub_ps(_mm256_mul_ps(wrapCoordinate(u), tv.widthF), half);
    __m256 y = _mm256_sub_ps(_mm256_mul_ps(wrapCoordinate(v), tv.heightF), half);
    __m256 fx0 = _mm256_floor_ps(x), fy0 = _mm256_floor_ps(y);
    __m256 fx = _mm256_sub_ps(x, fx0), fy = _mm256_sub_ps(y, fy0);
    __m256i x0 = _mm256_cvttps_epi32(fx0), y0 = _mm256_cvttps_epi32(fy0);
    const __m256i one = _mm256_set1_epi32(1);
    __m256i x1 = wrapIndex(_mm256_add_epi32(x0, one), tv.width), y1 = wrapIndex(_mm256_add_epi32(y0, one), tv.height);
    x0 = wrapIndex(x0, tv.width);
    y0 = wrapIndex(y0, tv.height);
    __m256i c00, c10, c01, c11;
    __m256i lastColumn = _mm256_cmpeq_epi32(x0, _mm256_sub_epi32(tv.width, one));
    if (tv.format == TexelFormat::Argb8888 && _mm256_testz_si256(lastColumn, lastColumn)) {
        fetchPairs(tv, x0, y0, &c00, &c10);
        fetchPairs(tv, x0, y1, &c01, &c11);
    } else {
        c00 = fetch(tv, x0, y0), c10 = fetch(tv, x1, y0), c01 = fetch(tv, x0, y1), c11 = fetch(tv, x1, y1);
    }
    static constexpr int kShift[4] = {16, 8, 0, 24};
    Texel8 out;
    out.c[3] = _mm256_set1_ps(1.0f);
    for (int i = 0; i < (alpha ? 4 : 3); ++i) {
        __m256 top = lerp(channel(c00, kShift[i]), channel(c10, kShift[i]), fx);
        __m256 bottom = lerp(channel(c01, kShift[i]), channel(c11, kShift[i]), fx);
        out.c[i] = lerp(top, bottom, fy);
    }
    return out;
}

// ---- colour --------------------------------------------------------------------------------------

VOREL_AVX2_INLINE __m256 pick(StageOperand op, __m256 texel, __m256 diffuse) {
    switch (op) {
        case StageOperand::One: return _mm256_set1_ps(1.0f);
        case StageOperand::Texture: return texel;
        case StageOperand::TextureTimesDiffuse: return _mm256_mul_ps(texel, diffuse);
        default: return diffuse;
    }
}

struct Channels8 {
    __m256i r, g, b, a;  // 0..255 per lane
};

VOREL_AVX2_INLINE __m256 attribute(const TriangleSetup& t, int i, __m256 l1, __m256 l2, __m256 w) {
    return _mm256_mul_ps(plane(t.a0[i], t.da1[i], t.da2[i], l1, l2), w);
}

// Stage 0 and fog for eight pixels; alpha only when the target keeps it.
template <TexelFilter T>
VOREL_AVX2_INLINE Channels8 shadeGroup(const SpanState& s, const TriangleSetup& t, const TextureView& tv, __m256 l1,
                                       __m256 l2) {
    __m256 invW = plane(t.w0, t.dw1, t.dw2, l1, l2);
    __m256 nonZero = _mm256_cmp_ps(invW, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    __m256 w = _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), invW), nonZero);
    Texel8 texel{{_mm256_set1_ps(1.0f), _mm256_set1_ps(1.0f), _mm256_set1_ps(1.0f), _mm256_set1_ps(1.0f)}};
    if constexpr (T != TexelFilter::None) {
        __m256 u = attribute(t, kU, l1, l2, w), v = attribute(t, kV, l1, l2, w);
        texel = T == TexelFilter::Point ? samplePoint(tv, u, v) : sampleBilinear(tv, u, v, s.targetAlpha);
    }
    bool needDiffuse = s.colorFrom == StageOperand::Diffuse || s.colorFrom == StageOperand::TextureTimesDiffuse;
    __m256 c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = pick(s.colorFrom, texel.c[i], needDiffuse ? attribute(t, kRed + i, l1, l2, w) : texel.c[i]);
    if (s.fog) {
        const __m256 one = _mm256_set1_ps(1.0f);
        __m256 f = _mm256_min_ps(_mm256_max_ps(attribute(t, kFog, l1, l2, w), _mm256_setzero_ps()), one);
        __m256 g = _mm256_sub_ps(one, f);
        for (int i = 0; i < 3; ++i)
            c[i] = _mm256_add_ps(_mm256_mul_ps(f, c[i]), _mm256_mul_ps(g, _mm256_set1_ps(s.fogColor[i])));
    }
    Channels8 out{to8(c[0]), to8(c[1]), to8(c[2]), _mm256_setzero_si256()};
    if (s.targetAlpha) {
        bool alphaDiffuse = s.alphaFrom == StageOperand::Diffuse || s.alphaFrom == StageOperand::TextureTimesDiffuse;
        __m256 d = alphaDiffuse ? attribute(t, kAlpha, l1, l2, w) : texel.c[3];
        out.a = to8(pick(s.alphaFrom, texel.c[3], d));
    }
    return out;
}

// ---- target writes -------------------------------------------------------------------------------

VOREL_AVX2_INLINE void write8888(const SpanState& s, uint8_t* p, int n, __m256i live, __m256i mask,
                                 const Channels8& c) {
    __m256i src = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(c.a, 24), _mm256_slli_epi32(c.r, 16)),
                                  _mm256_or_si256(_mm256_slli_epi32(c.g, 8), c.b));
    __m256i old = load32(p, n, live);
    if (s.additive) {
        __m256i dst = s.targetAlpha ? old : _mm256_or_si256(old, _mm256_set1_epi32(int(0xFF000000u)));
        src = _mm256_adds_epu8(src, dst);
    }
    if (!s.targetAlpha) src = _mm256_and_si256(src, _mm256_set1_epi32(0x00FFFFFF));
    store32(p, n, old, src, mask);
}

VOREL_AVX2_INLINE __m256i widen5(__m256i v) { return _mm256_or_si256(_mm256_slli_epi32(v, 3), _mm256_srli_epi32(v, 2)); }
VOREL_AVX2_INLINE __m256i widen6(__m256i v) { return _mm256_or_si256(_mm256_slli_epi32(v, 2), _mm256_srli_epi32(v, 4)); }

// (v x top + threshold) / 255 for v <= 255 (exact for sums below 65535).
VOREL_AVX2_INLINE __m256i quantize(__m256i v, int top, __m256i threshold) {
    __m256i x = _mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(top)), threshold);
    return _mm256_srli_epi32(_mm256_mullo_epi32(x, _mm256_set1_epi32(32897)), 23);
}

template <TargetFormat F>
VOREL_AVX2_INLINE void write16(const SpanState& s, uint8_t* p, int n, __m256i mask, __m256i threshold, Channels8 c) {
    constexpr bool k565 = F == TargetFormat::Rgb565;
    if (s.additive) {
        __m256i old = load16(p, n);
        const __m256i five = _mm256_set1_epi32(0x1F);
        __m256i dr = widen5(_mm256_and_si256(_mm256_srli_epi32(old, k565 ? 11 : 10), five));
        __m256i dg = k565 ? widen6(_mm256_and_si256(_mm256_srli_epi32(old, 5), _mm256_set1_epi32(0x3F)))
                          : widen5(_mm256_and_si256(_mm256_srli_epi32(old, 5), five));
        __m256i db = widen5(_mm256_and_si256(old, five));
        const __m256i full = _mm256_set1_epi32(255);
        c.r = _mm256_min_epi32(_mm256_add_epi32(c.r, dr), full);
        c.g = _mm256_min_epi32(_mm256_add_epi32(c.g, dg), full);
        c.b = _mm256_min_epi32(_mm256_add_epi32(c.b, db), full);
    }
    __m256i r = quantize(c.r, 31, threshold);
    __m256i g = quantize(c.g, k565 ? 63 : 31, threshold);
    __m256i b = quantize(c.b, 31, threshold);
    __m256i raw = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(r, k565 ? 11 : 10), _mm256_slli_epi32(g, 5)), b);
    store16(p, n, raw, mask);
}

// ---- the span ------------------------------------------------------------------------------------

VOREL_AVX2_INLINE TextureView textureView(const SpanState& s) {
    TextureView tv;
    tv.base = reinterpret_cast<const int*>(s.texels);
    tv.width = _mm256_set1_epi32(s.texWidth);
    tv.height = _mm256_set1_epi32(s.texHeight);
    tv.pitch = _mm256_set1_epi32(int(s.texPitch));
    tv.alphaFill = _mm256_set1_epi32(s.texAlpha ? 0 : int(0xFF000000u));
    tv.widthF = _mm256_set1_ps(float(s.texWidth));
    tv.heightF = _mm256_set1_ps(float(s.texHeight));
    tv.format = s.texFormat;
    tv.alpha = s.texAlpha;
    return tv;
}

// The dither thresholds of eight pixels from x for every row (y & 3) and phase (x & 3), made once.
struct DitherTable {
    alignas(32) int32_t v[4][4][8];
    DitherTable() {
        for (int y = 0; y < 4; ++y)
            for (int phase = 0; phase < 4; ++phase)
                for (int i = 0; i < 8; ++i) v[y][phase][i] = int32_t(ditherThreshold(phase + i, y));
    }
};

VOREL_AVX2_INLINE __m256i ditherRow(const SpanState& s, int x0, int y) {
    if (!s.dither) return _mm256_set1_epi32(127);
    static const DitherTable table;
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(table.v[y & 3][x0 & 3]));
}

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

// Where one group of eight pixels of a row is stored.
struct GroupAt {
    uint8_t* color;  // first pixel of the group
    uint8_t* z;      // null without depth
    // Lanes that may be read and written back (the rest are not touched): all eight where the
    // row holds them (lanes past the span are written back unchanged), else the span's lanes.
    int n;
};

// Lanes a group from x may touch, when `count` of them are in the span.
VOREL_AVX2_INLINE int touchable(const SpanState& s, int x, int count) { return x + 8 <= s.width ? 8 : count; }

// Depth test and write, shading and the colour write of one group; mask: the covered lanes.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2_INLINE void shadeGroupAt(const SpanState& s, const TriangleSetup& t, const TriangleConstants& k,
                                    const GroupAt& at, __m256i live, __m256i mask, __m256i threshold, __m256 l1,
                                    __m256 l2) {
    if constexpr (D != DepthFormat::None) {
        __m256i z = depthValues<D>(t, l1, l2);
        __m256i stored = D == DepthFormat::Z16 ? load16(at.z, at.n) : load32(at.z, at.n, live);
        mask = _mm256_andnot_si256(greaterUnsigned(z, stored), mask);
        if (_mm256_testz_si256(mask, mask)) return;
        if (s.zWrite) {
            if constexpr (D == DepthFormat::Z16) store16(at.z, at.n, z, mask);
            else store32(at.z, at.n, stored, z, mask);
        }
    }
    Channels8 c = shadeGroup<T>(s, t, k.tv, l1, l2);
    if constexpr (F == TargetFormat::Argb8888) write8888(s, at.color, at.n, live, mask, c);
    else write16<F>(s, at.color, at.n, mask, threshold, c);
}

template <TargetFormat F>
VOREL_AVX2_INLINE __m256i rowThreshold(const SpanState& s, int x0, int y) {
    // Groups start 8 apart, so every group of the row has the same dither phase.
    if constexpr (F != TargetFormat::Argb8888) return ditherRow(s, x0, y);
    return _mm256_setzero_si256();
}

// The covered span x0..x1 of row y.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2_INLINE void shadeSpan(const SpanState& s, const TriangleSetup& t, const TriangleConstants& k, int y, int x0,
                                 int x1) {
    // Edge values are integers below 2^53, so these sums stay exact in double.
    const __m256d b1 = _mm256_set1_pd(double(edgeAt(t, 1, x0, y))), b2 = _mm256_set1_pd(double(edgeAt(t, 2, x0, y)));
    __m256d e1lo = _mm256_add_pd(b1, k.offset1lo), e1hi = _mm256_add_pd(b1, k.offset1hi);
    __m256d e2lo = _mm256_add_pd(b2, k.offset2lo), e2hi = _mm256_add_pd(b2, k.offset2hi);
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    uint8_t* colorRow = s.color + y * s.colorPitch;
    uint8_t* zRow = D == DepthFormat::None ? nullptr : s.z + y * s.zPitch;
    const __m256i threshold = rowThreshold<F>(s, x0, y);
    for (int x = x0; x <= x1; x += 8) {
        const int count = std::min(8, x1 - x + 1);
        GroupAt at{colorRow + x * bpp, zRow ? zRow + x * zBytes : nullptr, touchable(s, x, count)};
        __m256 l1 = weights(e1lo, e1hi, k.invArea), l2 = weights(e2lo, e2hi, k.invArea);
        e1lo = _mm256_add_pd(e1lo, k.step1), e1hi = _mm256_add_pd(e1hi, k.step1);
        e2lo = _mm256_add_pd(e2lo, k.step2), e2hi = _mm256_add_pd(e2hi, k.step2);
        __m256i covered = liveLanes(count);
        shadeGroupAt<F, D, T>(s, t, k, at, liveLanes(at.n), covered, threshold, l1, l2);
    }
}

// Lanes where edge function + bias > 0 (the values are exact integers in double).
VOREL_AVX2_INLINE int insideBits(__m256d lo, __m256d hi, double bias) {
    __m256d limit = _mm256_set1_pd(-bias);
    return _mm256_movemask_pd(_mm256_cmp_pd(lo, limit, _CMP_GT_OQ)) |
           (_mm256_movemask_pd(_mm256_cmp_pd(hi, limit, _CMP_GT_OQ)) << 4);
}

// The group of eight pixels from x in row y of a narrow triangle, coverage tested per lane (the
// same edge test the reference makes) instead of solving for the row's span. Returns the number
// of covered centres.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2_INLINE int shadeTestedGroup(const SpanState& s, const TriangleSetup& t, const TriangleConstants& k, int x,
                                       int y) {
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
    const int n = std::min(8, t.maxX - x + 1);
    bits &= (1 << n) - 1;
    if (bits == 0) return 0;
    const __m256i laneBit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    __m256i mask = _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(bits), laneBit), laneBit);
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    GroupAt at{s.color + y * s.colorPitch + x * bpp, D == DepthFormat::None ? nullptr : s.z + y * s.zPitch + x * zBytes,
               touchable(s, x, n)};
    __m256 l1 = weights(e[1][0], e[1][1], k.invArea), l2 = weights(e[2][0], e[2][1], k.invArea);
    shadeGroupAt<F, D, T>(s, t, k, at, liveLanes(at.n), mask, rowThreshold<F>(s, x, y), l1, l2);
    return __builtin_popcount(unsigned(bits));
}

// The rows of part `part` (see span_walk.h), each shaded with the triangle's constants.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2 uint64_t shadeTriangle(const SpanState& s, const TriangleSetup& t, TexelFilter, int part, int parts) {
    const TriangleConstants k = triangleConstants(s, t);
    // One group wide, testing each lane is cheaper than solving for the span (measured: at four
    // groups it no longer is).
    const bool narrow = t.maxX - t.minX < 8;
    uint64_t covered = 0;
    for (int y = t.minY; y <= t.maxY;) {
        if (!ownsRow(y, part, parts)) {
            y = nextBand(y);
            continue;
        }
        int x0, x1;
        if (narrow) {
            for (int x = t.minX; x <= t.maxX; x += 8) covered += uint64_t(shadeTestedGroup<F, D, T>(s, t, k, x, y));
        } else if (rowSpan(t, y, &x0, &x1)) {
            covered += uint64_t(x1 - x0 + 1);
            shadeSpan<F, D, T>(s, t, k, y, x0, x1);
        }
        ++y;
    }
    return covered;
}

template <TargetFormat F, DepthFormat D>
TriangleShader forFilter(TexelFilter f) {
    switch (f) {
        case TexelFilter::Point: return shadeTriangle<F, D, TexelFilter::Point>;
        case TexelFilter::Bilinear: return shadeTriangle<F, D, TexelFilter::Bilinear>;
        default: return shadeTriangle<F, D, TexelFilter::None>;
    }
}

template <TargetFormat F>
TriangleShader forDepth(DepthFormat d, TexelFilter f) {
    switch (d) {
        case DepthFormat::Z16: return forFilter<F, DepthFormat::Z16>(f);
        case DepthFormat::Z32: return forFilter<F, DepthFormat::Z32>(f);
        default: return forFilter<F, DepthFormat::None>(f);
    }
}

}  // namespace

TriangleShader avx2TriangleShader(const SpanState& s, TexelFilter f) {
    switch (s.format) {
        case TargetFormat::Rgb565: return forDepth<TargetFormat::Rgb565>(s.depth, f);
        case TargetFormat::Rgb555: return forDepth<TargetFormat::Rgb555>(s.depth, f);
        default: return forDepth<TargetFormat::Argb8888>(s.depth, f);
    }
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
TriangleShader avx2TriangleShader(const SpanState&, TexelFilter) { return nullptr; }
}  // namespace platform::d3d

#endif
