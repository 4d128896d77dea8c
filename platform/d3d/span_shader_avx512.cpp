// Span shading with AVX-512: the rows of wide triangles sixteen pixels at a time, the AVX2
// routine's arithmetic (and so the reference pixel stage's) lane for lane, so the pictures are the
// same bytes on every target format.
//
// Triangles at most sixty-four pixels wide have their covered pixels packed sixteen to a group
// (span_packed_avx512.h), each lane's planes evaluated at its own pixel, the pixels gathered and
// scattered. Wider triangles go row by row, with the AVX2 routine's per-triangle constants and
// row starts (span_argb_avx2.h); their runs of at most eight pixels are packed as well. The colour is the same fixed point on 16-bit lanes in the same
// order, each 128-bit quarter holding what a half of the AVX2 routine's registers holds; a row's
// ends are mask registers.

#include "platform/d3d/span_shader.h"

#include "platform/d3d/raster_options.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_argb_avx2.h"
#include "platform/d3d/span_avx512.h"
#include "platform/d3d/span_packed_avx512.h"

// GCC 12 takes the AVX-512 intrinsics' deliberately undefined source registers for values used
// uninitialized (a false warning, reported for the intrinsics' own headers).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace platform::d3d {

namespace {

using span_avx2::ArgbConstants;
using span_avx2::routineFor;
using span_avx2::kDepth;
using span_avx2::kInvW;
using span_avx2::kPlanes;
using namespace span_avx512;

// ---- attribute planes ----------------------------------------------------------------------------

// The planes along row y from the group at x: the AVX2 routine's row starts, sixteen pixels
// stepped at a time.
struct RowPlanes {
    span_avx2::RowPlanes row;
    __m512 offset;  // x - minX of the current group's lanes

