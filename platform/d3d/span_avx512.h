// The building blocks of the AVX-512 span routines: sixteen pixels of one row at a time, lanes
// x .. x + 15, with mask registers for the row's ends. Every value is the AVX2 routines'
// (span_avx2.h) lane for lane: the exact weights float(double(edge) x invArea), the reference's
// double depth, wrapped texel coordinates and the texels they fetch.
//
// Internal to span_shader_avx512.cpp; include it only from files built for x86-64 with GCC or
// Clang. Everything is inline and compiled for AVX-512 F/BW/DQ/VL (and AVX2, FMA) by function
// attributes, so it runs only where the caller checked the processor and the OS (haveAvx512).
// Loads and stores are masked: lanes outside the mask are neither read nor written.
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "platform/d3d/fixed_color.h"
#include "platform/d3d/span_avx2.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

#define VOREL_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))
#define VOREL_AVX512_INLINE \
    __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma"), always_inline)) inline

namespace platform::d3d::span_avx512 {

using Lanes = __mmask16;

VOREL_AVX512_INLINE __m512 join(__m256 lo, __m256 hi) { return _mm512_insertf32x8(_mm512_castps256_ps512(lo), hi, 1); }
VOREL_AVX512_INLINE __m512i join(__m256i lo, __m256i hi) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
}
VOREL_AVX512_INLINE __m256 lowHalf(__m512 v) { return _mm512_castps512_ps256(v); }
VOREL_AVX512_INLINE __m256 highHalf(__m512 v) { return _mm512_extractf32x8_ps(v, 1); }
VOREL_AVX512_INLINE __m256i lowHalf(__m512i v) { return _mm512_castsi512_si256(v); }
VOREL_AVX512_INLINE __m256i highHalf(__m512i v) { return _mm512_extracti64x4_epi64(v, 1); }

// ---- constants -----------------------------------------------------------------------------------

// Sixteen 32-bit lanes in memory.
struct alignas(64) Lanes32 {
    int32_t v[16];
};
constexpr Lanes32 everyLane(uint32_t x) {
    Lanes32 l{};
    for (int32_t& e : l.v) e = int32_t(x);
    return l;
}

// The integer constants of the loops. Where the compiler sees a constant's value it makes it
// again inside a loop from a general register, a broadcast that only the shuffle port runs;
// read through loopConstants() they are loads instead, folded into the instructions that use them.
struct LoopConstants {
    Lanes32 one, fifteen, thirty;
    Lanes32 ends;          // storeEnds' permute: lanes 0 and 15 of two registers
    Lanes32 channelBytes;  // 0x7F807F80: a byte times 128 in each word
    Lanes32 full;          // fixed::kFull in each word
    Lanes32 half;          // 64 (half a byte's 128) in each word
    Lanes32 highBytes;     // 0xFF00FF00
    Lanes32 colourBytes;   // 0x00FFFFFF
    Lanes32 weightBits;    // 0x7FFF7FFF: a filter weight of 32768 (a whole texel) taken as 0
};
inline constexpr LoopConstants kLoopConstants{
    everyLane(1), everyLane(15), everyLane(30), {{0, 15, 16, 31}}, everyLane(0x7F807F80u),
    everyLane(uint32_t(fixed::kFull) * 0x10001u), everyLane(64u * 0x10001u), everyLane(0xFF00FF00u),
    everyLane(0x00FFFFFFu), everyLane(0x7FFF7FFFu)};

VOREL_AVX512_INLINE const LoopConstants& loopConstants() {
    const LoopConstants* p = &kLoopConstants;
    asm("" : "+r"(p));  // hides the values
    return *p;
}
VOREL_AVX512_INLINE __m512i load(const Lanes32& l) { return _mm512_load_si512(l.v); }

// *p in every lane: a broadcast from memory is a load, where one from a general register is a
// shuffle (and the compiler turns a broadcast of a value it also keeps as a number into that).
VOREL_AVX512_INLINE __m512i broadcastAt(const int32_t* p) {
    __m512i v;
    asm("vpbroadcastd %1, %0" : "=v"(v) : "m"(*p));
    return v;
}
// v in every lane by way of memory (the value waits a few cycles in the store buffer instead).
VOREL_AVX512_INLINE __m512i broadcastFromMemory(int32_t v) { return broadcastAt(&v); }

// The first n lanes (n in 0..16).
VOREL_AVX512_INLINE Lanes firstLanes(int n) { return Lanes(n >= 16 ? 0xFFFFu : (1u << n) - 1u); }