    VOREL_AVX512_INLINE RowPlanes(const TriangleSetup& t, const ArgbConstants& k, int x, int y, bool depth)
        : row(t, k, x, y, depth) {
        const __m512 lanes = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        offset = _mm512_add_ps(lanes, _mm512_set1_ps(float(x - k.minX)));
    }
    VOREL_AVX512_INLINE __m512 operator()(int i) const {
        return _mm512_fmadd_ps(offset, _mm512_set1_ps(row.slope[i]), _mm512_set1_ps(row.start[i]));
    }
    // Plane i at the next group.
    VOREL_AVX512_INLINE __m512 ahead(int i) const {
        const __m512 next = _mm512_add_ps(offset, _mm512_set1_ps(16.0f));
        return _mm512_fmadd_ps(next, _mm512_set1_ps(row.slope[i]), _mm512_set1_ps(row.start[i]));
    }
    VOREL_AVX512_INLINE void next() { offset = _mm512_add_ps(offset, _mm512_set1_ps(16.0f)); }
};

// 1 / invW, 0 where invW is 0 (NaN stays NaN); of lanes 0-7 only for a half group (Half; the
// others 0), a division of eight lanes. The division does not wait for the comparison: the zero
// lanes are cleared after it (the barrier keeps the compiler from folding the clearing back into
// a masked division).
template <bool Half = false>
VOREL_AVX512_INLINE __m512 reciprocal(__m512 invW) {
    if constexpr (Half) {
        const __m256 low = lowHalf(invW);
        const __mmask8 nonZero = _mm256_cmp_ps_mask(low, _mm256_setzero_ps(), _CMP_NEQ_UQ);
        __m256 q = _mm256_div_ps(_mm256_set1_ps(1.0f), low);
        asm("" : "+v"(q));
        return _mm512_zextps256_ps512(_mm256_maskz_mov_ps(nonZero, q));
    }
    const Lanes nonZero = _mm512_cmp_ps_mask(invW, _mm512_setzero_ps(), _CMP_NEQ_UQ);
    __m512 q = _mm512_div_ps(_mm512_set1_ps(1.0f), invW);
    asm("" : "+v"(q));
    return _mm512_maskz_mov_ps(nonZero, q);
}

// ---- fixed-point colour --------------------------------------------------------------------------

// Sixteen pixels' channels in 16-bit lanes, pixel i in 32-bit lane i of both registers: blue
// (low word) and red (high word) in br, green and alpha in ga. The channels stay where a pixel's
// bytes put them, so splitting and joining take shifts and masks, no shuffles.
struct Wide {
    __m512i br, ga;
};

constexpr __mmask32 kHighWords = 0xAAAAAAAAu;  // red of br, alpha of ga

// The integer constants of the colour arithmetic (see LoopConstants).
using ColourConstants = LoopConstants;

// Each byte of 0xAARRGGBB pixels, times 128, in the 16-bit lane the layout gives it, with the
// texture's alpha fill.
VOREL_AVX512_INLINE Wide unpackTexels(const ColourConstants& cc, const TextureView& tv, __m512i argb) {
    const __m512i bytes = load(cc.channelBytes);
    // ga = ((argb >> 1) & bytes) | fill
    return {_mm512_and_si512(_mm512_slli_epi32(argb, 7), bytes),
            _mm512_ternarylogic_epi32(_mm512_srli_epi32(argb, 1), bytes, tv.unpackedFill, 0xEA)};
}

// One 16-bit value per pixel (the low half of each 32-bit lane) repeated on its four channels.
VOREL_AVX512_INLINE Wide spread(__m512i v) {
    const __m512i both = _mm512_or_si512(v, _mm512_slli_epi32(v, 16));
    return {both, both};
}

// Four 32-bit channel lanes, each in [0, 32767].
VOREL_AVX512_INLINE Wide interleave(__m512i b, __m512i g, __m512i r, __m512i a) {
    return {_mm512_or_si512(b, _mm512_slli_epi32(r, 16)), _mm512_or_si512(g, _mm512_slli_epi32(a, 16))};
}

// A colour of 16-bit channels packed as b, g, r, a from the low word up, on every pixel.
VOREL_AVX512_INLINE Wide everyPixel(int64_t bgra) {
    const auto b = uint32_t(bgra & 0xFFFF), g = uint32_t((bgra >> 16) & 0xFFFF);
    const auto r = uint32_t((bgra >> 32) & 0xFFFF), a = uint32_t((bgra >> 48) & 0xFFFF);
    return {_mm512_set1_epi32(int(b | r << 16)), _mm512_set1_epi32(int(g | a << 16))};
}

// What a triangle's rows share besides ArgbConstants.
struct WideConstants {
    EdgeConstants edges;
    TextureView tv;
    Wide fogColor;
};

VOREL_AVX512_INLINE WideConstants wideConstants(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k) {
    return {edgeConstants(t), textureView(k.base.tv), everyPixel(packedFogColour(s))};
}

// v clamped to [0, 1] (NaN gives 0).
VOREL_AVX512_INLINE __m512 clampUnit(__m512 v) {
    return _mm512_min_ps(_mm512_max_ps(v, _mm512_setzero_ps()), _mm512_set1_ps(1.0f));
}

// v x scale clamped to [0, 32767] (NaN gives 0), rounded: a 0.15 fraction in each 32-bit lane.
VOREL_AVX512_INLINE __m512i fraction15(__m512 v, __m512 scale) {
    const __m512 p = _mm512_max_ps(_mm512_mul_ps(v, scale), _mm512_setzero_ps());
    return _mm512_cvtps_epi32(_mm512_min_ps(p, _mm512_set1_ps(float(fixed::kFraction))));
}

VOREL_AVX512_INLINE __m512i scale(__m512i v, __m512i f) { return _mm512_mulhrs_epi16(v, f); }
VOREL_AVX512_INLINE __m512i mix(__m512i a, __m512i b, __m512i f) {
    return _mm512_add_epi16(a, scale(_mm512_sub_epi16(b, a), f));
}

// A filter weight of each pixel repeated on its four channels, 32768 (a whole texel) as 0.
VOREL_AVX512_INLINE Wide spreadWeight(const ColourConstants& cc, __m512 f) {
    const __m512i v = _mm512_cvttps_epi32(_mm512_mul_ps(f, _mm512_set1_ps(fixed::kWeightScale)));
    // (v | v << 16) & 0x7FFF7FFF
    const __m512i both = _mm512_ternarylogic_epi32(v, _mm512_slli_epi32(v, 16), load(cc.weightBits), 0xA8);
    return {both, both};
}

VOREL_AVX512_INLINE Wide filterBilinear(const ColourConstants& cc, const TextureView& tv, BilinearTaps taps) {
    const Wide wx = spreadWeight(cc, taps.fx), wy = spreadWeight(cc, taps.fy);
    // A position a rounding step under a texel centre (x = -2^-25) is 1 from the texel before it,
    // which rounds to 1: a whole texel's weight, which gives the next texel. Its weight taken
    // as 0, the next texel is made the first too (a mix of a texel with itself is that texel).
    const __m512 unit = _mm512_set1_ps(1.0f);
    if (_mm512_cmpeq_ps_mask(_mm512_max_ps(taps.fx, taps.fy), unit) != 0) [[unlikely]] {
        const Lanes wholeY = _mm512_cmpeq_ps_mask(taps.fy, unit), wholeX = _mm512_cmpeq_ps_mask(taps.fx, unit);
        taps.c00 = _mm512_mask_mov_epi32(taps.c00, wholeY, taps.c01), taps.c10 = _mm512_mask_mov_epi32(taps.c10, wholeY, taps.c11);
        taps.c00 = _mm512_mask_mov_epi32(taps.c00, wholeX, taps.c10), taps.c01 = _mm512_mask_mov_epi32(taps.c01, wholeX, taps.c11);
    }
    const Wide c00 = unpackTexels(cc, tv, taps.c00), c10 = unpackTexels(cc, tv, taps.c10);
    const Wide c01 = unpackTexels(cc, tv, taps.c01), c11 = unpackTexels(cc, tv, taps.c11);
    const __m512i topBr = mix(c00.br, c10.br, wx.br), bottomBr = mix(c01.br, c11.br, wx.br);
    const __m512i topGa = mix(c00.ga, c10.ga, wx.ga), bottomGa = mix(c01.ga, c11.ga, wx.ga);
    return {mix(topBr, bottomBr, wy.br), mix(topGa, bottomGa, wy.ga)};
}

VOREL_AVX512_INLINE __m512i operand(const ColourConstants& cc, StageOperand op, __m512i texel, __m512i diffuse) {
    switch (op) {
        case StageOperand::One: return load(cc.full);
        case StageOperand::Texture: return texel;
        case StageOperand::TextureTimesDiffuse: return scale(texel, diffuse);
        default: return scale(diffuse, load(cc.full));
    }
}

VOREL_AVX512_INLINE Wide stage0(const SpanState& s, const ColourConstants& cc, const Wide& texel, const Wide& diffuse) {
    Wide c{operand(cc, s.colorFrom, texel.br, diffuse.br), operand(cc, s.colorFrom, texel.ga, diffuse.ga)};
    if (s.targetAlpha && s.alphaFrom != s.colorFrom)
        c.ga = _mm512_mask_blend_epi16(kHighWords, c.ga, operand(cc, s.alphaFrom, texel.ga, diffuse.ga));
    return c;
}

// f c + (1 - f) fog colour on b, g, r, for f in [0, 1]; alpha kept.
VOREL_AVX512_INLINE void applyFog(Wide* c, __m512 f, const Wide& fogColor) {
    const Wide w = spread(_mm512_cvtps_epi32(_mm512_mul_ps(f, _mm512_set1_ps(float(fixed::kFraction)))));
    c->br = mix(fogColor.br, c->br, w.br);
    c->ga = _mm512_mask_blend_epi16(kHighWords, mix(fogColor.ga, c->ga, w.ga), c->ga);
}

// Each channel plus a half (of a byte's 128), below 0 where the sum wraps: the rounding of
// channels to bytes, whose saturation gives 0 there.
VOREL_AVX512_INLINE __m512i roundedHalf(const ColourConstants& cc, __m512i c) {
    return _mm512_max_epi16(_mm512_add_epi16(c, load(cc.half)), _mm512_setzero_si512());
}

// The channels rounded to bytes in their words: blue and red as in 0x00RR00BB, green in the low
// byte of g (the high word of g holds alpha).
struct Bytes {
    __m512i rb, g;
};

VOREL_AVX512_INLINE Bytes roundBytes(const ColourConstants& cc, const Wide& c) {
    return {_mm512_srli_epi16(roundedHalf(cc, c.br), 7), _mm512_srli_epi16(roundedHalf(cc, c.ga), 7)};
}

// The channels rounded to bytes: sixteen 0xAARRGGBB pixels in order.
VOREL_AVX512_INLINE __m512i packPixels(const ColourConstants& cc, const Wide& c) {
    const __m512i ga = roundedHalf(cc, c.ga);
    // br >> 7 in the low byte of each word, (ga >> 7) << 8 = (ga << 1) & 0xFF00 in the high one.
    return _mm512_ternarylogic_epi32(_mm512_srli_epi16(roundedHalf(cc, c.br), 7), _mm512_add_epi16(ga, ga),
                                     load(cc.highBytes), 0xF8);
}

// The texels a pixel's colour starts from, as read: none, the nearest one, or the four taps.
template <TexelFilter T>
struct Texels {};
template <>
struct Texels<TexelFilter::Point> {
    __m512i texel;
};
template <>
struct Texels<TexelFilter::Bilinear> {
    BilinearTaps taps;
};

// The texels of sixteen pixels from their planes and w = 1 / invW, of which only `lanes` count.
// They are read through row windows where `windows` says they are worth trying; a half group's
// (Half: lanes 8-15 empty) are read eight lanes at a time.
template <TexelFilter T, bool Half = false, class Planes>
VOREL_AVX512_INLINE Texels<T> readTexels(const TextureView& tv, const Planes& planes, __m512 w, Lanes lanes,
                                         bool windows, WindowTries* tries = nullptr) {
    if constexpr (T == TexelFilter::Point)
        return {pointTexel<Half>(tv, _mm512_mul_ps(planes(kU), w), _mm512_mul_ps(planes(kV), w))};
    else if constexpr (T == TexelFilter::Bilinear)
        return {bilinearTaps<Half>(tv, _mm512_mul_ps(planes(kU), w), _mm512_mul_ps(planes(kV), w), lanes, windows, tries)};
    else
        return {};
}

// The texture's channels of sixteen pixels from their texels as read (none: zero).
template <TexelFilter T>
VOREL_AVX512_INLINE Wide texelChannels(const ColourConstants& cc, const TextureView& tv, const Texels<T>& texels) {
    Wide texel{};
    if constexpr (T == TexelFilter::Point) texel = unpackTexels(cc, tv, texels.texel);
    if constexpr (T == TexelFilter::Bilinear) texel = filterBilinear(cc, tv, texels.taps);
    return texel;
}

// Stage 0 and fog of sixteen pixels from their planes, w = 1 / invW and their texture channels
// (texelChannels): their channels (lanes the texels were not read for may come out as anything).
// (k: ArgbConstants or SmallConstants, for its diffuse and fogScalesDiffuse.)
template <class Planes, class Constants>
VOREL_AVX512_INLINE Wide colourOfTexel(const SpanState& s, const Constants& k, const ColourConstants& cc,
                                       const Wide& fogColor, const Planes& planes, __m512 w, const Wide& texel) {
    const __m512 w15 = _mm512_mul_ps(w, _mm512_set1_ps(fixed::kWeightScale));
    __m512 colorW15 = w15;
    if (k.fogScalesDiffuse) colorW15 = _mm512_mul_ps(w15, clampUnit(_mm512_mul_ps(planes(kFog), w)));
    Wide diffuse{};
    if (k.diffuse) {
        const __m512i a = s.targetAlpha ? fraction15(planes(kAlpha), w15) : _mm512_setzero_si512();
        diffuse = interleave(fraction15(planes(kBlue), colorW15), fraction15(planes(kGreen), colorW15),
                             fraction15(planes(kRed), colorW15), a);
    }
    Wide c = stage0(s, cc, texel, diffuse);
    if (s.fog && !k.fogScalesDiffuse) applyFog(&c, clampUnit(_mm512_mul_ps(planes(kFog), w)), fogColor);
    return c;
}

// colourOfTexel from the texels as read.
template <TexelFilter T, class Planes, class Constants>
VOREL_AVX512_INLINE Wide colourOf(const SpanState& s, const Constants& k, const TextureView& tv,
                                  const ColourConstants& cc, const Wide& fogColor, const Planes& planes, __m512 w,
                                  const Texels<T>& texels) {
    return colourOfTexel(s, k, cc, fogColor, planes, w, texelChannels<T>(cc, tv, texels));
}

// readTexels, then colourOf.
template <TexelFilter T, bool Half = false, class Planes, class Constants>
VOREL_AVX512_INLINE Wide shadeColour(const SpanState& s, const Constants& k, const TextureView& tv,
                                      const ColourConstants& cc, const Wide& fogColor, const Planes& planes, __m512 w,
                                      Lanes lanes, bool windows, WindowTries* tries = nullptr) {
    return colourOf<T>(s, k, tv, cc, fogColor, planes, w, readTexels<T, Half>(tv, planes, w, lanes, windows, tries));
}

// ---- depth ---------------------------------------------------------------------------------------

// The AVX2 routine's quick depth test on sixteen lanes: decides `*lanes` from the depth plane z
// where every lane is further than the margin from its stored value (then keeps the passing
// lanes and says true); false, the lanes untouched, when some lane needs the exact test.
// (A 32-bit stored value converts rounded to nearest, closer than the AVX2 routine's two steps,
// which the margin allows for.)
template <DepthFormat D>
VOREL_AVX512_INLINE bool quickDepthTest(const ArgbConstants& k, const uint8_t* at, __m512 z, Group* g) {
    constexpr float zMax = D == DepthFormat::Z16 ? 65535.0f : 4294967295.0f;  // float(k.zMax)
    const __m512 stored = D == DepthFormat::Z16 ? _mm512_cvtepi32_ps(load16(at, *g)) : _mm512_cvtepu32_ps(load32(at, *g));
    z = _mm512_min_ps(_mm512_max_ps(z, _mm512_setzero_ps()), _mm512_set1_ps(zMax));
    const __m512 margin = _mm512_set1_ps(k.depthMargin);
    const Lanes pass = _mm512_mask_cmp_ps_mask(g->lanes, _mm512_add_ps(z, margin), stored, _CMP_LT_OQ);
    const Lanes fail = _mm512_mask_cmp_ps_mask(g->lanes, _mm512_sub_ps(z, margin), stored, _CMP_GT_OQ);
    if ((pass | fail) != g->lanes) return false;
    g->lanes = pass;
    return true;
}

// ---- target writes ------------------------------------------------------------------------------

// A 565 or 555 target's pixels (zero-extended in 32-bit lanes) as bytes, widened by bit
// replication (alpha 0).
template <TargetFormat F>
VOREL_AVX512_INLINE Bytes widenTarget(__m512i old) {
    constexpr bool k565 = F == TargetFormat::Rgb565;
    __m512i rb = _mm512_or_si512(_mm512_and_si512(_mm512_slli_epi32(old, k565 ? 5 : 6), _mm512_set1_epi32(0x1F0000)),
                                 _mm512_and_si512(old, _mm512_set1_epi32(0x1F)));
    rb = _mm512_or_si512(_mm512_slli_epi16(rb, 3), _mm512_srli_epi16(rb, 2));
    __m512i g = _mm512_and_si512(_mm512_srli_epi32(old, 5), _mm512_set1_epi32(k565 ? 0x3F : 0x1F));
    g = k565 ? _mm512_or_si512(_mm512_slli_epi32(g, 2), _mm512_srli_epi32(g, 4))
             : _mm512_or_si512(_mm512_slli_epi32(g, 3), _mm512_srli_epi32(g, 2));
    return {rb, g};
}

VOREL_AVX512_INLINE Bytes addSaturated(const Bytes& a, const Bytes& b) {
    return {_mm512_adds_epu8(a.rb, b.rb), _mm512_adds_epu8(a.g, b.g)};
}

// (v x top + threshold) / 255 on 16-bit lanes, the division as (x x 32897) >> 23.
VOREL_AVX512_INLINE __m512i quantize(__m512i v, __m512i top, __m512i threshold) {
    const __m512i x = _mm512_add_epi16(_mm512_mullo_epi16(v, top), threshold);
    return _mm512_srli_epi16(_mm512_mulhi_epu16(x, _mm512_set1_epi16(int16_t(32897))), 7);
}

// Pixels as the target's 16-bit values (in the low words of 32-bit lanes; the high words are
// anything), dithered with the threshold.
template <TargetFormat F>
VOREL_AVX512_INLINE __m512i encode16(__m512i threshold, const Bytes& px) {
    constexpr bool k565 = F == TargetFormat::Rgb565;
    const __m512i rb = quantize(px.rb, _mm512_set1_epi16(31), threshold);
    // The high word of g (alpha) lands above bit 16.
    const __m512i g = quantize(px.g, _mm512_set1_epi16(k565 ? 63 : 31), threshold);
    __m512i raw = _mm512_or_si512(_mm512_srli_epi32(rb, k565 ? 5 : 6), _mm512_and_si512(rb, _mm512_set1_epi32(0x1F)));
    return _mm512_or_si512(raw, _mm512_slli_epi32(g, 5));
}

template <TargetFormat F>
VOREL_AVX512_INLINE void write16(const SpanState& s, const ColourConstants& cc, uint8_t* p, Group at, __m512i threshold,
                                 const Wide& c) {
    Bytes px = roundBytes(cc, c);
    if (s.additive) px = addSaturated(px, widenTarget<F>(load16(p, at)));
    store16(p, at, encode16<F>(threshold, px));
}

// ONE/ONE on a 32-bit target: src added to the old pixels with saturation; the alpha byte
// cleared on targets without alpha (the bytes saturate one by one, so their alpha sum is moot).
VOREL_AVX512_INLINE __m512i blendArgb(const SpanState& s, const ColourConstants& cc, __m512i src, __m512i old) {
    if (s.additive) src = _mm512_adds_epu8(src, old);
    if (!s.targetAlpha) src = _mm512_and_si512(src, load(cc.colourBytes));
    return src;
}

template <TargetFormat F>
VOREL_AVX512_INLINE void writePixels(const SpanState& s, const ColourConstants& cc, uint8_t* p, Group g,
                                     __m512i threshold, const Wide& c) {
    if constexpr (F == TargetFormat::Argb8888)
        store32(p, g, blendArgb(s, cc, packPixels(cc, c), s.additive ? load32(p, g) : _mm512_setzero_si512()));
    else
        write16<F>(s, cc, p, g, threshold, c);
}

// ---- the walk ------------------------------------------------------------------------------------

// Asks for every cache line that holds one of the `bytes` bytes from `first` (rows are not
// aligned to lines, so the lines are counted from the address, not from the row's start).
inline void prefetchLines(const uint8_t* first, ptrdiff_t bytes) {
    constexpr uintptr_t kLine = 64;
    const uintptr_t last = reinterpret_cast<uintptr_t>(first) + uintptr_t(bytes) - 1;
    for (uintptr_t at = reinterpret_cast<uintptr_t>(first) & ~(kLine - 1); at <= last; at += kLine)
        _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
}

// Asks for the cache lines of row y's depth and target pixels x0..x1, so that they arrive while
// the row before is shaded: a frame's clear leaves most of both surfaces out of the nearest
// caches, and a wide triangle's rows start on new lines the hardware prefetcher does not foresee.
template <TargetFormat F, DepthFormat D>
VOREL_AVX512_INLINE void prefetchRow(const SpanState& s, int y, int x0, int x1) {
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    prefetchLines(s.color + y * s.colorPitch + x0 * bpp, (x1 - x0 + 1) * bpp);
    if constexpr (D != DepthFormat::None) prefetchLines(s.z + y * s.zPitch + x0 * zBytes, (x1 - x0 + 1) * zBytes);
}

// The covered run x0..x1 of row y, sixteen pixels at a time; *windows: the triangle's window
// tries so far, carried from row to row.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512_INLINE void shadeSpan(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k,
                                   const WideConstants& w16, int y, int x0, int x1, WindowTries* windows) {
    WindowTries tries = *windows;  // a local copy the loop keeps in registers
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    RowPlanes planes(t, k, x0, y, D != DepthFormat::None && k.quickDepth);
    // Groups start sixteen apart, so every group has the first one's dither phase.
    const __m512i threshold = _mm512_broadcast_i64x4(span_avx2::rowThreshold<F>(s, x0, y));
    // Without depth writes the quick test decides almost every group: the exact edge values are
    // then made only for the groups it leaves (the same integers as stepped ones).
    EdgeSteps edges;
    if constexpr (D != DepthFormat::None)
        if (!k.quickDepth) edges = EdgeSteps(t, w16.edges, x0, y);
    uint8_t* color = s.color + y * s.colorPitch + x0 * bpp;
    uint8_t* z = D == DepthFormat::None ? nullptr : s.z + y * s.zPitch + x0 * zBytes;
    // Each group's division starts a group early: the texel reads wait on it.
    __m512 w = reciprocal(planes(kInvW));
    for (int x = x0; x <= x1; x += 16, planes.next(), color += 16 * bpp) {
        const __m512 wHere = w;
        if (x + 16 <= x1) w = reciprocal(planes.ahead(kInvW));
        Group g{firstLanes(x1 - x + 1), x + 16 <= s.width};
        if constexpr (D != DepthFormat::None) {
            const bool decided = k.quickDepth && quickDepthTest<D>(k, z, planes(kDepth), &g);
            if (!decided) {
                if (k.quickDepth) edges = EdgeSteps(t, w16.edges, x, y);
                __m512 l1, l2;
                edges.weightsNow(w16.edges, &l1, &l2);
                g.lanes = depthTest<D>(s, t, z, g, l1, l2);
            }
            if (!k.quickDepth) edges.advance(w16.edges);
            z += 16 * zBytes;
        }
        if (g.lanes == 0) continue;
        const ColourConstants& cc = loopConstants();
        const Wide c = shadeColour<T>(s, k, w16.tv, cc, w16.fogColor, planes, wHere, g.lanes, tries.worthTrying(), &tries);
        writePixels<F>(s, cc, color, g, threshold, c);
    }
    *windows = tries;
}

// ---- small triangles, their pixels packed -------------------------------------------------------

// What the packed groups of one triangle share, made without ArgbConstants' row and quick-depth
// constants for a small triangle, or taken from them for a wide one's short runs: the planes of
// attribute_planes.h (kInvW last), the texture (borrowed from whoever made these), the fog and,
// with depth, edges 1 and 2 at the corner (minX, minY) and their change per column and per row
// (exact integers in double).
struct SmallConstants {
    alignas(32) float corner[kPlaneCount], down[kPlaneCount], right[kPlaneCount];
    int minX, minY;
    bool diffuse, fogScalesDiffuse;
    const TextureView* tv;
    Wide fogColor;
    __m512d edgeCorner[2], edgeRight[2], edgeDown[2], invArea;
};

// float(double(d1) x r1 + double(d2) x r2) on eight lanes.
VOREL_AVX512_INLINE __m256 planeSlopes(__m256 d1, __m256 d2, double r1, double r2) {
    const __m512d sum = _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(d1), _mm512_set1_pd(r1)),
                                      _mm512_mul_pd(_mm512_cvtps_pd(d2), _mm512_set1_pd(r2)));
    return _mm512_cvtpd_ps(sum);
}

// trianglePlanes on eight lanes at once: the same operations, so the same floats.
VOREL_AVX512_INLINE void smallPlanes(const TriangleSetup& t, SmallConstants* c) {
    static_assert(kPlaneCount == 8 && kInvWPlane == 7, "the attributes, then 1/w, one a lane");
    const __m256 a0 = _mm256_mask_loadu_ps(_mm256_set1_ps(t.w0), 0x7F, t.a0);
    const __m256 da1 = _mm256_mask_loadu_ps(_mm256_set1_ps(t.dw1), 0x7F, t.da1);
    const __m256 da2 = _mm256_mask_loadu_ps(_mm256_set1_ps(t.dw2), 0x7F, t.da2);
    float l1, l2;
    centreWeights(t, t.minX, t.minY, &l1, &l2);
    const __m256 corner = _mm256_add_ps(_mm256_add_ps(a0, _mm256_mul_ps(_mm256_set1_ps(l1), da1)),
                                        _mm256_mul_ps(_mm256_set1_ps(l2), da2));
    _mm256_store_ps(c->corner, corner);
    _mm256_store_ps(c->right, planeSlopes(da1, da2, double(t.edge[1].a) * t.invArea, double(t.edge[2].a) * t.invArea));
    _mm256_store_ps(c->down, planeSlopes(da1, da2, double(t.edge[1].b) * t.invArea, double(t.edge[2].b) * t.invArea));
}