// The pixels of a group that a load or store may touch: `lanes` are the ones that count; when
// the row holds all sixteen (`whole`) every pixel is read and the others are written back
// unchanged, with plain loads and stores (a later load of the same pixels, the next triangle's,
// takes its bytes from a plain store in flight, never from a masked one).
struct Group {
    Lanes lanes;
    bool whole;
    Group with(Lanes only) const { return {only, whole}; }
};

// Sixteen 16-bit values from p, zero-extended (0 outside the lanes unless whole).
VOREL_AVX512_INLINE __m512i load16(const uint8_t* p, Group g) {
    return _mm512_cvtepu16_epi32(g.whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
                                         : _mm256_maskz_loadu_epi16(g.lanes, p));
}
// The low 16 bits of the group's lanes to p.
VOREL_AVX512_INLINE void store16(uint8_t* p, Group g, __m512i v) {
    __m256i packed = _mm512_cvtepi32_epi16(v);
    if (!g.whole) return _mm256_mask_storeu_epi16(p, g.lanes, packed);
    auto* at = reinterpret_cast<__m256i*>(p);
    if (g.lanes != 0xFFFF) packed = _mm256_mask_blend_epi16(g.lanes, _mm256_loadu_si256(at), packed);
    _mm256_storeu_si256(at, packed);
}
VOREL_AVX512_INLINE __m512i load32(const uint8_t* p, Group g) {
    return g.whole ? _mm512_loadu_si512(p) : _mm512_maskz_loadu_epi32(g.lanes, p);
}
VOREL_AVX512_INLINE void store32(uint8_t* p, Group g, __m512i v) {
    if (!g.whole) return _mm512_mask_storeu_epi32(p, g.lanes, v);
    if (g.lanes != 0xFFFF) v = _mm512_mask_blend_epi32(g.lanes, _mm512_loadu_si512(p), v);
    _mm512_storeu_si512(p, v);
}

// ---- the exact weights of a row's groups ---------------------------------------------------------

// What stays the same for every row of one triangle: the edges' lane offsets and steps.
struct EdgeConstants {
    __m512d invArea, offset1lo, offset1hi, offset2lo, offset2hi, step1, step2;
};

VOREL_AVX512_INLINE EdgeConstants edgeConstants(const TriangleSetup& t) {
    const __m512d lanesLo = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
    const __m512d lanesHi = _mm512_setr_pd(8, 9, 10, 11, 12, 13, 14, 15);
    const __m512d a1 = _mm512_set1_pd(double(t.edge[1].a)), a2 = _mm512_set1_pd(double(t.edge[2].a));
    EdgeConstants k;
    k.invArea = _mm512_set1_pd(t.invArea);
    k.offset1lo = _mm512_mul_pd(lanesLo, a1), k.offset1hi = _mm512_mul_pd(lanesHi, a1);
    k.offset2lo = _mm512_mul_pd(lanesLo, a2), k.offset2hi = _mm512_mul_pd(lanesHi, a2);
    k.step1 = _mm512_mul_pd(_mm512_set1_pd(16), a1), k.step2 = _mm512_mul_pd(_mm512_set1_pd(16), a2);
    return k;
}

// float(double(edge) x invArea) of sixteen lanes.
VOREL_AVX512_INLINE __m512 weights(__m512d lo, __m512d hi, __m512d invArea) {
    return join(_mm512_cvtpd_ps(_mm512_mul_pd(lo, invArea)), _mm512_cvtpd_ps(_mm512_mul_pd(hi, invArea)));
}

// Edge functions 1 and 2 of a row's groups, stepped sixteen pixels at a time (integers below
// 2^53: the sums are exact).
struct EdgeSteps {
    __m512d e1lo, e1hi, e2lo, e2hi;

    VOREL_AVX512_INLINE EdgeSteps() : e1lo(_mm512_setzero_pd()), e1hi(e1lo), e2lo(e1lo), e2hi(e1lo) {}
    VOREL_AVX512_INLINE EdgeSteps(const TriangleSetup& t, const EdgeConstants& k, int x, int y) {
        const __m512d b1 = _mm512_set1_pd(double(edgeAt(t, 1, x, y))), b2 = _mm512_set1_pd(double(edgeAt(t, 2, x, y)));
        e1lo = _mm512_add_pd(b1, k.offset1lo), e1hi = _mm512_add_pd(b1, k.offset1hi);
        e2lo = _mm512_add_pd(b2, k.offset2lo), e2hi = _mm512_add_pd(b2, k.offset2hi);
    }
    VOREL_AVX512_INLINE void weightsNow(const EdgeConstants& k, __m512* l1, __m512* l2) const {
        *l1 = weights(e1lo, e1hi, k.invArea), *l2 = weights(e2lo, e2hi, k.invArea);
    }
    VOREL_AVX512_INLINE void advance(const EdgeConstants& k) {
        e1lo = _mm512_add_pd(e1lo, k.step1), e1hi = _mm512_add_pd(e1hi, k.step1);
        e2lo = _mm512_add_pd(e2lo, k.step2), e2hi = _mm512_add_pd(e2hi, k.step2);
    }
};