// The corner and, with depth, the edges.
template <DepthFormat D>
VOREL_AVX512_INLINE void smallEdges(const TriangleSetup& t, SmallConstants* c) {
    c->minX = t.minX, c->minY = t.minY;
    if constexpr (D != DepthFormat::None) {
        for (int i = 0; i < 2; ++i) {
            c->edgeCorner[i] = _mm512_set1_pd(double(edgeAt(t, i + 1, t.minX, t.minY)));
            c->edgeRight[i] = _mm512_set1_pd(double(t.edge[i + 1].a));
            c->edgeDown[i] = _mm512_set1_pd(double(t.edge[i + 1].b));
        }
        c->invArea = _mm512_set1_pd(t.invArea);
    }
}

// A small triangle's constants, reading its texture through tv.
template <DepthFormat D>
VOREL_AVX512_INLINE void smallConstants(const SpanState& s, const TriangleSetup& t, const TextureView* tv,
                                        SmallConstants* c) {
    smallPlanes(t, c);
    c->tv = tv;
    c->fogColor = everyPixel(packedFogColour(s));
    c->diffuse = readsDiffuseColour(s);
    c->fogScalesDiffuse = fogScalesDiffuse(s);
    smallEdges<D>(t, c);
}

// A wide triangle's constants for its short runs, from those of its rows: trianglePlanes' floats
// are smallPlanes' (the same operations), and the texture and fog are the same state's.
template <DepthFormat D>
VOREL_AVX512_INLINE void smallConstantsFrom(const TriangleSetup& t, const ArgbConstants& k, const WideConstants& w16,
                                            SmallConstants* c) {
    static_assert(kPlanes > kPlaneCount, "the row constants' slopes start with the planes'");
    _mm256_store_ps(c->corner, k.corner);
    _mm256_store_ps(c->down, k.down);
    _mm256_store_ps(c->right, _mm256_loadu_ps(k.slope));
    c->tv = &w16.tv;
    c->fogColor = w16.fogColor;
    c->diffuse = k.diffuse;
    c->fogScalesDiffuse = k.fogScalesDiffuse;
    smallEdges<D>(t, c);
}

// The planes at sixteen pixels anywhere in the triangle: each lane's row start, then its own
// pixel, one fused multiply-add each as along a row.
struct PackedPlanes {
    const SmallConstants& k;
    __m512 rows, columns;  // y - minY and x - minX of each lane

    VOREL_AVX512_INLINE __m512 operator()(int i) const {
        const __m512 start = _mm512_fmadd_ps(rows, _mm512_set1_ps(k.down[i]), _mm512_set1_ps(k.corner[i]));
        return _mm512_fmadd_ps(columns, _mm512_set1_ps(k.right[i]), start);
    }
};

// Edge 1 + i at eight pixels dx, dy from the corner.
VOREL_AVX512_INLINE __m512d packedEdge(const SmallConstants& k, int i, __m256i dx, __m256i dy) {
    const __m512d step = _mm512_add_pd(_mm512_mul_pd(_mm512_cvtepi32_pd(dx), k.edgeRight[i]),
                                       _mm512_mul_pd(_mm512_cvtepi32_pd(dy), k.edgeDown[i]));
    return _mm512_add_pd(k.edgeCorner[i], step);
}

// The reference's weight of edge 1 + i at sixteen pixels dx, dy from the corner (at lanes 0-7 only
// for a half group, the others 0).
template <bool Half>
VOREL_AVX512_INLINE __m512 packedWeight(const SmallConstants& k, int i, __m512i dx, __m512i dy) {
    if constexpr (Half)
        return _mm512_zextps256_ps512(_mm512_cvtpd_ps(_mm512_mul_pd(packedEdge(k, i, lowHalf(dx), lowHalf(dy)), k.invArea)));
    return weights(packedEdge(k, i, lowHalf(dx), lowHalf(dy)), packedEdge(k, i, highHalf(dx), highHalf(dy)), k.invArea);
}