// ---- depth ---------------------------------------------------------------------------------------

// clamp(z0 + l1 dz1 + l2 dz2, 0, 1) x zMax + 0.5, rounded down, for eight lanes.
VOREL_AVX512_INLINE __m512d depthHalf(const TriangleSetup& t, __m256 l1, __m256 l2, double zMax) {
    __m512d z = _mm512_add_pd(_mm512_set1_pd(t.z0), _mm512_mul_pd(_mm512_cvtps_pd(l1), _mm512_set1_pd(t.dz1)));
    z = _mm512_add_pd(z, _mm512_mul_pd(_mm512_cvtps_pd(l2), _mm512_set1_pd(t.dz2)));
    z = _mm512_min_pd(_mm512_max_pd(z, _mm512_setzero_pd()), _mm512_set1_pd(1.0));
    z = _mm512_add_pd(_mm512_mul_pd(z, _mm512_set1_pd(zMax)), _mm512_set1_pd(0.5));
    return _mm512_roundscale_pd(z, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
}

// The depth values in z-buffer units (at most 2^32 - 1, so the unsigned conversion is exact);
// of lanes 0-7 only for a half group (Half; the others 0).
template <DepthFormat D, bool Half = false>
VOREL_AVX512_INLINE __m512i depthValues(const TriangleSetup& t, __m512 l1, __m512 l2) {
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    if constexpr (Half) return _mm512_zextsi256_si512(_mm512_cvttpd_epu32(depthHalf(t, lowHalf(l1), lowHalf(l2), zMax)));
    const __m512d lo = depthHalf(t, lowHalf(l1), lowHalf(l2), zMax);
    const __m512d hi = depthHalf(t, highHalf(l1), highHalf(l2), zMax);
    return join(_mm512_cvttpd_epu32(lo), _mm512_cvttpd_epu32(hi));
}

// The less-or-equal depth test of the group's lanes at z (its depth pixels) and, when on, the
// depth write of those that pass; returns the lanes that pass.
template <DepthFormat D>
VOREL_AVX512_INLINE Lanes depthTest(const SpanState& s, const TriangleSetup& t, uint8_t* z, Group g, __m512 l1,
                                    __m512 l2) {
    const __m512i value = depthValues<D>(t, l1, l2);
    const __m512i stored = D == DepthFormat::Z16 ? load16(z, g) : load32(z, g);
    const Lanes pass = _mm512_mask_cmple_epu32_mask(g.lanes, value, stored);
    if (s.zWrite && pass) {
        if constexpr (D == DepthFormat::Z16) store16(z, g.with(pass), value);
        else store32(z, g.with(pass), value);
    }
    return pass;
}

// ---- texels --------------------------------------------------------------------------------------

// A texture as sixteen lanes see it (span_avx2.h's TextureView, widened). Texels read through it
// may come without the alpha fill (0xFF000000 for textures whose alpha does not count): whoever
// unpacks them adds it, as unpackedFill (the fill shifted right by one, alpha times 128).
struct TextureView {
    span_avx2::TextureView narrow;  // for groups read as two halves
    const int* base;
    __m512i width, height, widthMask, heightMask, unpackedFill, pitch;
    __m512 widthF, heightF;
    int rows;           // the height
    bool wrapWindows;   // rows of a power of two, at least 16, texels: fetchWrappedWindow
};

VOREL_AVX512_INLINE TextureView textureView(const span_avx2::TextureView& tv) {
    TextureView w;
    w.narrow = tv;
    w.base = tv.base;
    w.width = _mm512_broadcast_i64x4(tv.width), w.height = _mm512_broadcast_i64x4(tv.height);
    w.widthMask = _mm512_broadcast_i64x4(tv.widthMask), w.heightMask = _mm512_broadcast_i64x4(tv.heightMask);
    w.unpackedFill = _mm512_srli_epi32(_mm512_broadcast_i64x4(tv.alphaFill), 1);
    w.pitch = _mm512_broadcast_i64x4(tv.pitch);
    w.widthF = _mm512_broadcast_f32x8(tv.widthF), w.heightF = _mm512_broadcast_f32x8(tv.heightF);
    w.rows = _mm256_cvtsi256_si32(tv.height);
    w.wrapWindows = tv.powerOfTwo && tv.columns >= 16;
    return w;
}

// floor(v) as an integer, for v in the int range: one conversion rounding down, where rounding
// to a float and truncating would take three operations. Outside the range (and for infinities
// and NaN) the conversion gives INT_MIN.
VOREL_AVX512_INLINE __m512i floorToInt(__m512 v) {
    return _mm512_cvt_roundps_epi32(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
}

// t - floor(t), 0 for infinities and NaN: the floor rounded as a float (exact for every finite
// float), so the texel coordinates wait on two operations, not on a conversion there and back;
// which lanes are infinite or NaN is found beside it.
VOREL_AVX512_INLINE __m512 wrapCoordinate(__m512 t) {
    constexpr int kNaNOrInfinite = 0x01 | 0x08 | 0x10 | 0x80;  // quiet NaN, +inf, -inf, signalling NaN
    const Lanes finite = Lanes(~_mm512_fpclass_ps_mask(t, kNaNOrInfinite));
    return _mm512_maskz_sub_ps(finite, t, _mm512_roundscale_ps(t, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
}

// t x size - 1/2 for t in [0, 1]: one fused multiply-add where the size is a power of two (t x
// size is then exact, so the one rounding is the subtraction's), else the two steps.
VOREL_AVX512_INLINE __m512 scaledLessHalf(__m512 t, __m512 size, bool powerOfTwo) {
    const __m512 half = _mm512_set1_ps(0.5f);
    return powerOfTwo ? _mm512_fmsub_ps(t, size, half) : _mm512_sub_ps(_mm512_mul_ps(t, size), half);
}

// An index in [-1, size] brought into [0, size).
VOREL_AVX512_INLINE __m512i wrapIndex(__m512i i, __m512i size) {
    const Lanes below = _mm512_cmplt_epi32_mask(i, _mm512_setzero_si512());
    const Lanes above = _mm512_cmpge_epi32_mask(i, size);
    i = _mm512_mask_add_epi32(i, below, i, size);
    return _mm512_mask_sub_epi32(i, above, i, size);
}

VOREL_AVX512_INLINE __m512i wrapColumn(const TextureView& tv, __m512i x) {
    return tv.narrow.powerOfTwo ? _mm512_and_si512(x, tv.widthMask) : wrapIndex(x, tv.width);
}
VOREL_AVX512_INLINE __m512i wrapRow(const TextureView& tv, __m512i y) {
    return tv.narrow.powerOfTwo ? _mm512_and_si512(y, tv.heightMask) : wrapIndex(y, tv.height);
}

// Byte offsets of texels (x, y) of a 32-bit texture from its base.
VOREL_AVX512_INLINE __m512i texelOffsets(const TextureView& tv, __m512i x, __m512i y) {
    return _mm512_add_epi32(_mm512_mullo_epi32(y, tv.pitch), _mm512_slli_epi32(x, 2));
}

// 32-bit texels at byte offsets from the texture's base: of lanes 0-7 only for a half group
// (Half), eight loads instead of sixteen.
template <bool Half>
VOREL_AVX512_INLINE __m512i gatherTexels(const TextureView& tv, __m512i offsets) {
    if constexpr (Half) return _mm512_zextsi256_si512(_mm256_i32gather_epi32(tv.base, lowHalf(offsets), 1));
    return _mm512_i32gather_epi32(offsets, tv.base, 1);
}

// The nearest texel of each lane's (u, v) (of lanes 0-7 only for a half group).
template <bool Half = false>
VOREL_AVX512_INLINE __m512i pointTexel(const TextureView& tv, __m512 u, __m512 v) {
    __m512i ix = floorToInt(_mm512_mul_ps(wrapCoordinate(u), tv.widthF));
    __m512i iy = floorToInt(_mm512_mul_ps(wrapCoordinate(v), tv.heightF));
    ix = wrapColumn(tv, ix), iy = wrapRow(tv, iy);
    if (tv.narrow.format == TexelFormat::Argb8888) return gatherTexels<Half>(tv, texelOffsets(tv, ix, iy));
    if constexpr (Half) return _mm512_zextsi256_si512(span_avx2::fetch(tv.narrow, lowHalf(ix), lowHalf(iy)));
    return join(span_avx2::fetch(tv.narrow, lowHalf(ix), lowHalf(iy)),
                span_avx2::fetch(tv.narrow, highHalf(ix), highHalf(iy)));
}

// The four texels around each lane's (u, v) and the position between them (fx, fy in [0, 1]; 1
// only a rounding step under a texel centre, which filterBilinear takes as the next texel): c00
// top left, c10 top right, c01 bottom left, c11 bottom right.
struct BilinearTaps {
    __m512i c00, c10, c01, c11;
    __m512 fx, fy;
};

// The texels at `at` + column of each lane (columns 0 to 15).
VOREL_AVX512_INLINE __m512i windowTexels(const uint8_t* at, __m512i column) {
    return _mm512_permutexvar_epi32(column, _mm512_loadu_si512(at));
}

// y + 1 brought into the texture, for one row y of it.
inline int nextRow(const TextureView& tv, int y) {
    if (tv.narrow.powerOfTwo) return (y + 1) & (tv.rows - 1);
    return y + 1 == tv.rows ? 0 : y + 1;
}

// x0 and y0 of a group's first and last lanes (a row window's texels lie between them), taken
// to memory from one permute and read back as numbers and broadcasts: loads, where extracting and
// broadcasting lanes took a dozen shuffles. (The store is of a quarter register: a load from a
// store of the whole one would wait until it is written.)
struct alignas(16) GroupEnds {
    int32_t x0First, x0Last, y0First, y0Last;
};
static_assert(sizeof(GroupEnds) == 16, "one quarter of a register");

VOREL_AVX512_INLINE void storeEnds(__m512i x0, __m512i y0, GroupEnds* e) {
    _mm_store_si128(reinterpret_cast<__m128i*>(e),
                    _mm512_castsi512_si128(_mm512_permutex2var_epi32(x0, load(loopConstants().ends), y0)));
    asm("" : "+m"(*e));
}

// Whether every lane lies in `columns` and in texel row y0First or y0Last; *inFirst: the lanes of
// y0First. (y0 + 1 follows from y0, so lanes of one y0 share their y0 + 1 too.)
VOREL_AVX512_INLINE bool inTwoRows(const GroupEnds& e, __m512i y0, Lanes columns, Lanes* inFirst) {
    *inFirst = _mm512_mask_cmpeq_epi32_mask(columns, y0, broadcastAt(&e.y0First));
    const Lanes inLast = _mm512_mask_cmpeq_epi32_mask(columns, y0, broadcastAt(&e.y0Last));
    return _kortestc_mask16_u8(*inFirst, inLast);
}

// The taps of sixteen lanes of a 32-bit texture that sample columns x within a window of
// seventeen texels, none the last of its row, and rows y0 (and y0 + 1) of the first or the last
// lane (a magnified texture's): four loads of the window and a lane permute each, twice where
// the group crosses from one texel row to the next. False (nothing read) for other groups.
VOREL_AVX512_INLINE bool fetchWindow(const TextureView& tv, __m512i x0, __m512i y0, BilinearTaps* taps) {
    GroupEnds e;
    storeEnds(x0, y0, &e);
    // Along a row the columns run one way, so the leftmost is at one end; a lane left of it (a
    // wrap) comes out as a huge unsigned column and fails the test like one too far right.
    const int left = span_avx2::windowStart(std::min(e.x0First, e.x0Last), 17, tv.narrow.columns);
    if (left < 0) return false;
    const __m512i column = _mm512_sub_epi32(x0, broadcastFromMemory(left));
    Lanes inA;
    if (!inTwoRows(e, y0, _mm512_cmple_epu32_mask(column, load(loopConstants().fifteen)), &inA)) return false;
    const auto* base = reinterpret_cast<const uint8_t*>(tv.base) + ptrdiff_t(left) * 4;
    const ptrdiff_t pitch = tv.narrow.rowBytes;
    const uint8_t* top = base + e.y0First * pitch;
    const uint8_t* bottom = base + nextRow(tv, e.y0First) * pitch;
    taps->c00 = windowTexels(top, column), taps->c10 = windowTexels(top + 4, column);
    taps->c01 = windowTexels(bottom, column), taps->c11 = windowTexels(bottom + 4, column);
    if (e.y0First != e.y0Last) {
        const uint8_t* topB = base + e.y0Last * pitch;
        const uint8_t* bottomB = base + nextRow(tv, e.y0Last) * pitch;
        const Lanes b = Lanes(~inA);
        taps->c00 = _mm512_mask_permutexvar_epi32(taps->c00, b, column, _mm512_loadu_si512(topB));
        taps->c10 = _mm512_mask_permutexvar_epi32(taps->c10, b, column, _mm512_loadu_si512(topB + 4));
        taps->c01 = _mm512_mask_permutexvar_epi32(taps->c01, b, column, _mm512_loadu_si512(bottomB));
        taps->c11 = _mm512_mask_permutexvar_epi32(taps->c11, b, column, _mm512_loadu_si512(bottomB + 4));
    }
    return true;
}

// The two halves of a wrapped window (byte offsets in a texel row) and each lane's columns in it.
struct WrappedWindow {
    ptrdiff_t a, b;
    __m512i index, next;
    // The texels of columns index and next of the row at `row`.
    VOREL_AVX512_INLINE void texels(const uint8_t* row, __m512i* left, __m512i* right) const {
        const __m512i lo = _mm512_loadu_si512(row + a), hi = _mm512_loadu_si512(row + b);
        *left = _mm512_permutex2var_epi32(lo, index, hi), *right = _mm512_permutex2var_epi32(lo, next, hi);
    }
};

// fetchWindow for rows of a power of two, at least 16, texels: the window is 32 texels, two
// loads of sixteen from a multiple of 16 and the next one around the row (so a group may cross
// the texture's right edge, where the texture repeats), from which two-table permutes pick each
// lane's texel and its right-hand neighbour. Columns up to 30 from the window's start count.
VOREL_AVX512_INLINE bool fetchWrappedWindow(const TextureView& tv, __m512i x0, __m512i y0, BilinearTaps* taps) {
    GroupEnds e;
    storeEnds(x0, y0, &e);
    const int mask = tv.narrow.columns - 1;
    // The columns run one way around the row from one end lane: the one from which the other
    // is nearer going right.
    const int first = ((e.x0Last - e.x0First) & mask) <= ((e.x0First - e.x0Last) & mask) ? e.x0First : e.x0Last;
    const int start = first & ~15;
    const __m512i index = _mm512_and_si512(_mm512_sub_epi32(x0, broadcastFromMemory(start)), tv.widthMask);
    Lanes inA;
    if (!inTwoRows(e, y0, _mm512_cmple_epu32_mask(index, load(loopConstants().thirty)), &inA)) return false;
    const __m512i next = _mm512_add_epi32(index, load(loopConstants().one));
    const auto* base = reinterpret_cast<const uint8_t*>(tv.base);
    const ptrdiff_t pitch = tv.narrow.rowBytes, a = ptrdiff_t(start) * 4, b = ptrdiff_t((start + 16) & mask) * 4;
    const WrappedWindow w{a, b, index, next};
    w.texels(base + e.y0First * pitch, &taps->c00, &taps->c10);
    w.texels(base + nextRow(tv, e.y0First) * pitch, &taps->c01, &taps->c11);
    if (e.y0First != e.y0Last) {
        BilinearTaps last;
        w.texels(base + e.y0Last * pitch, &last.c00, &last.c10);
        w.texels(base + nextRow(tv, e.y0Last) * pitch, &last.c01, &last.c11);
        const Lanes inB = Lanes(~inA);
        taps->c00 = _mm512_mask_blend_epi32(inB, taps->c00, last.c00);
        taps->c10 = _mm512_mask_blend_epi32(inB, taps->c10, last.c10);
        taps->c01 = _mm512_mask_blend_epi32(inB, taps->c01, last.c01);
        taps->c11 = _mm512_mask_blend_epi32(inB, taps->c11, last.c11);
    }
    return true;
}

// Sixteen lanes' texel pairs, lane i's in 64-bit element i of lo (lanes 0-7) and hi (8-15), split
// into the left and the right texels by two permutes.
VOREL_AVX512_INLINE void splitPairs(__m512i lo, __m512i hi, __m512i* left, __m512i* right) {
    // Even elements are the left texels.
    const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    *left = _mm512_permutex2var_epi32(lo, even, hi);
    *right = _mm512_permutex2var_epi32(lo, _mm512_add_epi32(even, load(loopConstants().one)), hi);
}

// The 64-bit pairs at base + at[0] and base + at[1] in one quarter register.
VOREL_AVX512_INLINE __m128i twoPairs(const uint8_t* base, const int32_t* at) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[0]));
    return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(a), reinterpret_cast<const double*>(base + at[1])));
}
VOREL_AVX512_INLINE __m256i fourPairs(const uint8_t* base, const int32_t* at) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(twoPairs(base, at)), twoPairs(base, at + 2), 1);
}

// The sixteen 64-bit pairs at base + at[0..15]: plain loads, two to a quarter register.
VOREL_AVX512_INLINE void loadPairs(const uint8_t* base, const int32_t* at, __m512i* lo, __m512i* hi) {
    *lo = join(fourPairs(base, at), fourPairs(base, at + 4));
    *hi = join(fourPairs(base, at + 8), fourPairs(base, at + 12));
}

// The taps of sixteen lanes of a 32-bit texture whose x0 + 1 never wraps, rows y0 and y1 (each
// lane's texel and its right-hand neighbour side by side in memory): thirty-two plain 64-bit loads.
// The texel offsets go to memory and come back as numbers (loads; extracting lanes to general
// registers took some forty shuffles a group). Where every lane's y1 is the texel row under its
// y0, one set of offsets serves both rows. On this core (Zen 5) the loads take about 7 % fewer of
// the wide rows' samples than four gathers of eight 64-bit pairs did.
VOREL_AVX512_INLINE void loadPairTaps(const TextureView& tv, __m512i x0, __m512i y0, __m512i y1, BilinearTaps* taps) {
    alignas(64) int32_t at[32];
    _mm512_store_si512(at, texelOffsets(tv, x0, y0));
    const auto* base = reinterpret_cast<const uint8_t*>(tv.base);
    const uint8_t* below = base + tv.narrow.rowBytes;
    const int32_t* atBelow = at;
    if (_mm512_cmpneq_epi32_mask(y1, _mm512_add_epi32(y0, load(loopConstants().one))) != 0) {
        _mm512_store_si512(at + 16, texelOffsets(tv, x0, y1));
        below = base, atBelow = at + 16;
    }
    asm("" : "+m"(at));  // read back from memory
    __m512i lo, hi;
    loadPairs(base, at, &lo, &hi);
    splitPairs(lo, hi, &taps->c00, &taps->c10);
    loadPairs(below, atBelow, &lo, &hi);
    splitPairs(lo, hi, &taps->c01, &taps->c11);
}