// What a packed group keeps from its reads for its writes: its colour (packedSource, made from its
// texels and planes), the target's old pixels where the state reads them (blended only in the
// writes, so a gather that missed is waited for one group later) and, with depth, the depth
// buffer's values and the group's own.
struct PackedReads {
    Bytes source;
    __m512i old;  // raw; 16-bit ones zero-extended
    __m512i positions, depth, stored;
    Lanes lanes;  // the covered lanes, before the depth test
};

VOREL_AVX512_INLINE PackedPlanes packedPlanes(const SmallConstants& k, __m512i positions) {
    const __m512i dx = _mm512_sub_epi32(packedX(positions), _mm512_set1_epi32(k.minX));
    const __m512i dy = _mm512_sub_epi32(packedY(positions), _mm512_set1_epi32(k.minY));
    return {k, _mm512_cvtepi32_ps(dy), _mm512_cvtepi32_ps(dx)};
}

// A packed group's colour before the blend, into *out: 32-bit pixels in rb (g is neither written
// nor read, a store less in every group), or a 16-bit target's bytes.
template <TargetFormat F>
VOREL_AVX512_INLINE void packedSource(const ColourConstants& cc, const Wide& c, Bytes* out) {
    if constexpr (F == TargetFormat::Argb8888) out->rb = packPixels(cc, c);
    else *out = roundBytes(cc, c);
}

// The pixels a packed group writes at (x, y) from its colour and the target's old pixels (ONE/ONE):
// 32-bit ones, or 16-bit ones in the low words.
template <TargetFormat F>
VOREL_AVX512_INLINE __m512i packedPixels(const SpanState& s, const ColourConstants& cc, __m512i x, __m512i y,
                                         const Bytes& source, __m512i old) {
    if constexpr (F == TargetFormat::Argb8888) {
        return blendArgb(s, cc, source.rb, old);
    } else {
        const __m512i threshold = s.dither ? kDitherSquare.at(x, y) : _mm512_set1_epi16(127);
        return encode16<F>(threshold, s.additive ? addSaturated(source, widenTarget<F>(old)) : source);
    }
}