// Texels (x, y) and (x + 1, y) of a half group (lanes 0-7) whose x + 1 never wraps: one gather of
// eight 64-bit pairs.
VOREL_AVX512_INLINE void fetchHalfPairs(const TextureView& tv, __m512i x, __m512i y, __m512i* left, __m512i* right) {
    const __m512i pairs = _mm512_i32gather_epi64(lowHalf(texelOffsets(tv, x, y)), tv.base, 1);
    // Even elements are the left texels (the index's high halves repeat its low ones).
    const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 0, 2, 4, 6, 8, 10, 12, 14);
    *left = _mm512_permutexvar_epi32(even, pairs);
    *right = _mm512_permutexvar_epi32(_mm512_add_epi32(even, load(loopConstants().one)), pairs);
}

// The taps of a half group (lanes 0-7) of a 32-bit texture: pairs where no lane's column wraps,
// else a gather of eight lanes for each tap.
VOREL_AVX512_INLINE void fetchHalfTaps(const TextureView& tv, __m512i x0, __m512i y0, BilinearTaps* taps) {
    const __m512i one = load(loopConstants().one);
    const __m512i y1 = wrapRow(tv, _mm512_add_epi32(y0, one));
    if (_mm512_mask_cmpeq_epi32_mask(0xFF, x0, tv.widthMask) == 0) {  // widthMask: width - 1 for every width
        fetchHalfPairs(tv, x0, y0, &taps->c00, &taps->c10);
        fetchHalfPairs(tv, x0, y1, &taps->c01, &taps->c11);
        return;
    }
    const __m512i x1 = wrapColumn(tv, _mm512_add_epi32(x0, one));
    taps->c00 = gatherTexels<true>(tv, texelOffsets(tv, x0, y0)), taps->c10 = gatherTexels<true>(tv, texelOffsets(tv, x1, y0));
    taps->c01 = gatherTexels<true>(tv, texelOffsets(tv, x0, y1)), taps->c11 = gatherTexels<true>(tv, texelOffsets(tv, x1, y1));
}

// How the row windows of one triangle's groups fare. A minified texture's groups hardly ever fit
// one (their sixteen lanes span more columns or texel rows than a window holds), and on a core
// with quick gathers a window tried and missed costs more than the gathers it would save: a
// triangle's groups stop trying once more of them missed a window than fitted one.
struct WindowTries {
    int found = 0, missed = 0;
    bool worthTrying() const { return missed <= found; }
    void record(bool fits) { ++(fits ? found : missed); }
};

// Row windows are tried where `windows` says so, and whether the group fitted one is recorded in
// *tries when given. Only the taps of `lanes` are read where the group goes as two halves: a half
// without lanes takes the other half's taps. A half group (Half: lanes 8-15 empty) of a 32-bit
// texture is read eight lanes at a time, without windows.
template <bool Half = false>
VOREL_AVX512_INLINE BilinearTaps bilinearTaps(const TextureView& tv, __m512 u, __m512 v, Lanes lanes, bool windows,
                                               WindowTries* tries = nullptr) {
    const __m512 x = scaledLessHalf(wrapCoordinate(u), tv.widthF, tv.narrow.powerOfTwo);
    const __m512 y = scaledLessHalf(wrapCoordinate(v), tv.heightF, tv.narrow.powerOfTwo);
    // x and y lie in [-0.5, size): their floors are exact as floats too.
    __m512i x0 = floorToInt(x), y0 = floorToInt(y);
    BilinearTaps taps;
    taps.fx = _mm512_sub_ps(x, _mm512_cvtepi32_ps(x0)), taps.fy = _mm512_sub_ps(y, _mm512_cvtepi32_ps(y0));
    // A window needs neither x1 nor y1 as vectors: they are made only where it is not taken.
    x0 = wrapColumn(tv, x0), y0 = wrapRow(tv, y0);
    if constexpr (Half) {
        if (tv.narrow.format == TexelFormat::Argb8888) {
            fetchHalfTaps(tv, x0, y0, &taps);
            return taps;
        }
    }
    if (windows && tv.narrow.format == TexelFormat::Argb8888) {
        const bool fits = tv.wrapWindows ? fetchWrappedWindow(tv, x0, y0, &taps) : fetchWindow(tv, x0, y0, &taps);
        if (tries) tries->record(fits);
        if (fits) return taps;
    }
    const __m512i one = load(loopConstants().one);
    const __m512i x1 = wrapColumn(tv, _mm512_add_epi32(x0, one)), y1 = wrapRow(tv, _mm512_add_epi32(y0, one));
    // Groups in both halves read texel pairs sixteen lanes at a time where no column wraps, and
    // each tap by a gather of its own where one does.
    if (tv.narrow.format == TexelFormat::Argb8888 && uint8_t(lanes) != 0 && lanes >> 8 != 0) {
        if (_mm512_cmpeq_epi32_mask(x0, tv.widthMask) == 0) {  // widthMask: width - 1 for every width
            loadPairTaps(tv, x0, y0, y1, &taps);
            return taps;
        }
        const __m512i top = _mm512_mullo_epi32(y0, tv.pitch), bottom = _mm512_mullo_epi32(y1, tv.pitch);
        const __m512i left = _mm512_slli_epi32(x0, 2), right = _mm512_slli_epi32(x1, 2);
        taps.c00 = _mm512_i32gather_epi32(_mm512_add_epi32(top, left), tv.base, 1);
        taps.c10 = _mm512_i32gather_epi32(_mm512_add_epi32(top, right), tv.base, 1);
        taps.c01 = _mm512_i32gather_epi32(_mm512_add_epi32(bottom, left), tv.base, 1);
        taps.c11 = _mm512_i32gather_epi32(_mm512_add_epi32(bottom, right), tv.base, 1);
        return taps;
    }
    // Otherwise as two groups of eight.
    span_avx2::BilinearTaps lo{}, hi{};
    if (uint8_t(lanes) != 0)
        span_avx2::fetchTaps(tv.narrow, lowHalf(x0), lowHalf(y0), lowHalf(x1), lowHalf(y1), &lo, windows);
    if (lanes >> 8 != 0)
        span_avx2::fetchTaps(tv.narrow, highHalf(x0), highHalf(y0), highHalf(x1), highHalf(y1), &hi, windows);
    if (uint8_t(lanes) == 0) lo = hi;
    if (lanes >> 8 == 0) hi = lo;
    taps.c00 = join(lo.c00, hi.c00), taps.c10 = join(lo.c10, hi.c10);
    taps.c01 = join(lo.c01, hi.c01), taps.c11 = join(lo.c11, hi.c11);
    return taps;
}

}  // namespace platform::d3d::span_avx512