// A packed group's reads and its colour (the first half of its work). A half group (Half: lanes
// 8-15 empty) has its gathers, division and double arithmetic made on eight lanes. The colour is
// made here, for lanes the depth test may still discard too: a group waiting for its writes holds
// its colour and old pixels, not its texels, weights and 1/w.
template <TargetFormat F, DepthFormat D, TexelFilter T, bool Half>
VOREL_AVX512 void readPacked(const SpanState& s, const TriangleSetup& t, const SmallConstants& k, __m512i positions,
                             Lanes lanes, PackedReads* r) {
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    const __m512i x = packedX(positions), y = packedY(positions);
    r->positions = positions, r->lanes = lanes;
    r->old = _mm512_setzero_si512();
    if (s.additive) {
        const __m512i at = pixelOffsets(x, y, s.colorPitch, bpp);
        r->old = F == TargetFormat::Argb8888 ? gather32<Half>(s.color, at, lanes) : gather16<Half>(s.color, at, lanes);
    }
    if constexpr (D != DepthFormat::None) {
        const __m512i dx = _mm512_sub_epi32(x, _mm512_set1_epi32(k.minX));
        const __m512i dy = _mm512_sub_epi32(y, _mm512_set1_epi32(k.minY));
        r->depth = depthValues<D, Half>(t, packedWeight<Half>(k, 0, dx, dy), packedWeight<Half>(k, 1, dx, dy));
        const __m512i zAt = pixelOffsets(x, y, s.zPitch, D == DepthFormat::Z16 ? 2 : 4);
        r->stored = D == DepthFormat::Z16 ? gather16<Half>(s.z, zAt, lanes) : gather32<Half>(s.z, zAt, lanes);
    }
    const PackedPlanes planes = packedPlanes(k, positions);
    const __m512 w = reciprocal<Half>(planes(kInvW));
    // The lanes come from several rows of pixels, so their texels hardly ever lie in the one or
    // two texel rows of a window (under one group in a hundred in the story's views): trying
    // costs more than it saves.
    const ColourConstants& cc = loopConstants();
    const Wide texel = texelChannels<T>(cc, *k.tv, readTexels<T, Half>(*k.tv, planes, w, lanes, false));
    packedSource<F>(cc, colourOfTexel(s, k, cc, k.fogColor, planes, w, texel), &r->source);
}

// A packed group's depth test and writes, from its reads (the second half of its work).
template <TargetFormat F, DepthFormat D, TexelFilter T, bool Half>
VOREL_AVX512 void writePacked(const SpanState& s, const PackedReads& r) {
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    const __m512i x = packedX(r.positions), y = packedY(r.positions);
    Lanes lanes = r.lanes;
    if constexpr (D != DepthFormat::None) {
        lanes = _mm512_mask_cmple_epu32_mask(lanes, r.depth, r.stored);
        if (lanes == 0) return;
        if (s.zWrite) {
            const __m512i zAt = pixelOffsets(x, y, s.zPitch, D == DepthFormat::Z16 ? 2 : 4);
            if constexpr (D == DepthFormat::Z16) scatter16<Half>(s.z, zAt, lanes, r.depth);
            else scatter32<Half>(s.z, zAt, lanes, r.depth);
        }
    }
    const __m512i pixels = packedPixels<F>(s, loopConstants(), x, y, r.source, r.old);
    const __m512i at = pixelOffsets(x, y, s.colorPitch, bpp);
    if constexpr (F == TargetFormat::Argb8888) scatter32<Half>(s.color, at, lanes, pixels);
    else scatter16<Half>(s.color, at, lanes, pixels);
}

// A packed group's reads: a half group where lanes 8-15 are empty (a triangle's last group, or its
// only one).
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512_INLINE void readGroup(const SpanState& s, const TriangleSetup& t, const SmallConstants& k,
                                   __m512i positions, Lanes lanes, PackedReads* r) {
    if (lanes <= 0xFF) readPacked<F, D, T, true>(s, t, k, positions, lanes, r);
    else readPacked<F, D, T, false>(s, t, k, positions, lanes, r);
}

template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512_INLINE void writeGroup(const SpanState& s, const PackedReads& r) {
    if (r.lanes <= 0xFF) writePacked<F, D, T, true>(s, r);
    else writePacked<F, D, T, false>(s, r);
}

// One packed group, its reads and then its writes.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512_INLINE void shadeGroup(const SpanState& s, const TriangleSetup& t, const SmallConstants& k, __m512i positions,
                                    Lanes lanes) {
    PackedReads r;
    readGroup<F, D, T>(s, t, k, positions, lanes, &r);
    writeGroup<F, D, T>(s, r);
}

// The 512-bit view of the state's texture, made again only when the texture differs from the one
// this thread's small triangles read last: the view is made from the texture's address, size,
// pitch, format and alpha alone, which are compared. A call's small triangles all read one
// texture, and making the view (a dozen broadcasts and about 0.8 KB of stores) for every triangle
// cost about as much as the block walk of its first rows.
VOREL_AVX512 const TextureView& smallTextureView(const SpanState& s) {
    struct Made {
        const uint8_t* texels;
        ptrdiff_t pitch;
        int width, height;
        TexelFormat format;
        bool alpha, made;
        TextureView view;
    };
    alignas(64) thread_local Made last{};
    if (!last.made || last.texels != s.texels || last.pitch != s.texPitch || last.width != s.texWidth ||
        last.height != s.texHeight || last.format != s.texFormat || last.alpha != s.texAlpha) [[unlikely]] {
        last.texels = s.texels, last.pitch = s.texPitch, last.width = s.texWidth, last.height = s.texHeight;
        last.format = s.texFormat, last.alpha = s.texAlpha, last.made = true;
        last.view = textureView(span_avx2::textureView(s));
    }
    return last.view;
}

// A triangle at most sixty-four pixels wide, its covered pixels packed sixteen to a group. The groups
// are overlapped: each group's reads are made before the writes of the group before it, so that
// the next group's texel coordinates and gathers (a chain of about a hundred cycles) run while
// this one's colour is made and written. The groups of one triangle never share a pixel, so a
// read moved ahead of the group before's writes reads what it would have read after them; the
// first group's reads come after the previous triangle's last writes. (A call whose texture is its
// target never comes here: makeSpanState leaves it to the reference.)
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512 uint64_t shadeSmallTriangle(const SpanState& s, const TriangleSetup& t, BandMask bands) {
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        const TextureView& tv;  // the thread's own, not changed while the triangle is drawn
        SmallConstants k;  // made in place, every field written once; borrows tv
        mutable PackedReads reads[2];
        mutable int waiting = -1;  // the slot of reads whose group has not written yet
        VOREL_AVX512 Routine(const SpanState& s_, const TriangleSetup& t_)
            : s(s_), t(t_), tv(smallTextureView(s_)) {
            smallConstants<D>(s, t, &tv, &k);
        }
        Routine(const Routine&) = delete;
        VOREL_AVX512 void operator()(__m512i positions, Lanes lanes) const {
            const int slot = waiting == 0 ? 1 : 0;
            readGroup<F, D, T>(s, t, k, positions, lanes, &reads[slot]);
            if (waiting >= 0) writeGroup<F, D, T>(s, reads[waiting]);
            waiting = slot;
        }
        VOREL_AVX512 void finish() const {
            if (waiting >= 0) writeGroup<F, D, T>(s, reads[waiting]);
        }
    };
    const Routine r(s, t);
    const uint64_t covered = packTriangle(t, bands, r);
    r.finish();
    return covered;
}

// Triangles at most sixty-four pixels wide are packed, unless one group of the row walk or a tile
// holds them (one row, or two rows at most four pixels wide): their constants cost less. The
// story's outside view has some four thousand slivers a frame seventeen to thirty-two wide, a
// pixel or a few on each of their rows: packed, they take about 8 % less of its frame than
// through the row walk (its per-triangle constants and a call a row); at 1920x1080 the same
// slivers are up to sixty-four wide.
inline bool packed(const TriangleSetup& t) {
    const int width = t.maxX - t.minX + 1, rows = t.maxY - t.minY + 1;
    return width <= kPackedWidth && rows > (width <= 4 ? 2 : 1);
}

// Whether 16-bit pixels of the state's surfaces can be gathered as aligned words.
template <TargetFormat F, DepthFormat D>
bool packable(const SpanState& s) {
    if (F != TargetFormat::Argb8888 && !alignedFor16(s.color, s.colorPitch)) return false;
    return D != DepthFormat::Z16 || alignedFor16(s.z, s.zPitch);
}

template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX512 uint64_t shadeTriangle(const SpanState& s, const TriangleSetup& t, TexelFilter f, BandMask bands) {
    // Up to sixty-four pixels wide a triangle's covered pixels are packed sixteen to a group (the
    // story's small triangles are mostly slivers: a pixel or none on most of their rows); wider
    // ones go row by row. The others under eight pixels wide are drawn as the AVX2 routine's
    // groups and tiles of eight.
    if (packed(t) && packable<F, D>(s)) return shadeSmallTriangle<F, D, T>(s, t, bands);
    if (t.maxX - t.minX < 8) return span_avx2::shadeTriangle<F, D, T>(s, t, f, bands);
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    struct Shade {
        const SpanState& s;
        const TriangleSetup& t;
        const SmallConstants& k;
        VOREL_AVX512 void operator()(__m512i positions, Lanes lanes) const { shadeGroup<F, D, T>(s, t, k, positions, lanes); }
    };
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        const ArgbConstants k;
        const WideConstants w16;
        const bool packRuns;
        // Short runs are packed sixteen pixels to a group, with constants made at the first.
        mutable PixelPack pack;
        mutable bool packing = false;
        mutable WindowTries windows;
        mutable SmallConstants small;
        // The constants are made in place (w16 from k, declared before it).
        VOREL_AVX512 Routine(const SpanState& s_, const TriangleSetup& t_)
            : s(s_), t(t_), k(span_avx2::argbConstants(s_, t_, zMax)), w16(wideConstants(s_, t_, k)),
              packRuns(packable<F, D>(s_)) {}
        VOREL_AVX512 void span(int y, int x0, int x1) const {
            // The next row's pixels lie about under this row's (a triangle's edges move little
            // from row to row); short runs are left to the packed groups' own order.
            // A row that starts a band may be another thread's to draw: its lines are left
            // where they are.
            const bool bandStart = ((y + 1) & ((1 << kBandShift) - 1)) == 0;
            if (y < t.maxY && x1 - x0 >= 8 && !bandStart) prefetchRow<F, D>(s, y + 1, x0, x1);
            // Local copies for long spans, as in the AVX2 routine: stores could alias the caller's
            // state, which would make every group reload it.
            // A run of at most eight pixels is packed with the triangle's other short runs, or
            // is one group of the AVX2 routine (half the lanes to work on, and no texel reads
            // made in two halves).
            if (x1 - x0 < 8 && packRuns) {
                if (!packing) smallConstantsFrom<D>(t, k, w16, &small), packing = true;
                const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
                pack.add(_mm512_add_epi32(lanes, _mm512_set1_epi32((y << 16) | x0)), firstLanes(x1 - x0 + 1), x1 - x0 + 1,
                         Shade{s, t, small});
            } else if (x1 - x0 < 8) {
                span_avx2::shadeSpan<F, D, T>(s, t, k, y, x0, x1);
            } else if (x1 - x0 < 64) {
                shadeSpan<F, D, T>(s, t, k, w16, y, x0, x1, &windows);
            } else {
                const SpanState state = s;
                const ArgbConstants constants = k;
                const WideConstants wide = w16;
                shadeSpan<F, D, T>(state, t, constants, wide, y, x0, x1, &windows);
            }
        }
    };
    const Routine r(s, t);
    const uint64_t covered = walkRows(t, bands, r);
    if (r.packing) r.pack.finish(Shade{s, t, r.small});
    return covered;
}

template <TargetFormat F, DepthFormat D, TexelFilter T>
struct Routines {
    static constexpr TriangleShader shade = shadeTriangle<F, D, T>;
};

}  // namespace

TriangleShader avx512TriangleShader(const SpanState& s, TexelFilter f) {
    // The routines also run the AVX2 and FMA code of the eight-lane parts.
    static const bool fma = __builtin_cpu_supports("fma");
    if (!haveAvx512() || !fma) return nullptr;
    return routineFor<Routines>(s, f);
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
TriangleShader avx512TriangleShader(const SpanState&, TexelFilter) { return nullptr; }
}  // namespace platform::d3d

#endif
