// The AVX2 span routines' pixel work, shared with the AVX-512 routines (which take narrow
// triangles' groups and tiles from here and reuse the per-triangle constants): the per-triangle
// constants, attribute planes, the fixed-point colour, the quick depth test and the target writes
// of eight pixels, and the groups and tiles of narrow triangles.
//
// Internal to the span routines, like span_avx2.h: include it only from files built for x86-64
// with GCC or Clang and compiled with -ffp-contract=off. Everything is inline and compiled for
// AVX2 and FMA by function attributes, so it runs only where the caller checked the processor.
// Colour is the fixed point of fixed_color.h on 16-bit lanes, four channels of two pixels per 64
// bits, in the order of the texels in memory (b, g, r, a).
#pragma once

#include "platform/d3d/attribute_planes.h"
#include "platform/d3d/fixed_color.h"
#include "platform/d3d/pixel_format.h"
#include "platform/d3d/span_avx2.h"
#include "platform/d3d/span_colour_flags.h"
#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_tile_avx2.h"
#include "platform/d3d/stage_combine.h"
#include "platform/ddraw/pixel_formats.h"


#define VOREL_FMA __attribute__((target("avx2,fma")))
#define VOREL_FMA_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

namespace platform::d3d::span_avx2 {

constexpr int kInvW = kInvWPlane;
constexpr int kDepth = kPlaneCount;  // the depth in z-buffer units, a float plane for the quick test
constexpr int kPlanes = kDepth + 1;
constexpr int16_t kFull = fixed::kFull;

// What stays the same for every row of one triangle.
struct ArgbConstants {
    TriangleConstants base;
    __m256 corner, down;   // the eight planes at (minX, minY) and their change per row
    float slope[kPlanes];  // change per pixel to the right
    int minX, minY;
    __m256i fogColor;      // channel values in 16-bit lanes (b, g, r, 0)
    bool diffuse;          // some operand reads the diffuse colour
    bool fogScalesDiffuse;  // fog towards black of a colour that is (texture times) diffuse
    // Without depth writes the depth test may be decided from the depth plane in float: values
    // further than depthMargin (z-buffer units) from the stored ones cannot compare otherwise in
    // the reference's double arithmetic.
    bool quickDepth;
    float depthMargin;
    double zMax;
};

// One attribute array of the set-up and its 1/w value as the eight planes' lanes.
VOREL_FMA_INLINE __m256 planeLanes(const float (&attributes)[kAttributeCount], float invW) {
    static_assert(kPlaneCount == 8 && kInvWPlane == 7, "the attributes, then 1/w, one a lane");
    const __m256i firstSeven = _mm256_setr_epi32(-1, -1, -1, -1, -1, -1, -1, 0);
    return _mm256_blend_ps(_mm256_maskload_ps(attributes, firstSeven), _mm256_set1_ps(invW), 0x80);
}

// float(double(d1) x r1 + double(d2) x r2) on four lanes.
VOREL_FMA_INLINE __m128 planeSteps(__m128 d1, __m128 d2, __m256d r1, __m256d r2) {
    return _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(d1), r1), _mm256_mul_pd(_mm256_cvtps_pd(d2), r2)));
}

// The same on eight lanes, four doubles at a time.
VOREL_FMA_INLINE __m256 planeSteps(__m256 d1, __m256 d2, double r1, double r2) {
    const __m256d f1 = _mm256_set1_pd(r1), f2 = _mm256_set1_pd(r2);
    return _mm256_set_m128(planeSteps(_mm256_extractf128_ps(d1, 1), _mm256_extractf128_ps(d2, 1), f1, f2),
                           planeSteps(_mm256_castps256_ps128(d1), _mm256_castps256_ps128(d2), f1, f2));
}

// trianglePlanes (attribute_planes.h) on eight lanes in registers: the same operations, so the
// same floats, without the scalar version's stores of halves that a whole-register load then
// waits on.
struct LanePlanes {
    __m256 corner, right, down;
};

VOREL_FMA_INLINE LanePlanes lanePlanes(const TriangleSetup& t) {
    const __m256 a0 = planeLanes(t.a0, t.w0), da1 = planeLanes(t.da1, t.dw1), da2 = planeLanes(t.da2, t.dw2);
    float l1, l2;
    centreWeights(t, t.minX, t.minY, &l1, &l2);
    LanePlanes p;
    p.corner = _mm256_add_ps(_mm256_add_ps(a0, _mm256_mul_ps(_mm256_set1_ps(l1), da1)), _mm256_mul_ps(_mm256_set1_ps(l2), da2));
    p.right = planeSteps(da1, da2, double(t.edge[1].a) * t.invArea, double(t.edge[2].a) * t.invArea);
    p.down = planeSteps(da1, da2, double(t.edge[1].b) * t.invArea, double(t.edge[2].b) * t.invArea);
    return p;
}

VOREL_FMA_INLINE ArgbConstants argbConstants(const SpanState& s, const TriangleSetup& t, double zMax) {
    ArgbConstants k;
    k.base = triangleConstants(s, t);
    const double d1 = double(t.edge[1].a) * t.invArea, d2 = double(t.edge[2].a) * t.invArea;
    const LanePlanes planes = lanePlanes(t);
    k.corner = planes.corner, k.down = planes.down;
    _mm256_storeu_ps(k.slope, planes.right);
    k.minX = t.minX, k.minY = t.minY;
    k.slope[kDepth] = float((t.dz1 * d1 + t.dz2 * d2) * zMax);
    k.zMax = zMax;
    k.quickDepth = s.depth != DepthFormat::None && !s.zWrite;
    // The float plane and the reference's float weights each carry well under 1e-6 of the depth
    // terms; float conversions of 32-bit values lose up to 512 units, and rounding adds one.
    const double slack = zMax > 65535.0 ? 1024.0 : 2.0;
    k.depthMargin = float(4e-6 * (1.0 + std::abs(t.z0) + std::abs(t.dz1) + std::abs(t.dz2)) * zMax + slack);
    k.fogColor = _mm256_set1_epi64x(packedFogColour(s));
    k.diffuse = readsDiffuseColour(s);
    k.fogScalesDiffuse = fogScalesDiffuse(s);
    return k;
}

// ---- attribute planes ----------------------------------------------------------------------------

// The planes along row y from the group at x (attribute_planes.h), with the depth plane when the
// quick depth test reads it.
struct RowPlanes {
    alignas(32) float start[kPlanes];
    const float* slope;
    __m256 offset;  // x - minX of the current group's lanes

    VOREL_FMA_INLINE RowPlanes(const TriangleSetup& t, const ArgbConstants& k, int x, int y, bool depth)
        : slope(k.slope) {
        _mm256_store_ps(start, _mm256_fmadd_ps(_mm256_set1_ps(float(y - k.minY)), k.down, k.corner));
        start[kDepth] = 0.0f;
        if (depth) {
            float l1, l2;
            centreWeights(t, t.minX, y, &l1, &l2);
            start[kDepth] = float((t.z0 + double(l1) * t.dz1 + double(l2) * t.dz2) * k.zMax);
        }
        offset = _mm256_add_ps(_mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_ps(float(x - k.minX)));
    }
    VOREL_FMA_INLINE __m256 operator()(int i) const {
        return _mm256_fmadd_ps(offset, _mm256_set1_ps(slope[i]), _mm256_set1_ps(start[i]));
    }
    // Plane i at the next group.
    VOREL_FMA_INLINE __m256 ahead(int i) const {
        const __m256 next = _mm256_add_ps(offset, _mm256_set1_ps(8.0f));
        return _mm256_fmadd_ps(next, _mm256_set1_ps(slope[i]), _mm256_set1_ps(start[i]));
    }
    VOREL_FMA_INLINE void next() { offset = _mm256_add_ps(offset, _mm256_set1_ps(8.0f)); }
};

// The planes at each lane of a tile (span_tile_avx2.h): every lane's row start, then its own
// pixel, each one fused multiply-add as for a row.
template <int C>
struct TilePlanes {
    const ArgbConstants& k;
    __m256 rows, columns;  // y - minY and x - minX of each lane

    VOREL_FMA_INLINE TilePlanes(const ArgbConstants& k_, int x, int y)
        : k(k_), rows(tileRowOffsets<C>(y - k_.minY)), columns(tileColumnOffsets<C>(x - k_.minX)) {}
    // Plane i's values are broadcast from memory (no shuffle).
    VOREL_FMA_INLINE __m256 operator()(int i) const {
        const float* down = reinterpret_cast<const float*>(&k.down);
        const float* corner = reinterpret_cast<const float*>(&k.corner);
        const __m256 start = _mm256_fmadd_ps(rows, _mm256_broadcast_ss(down + i), _mm256_broadcast_ss(corner + i));
        return _mm256_fmadd_ps(columns, _mm256_broadcast_ss(k.slope + i), start);
    }
};

// The planes at one pixel, the same on every lane (the one-pixel path): plane i is lane i of
// `at`, made by the same two fused multiply-adds as a row's or a tile's lane at that pixel.
struct PixelPlanes {
    static constexpr bool kOnePosition = true;
    __m256 at;

    VOREL_FMA_INLINE PixelPlanes(const ArgbConstants& k, int x, int y)
        : at(_mm256_fmadd_ps(_mm256_set1_ps(float(x - k.minX)), _mm256_loadu_ps(k.slope),
                             _mm256_fmadd_ps(_mm256_set1_ps(float(y - k.minY)), k.down, k.corner))) {}
    VOREL_FMA_INLINE __m256 operator()(int i) const { return _mm256_permutevar8x32_ps(at, _mm256_set1_epi32(i)); }
};

// 1 / invW, 0 where invW is 0 (attribute_planes.h's perspective).
VOREL_FMA_INLINE __m256 reciprocal(__m256 invW) {
    __m256 nonZero = _mm256_cmp_ps(invW, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    return _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), invW), nonZero);
}

// ---- fixed-point colour --------------------------------------------------------------------------

// Eight pixels' channels in 16-bit lanes: lo holds pixels 0, 1, 4, 5 and hi pixels 2, 3, 6, 7 (the
// order of the byte-to-word unpacks), b, g, r, a each.
struct Wide {
    __m256i lo, hi;
};

VOREL_FMA_INLINE Wide unpackTexels(__m256i argb) {
    const __m256i zero = _mm256_setzero_si256();
    return {_mm256_slli_epi16(_mm256_unpacklo_epi8(argb, zero), 7), _mm256_slli_epi16(_mm256_unpackhi_epi8(argb, zero), 7)};
}

// One 16-bit value per pixel (the low half of each 32-bit lane) repeated on its four channels.
VOREL_FMA_INLINE Wide spread(__m256i v) {
    __m256i both = _mm256_or_si256(v, _mm256_slli_epi32(v, 16));
    return {_mm256_unpacklo_epi32(both, both), _mm256_unpackhi_epi32(both, both)};
}

// Four 32-bit channel lanes (values saturated to the signed 16-bit range) in the Wide order.
VOREL_FMA_INLINE Wide interleave(__m256i b, __m256i g, __m256i r, __m256i a) {
    __m256i bg = _mm256_packs_epi32(b, g), ra = _mm256_packs_epi32(r, a);
    __m256i brLo = _mm256_unpacklo_epi16(bg, ra), gaHi = _mm256_unpackhi_epi16(bg, ra);
    return {_mm256_unpacklo_epi16(brLo, gaHi), _mm256_unpackhi_epi16(brLo, gaHi)};
}

// v clamped to [0, 1] (NaN gives 0).
VOREL_FMA_INLINE __m256 clampUnit(__m256 v) {
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
}

// fixed::fraction in 32-bit lanes: v x scale clamped to [0, 32767] (max gives 0 for NaN), rounded.
VOREL_FMA_INLINE __m256i fraction15(__m256 v, __m256 scale) {
    __m256 p = _mm256_max_ps(_mm256_mul_ps(v, scale), _mm256_setzero_ps());
    return _mm256_cvtps_epi32(_mm256_min_ps(p, _mm256_set1_ps(float(fixed::kFraction))));
}

// v f, rounded, for a channel value (or a signed difference of two) and a 0.15 fraction.
VOREL_FMA_INLINE __m256i scale(__m256i v, __m256i f) { return _mm256_mulhrs_epi16(v, f); }

// a (1 - f) + b f with one rounding; stays between a and b.
VOREL_FMA_INLINE __m256i mix(__m256i a, __m256i b, __m256i f) { return _mm256_add_epi16(a, scale(_mm256_sub_epi16(b, a), f)); }

VOREL_FMA_INLINE Wide filterBilinear(const BilinearTaps& taps) {
    const __m256 one = _mm256_set1_ps(fixed::kWeightScale);
    Wide wx = spread(_mm256_cvttps_epi32(_mm256_mul_ps(taps.fx, one)));
    Wide wy = spread(_mm256_cvttps_epi32(_mm256_mul_ps(taps.fy, one)));
    Wide c00 = unpackTexels(taps.c00), c10 = unpackTexels(taps.c10);
    Wide c01 = unpackTexels(taps.c01), c11 = unpackTexels(taps.c11);
    __m256i topLo = mix(c00.lo, c10.lo, wx.lo), bottomLo = mix(c01.lo, c11.lo, wx.lo);
    __m256i topHi = mix(c00.hi, c10.hi, wx.hi), bottomHi = mix(c01.hi, c11.hi, wx.hi);
    return {mix(topLo, bottomLo, wy.lo), mix(topHi, bottomHi, wy.hi)};
}

// What stage 0 gives for one operand.
VOREL_FMA_INLINE __m256i operand(StageOperand op, __m256i texel, __m256i diffuse) {
    switch (op) {
        case StageOperand::One: return _mm256_set1_epi16(kFull);
        case StageOperand::Texture: return texel;
        case StageOperand::TextureTimesDiffuse: return scale(texel, diffuse);
        default: return scale(diffuse, _mm256_set1_epi16(kFull));
    }
}

VOREL_FMA_INLINE Wide stage0(const SpanState& s, const Wide& texel, const Wide& diffuse) {
    Wide c{operand(s.colorFrom, texel.lo, diffuse.lo), operand(s.colorFrom, texel.hi, diffuse.hi)};
    if (s.targetAlpha && s.alphaFrom != s.colorFrom) {
        // Alpha is the fourth word of each pixel.
        c.lo = _mm256_blend_epi16(c.lo, operand(s.alphaFrom, texel.lo, diffuse.lo), 0x88);
        c.hi = _mm256_blend_epi16(c.hi, operand(s.alphaFrom, texel.hi, diffuse.hi), 0x88);
    }
    return c;
}

// f c + (1 - f) fog colour on b, g, r, for f in [0, 1]; alpha kept.
VOREL_FMA_INLINE void applyFog(Wide* c, __m256 f, __m256i fogColor) {
    Wide w = spread(_mm256_cvtps_epi32(_mm256_mul_ps(f, _mm256_set1_ps(float(fixed::kFraction)))));
    c->lo = _mm256_blend_epi16(mix(fogColor, c->lo, w.lo), c->lo, 0x88);
    c->hi = _mm256_blend_epi16(mix(fogColor, c->hi, w.hi), c->hi, 0x88);
}

// Rounds the channels to bytes: eight 0xAARRGGBB pixels in order.
VOREL_FMA_INLINE __m256i packPixels(const Wide& c) {
    const __m256i half = _mm256_set1_epi16(64);
    __m256i lo = _mm256_srai_epi16(_mm256_add_epi16(c.lo, half), 7);  // below 0 packs to 0
    __m256i hi = _mm256_srai_epi16(_mm256_add_epi16(c.hi, half), 7);
    return _mm256_packus_epi16(lo, hi);
}

// Stage 0 and fog of eight pixels from their planes and w = 1 / invW: eight 0xAARRGGBB pixels.
template <TexelFilter T, class Planes>
VOREL_FMA_INLINE __m256i shadeArgb(const SpanState& s, const ArgbConstants& k, const Planes& planes, __m256 w) {
    constexpr bool one = requires { Planes::kOnePosition; };  // every lane the same pixel
    Wide texel{};
    if constexpr (T == TexelFilter::Point)
        texel = unpackTexels(pointTexel<one>(k.base.tv, _mm256_mul_ps(planes(kU), w), _mm256_mul_ps(planes(kV), w)));
    if constexpr (T == TexelFilter::Bilinear)
        texel = filterBilinear(bilinearTaps<one>(k.base.tv, _mm256_mul_ps(planes(kU), w), _mm256_mul_ps(planes(kV), w)));
    const __m256 w15 = _mm256_mul_ps(w, _mm256_set1_ps(fixed::kWeightScale));  // 1/w with the 0.15 scale
    // Fog towards black on a colour that reads the diffuse colour scales that colour, in float.
    __m256 colorW15 = w15;
    if (k.fogScalesDiffuse) colorW15 = _mm256_mul_ps(w15, clampUnit(_mm256_mul_ps(planes(kFog), w)));
    Wide diffuse{};
    if (k.diffuse) {
        __m256i a = s.targetAlpha ? fraction15(planes(kAlpha), w15) : _mm256_setzero_si256();
        diffuse = interleave(fraction15(planes(kBlue), colorW15), fraction15(planes(kGreen), colorW15),
                             fraction15(planes(kRed), colorW15), a);
    }
    Wide c = stage0(s, texel, diffuse);
    if (s.fog && !k.fogScalesDiffuse) applyFog(&c, clampUnit(_mm256_mul_ps(planes(kFog), w)), k.fogColor);
    // One position: pixel 0's channels are in lo, and the halves in hi are never made.
    if constexpr (one) return packPixels({c.lo, c.lo});
    return packPixels(c);
}

template <TexelFilter T, class Planes>
VOREL_FMA_INLINE __m256i shadeArgb(const SpanState& s, const ArgbConstants& k, const Planes& planes) {
    return shadeArgb<T>(s, k, planes, reciprocal(planes(kInvW)));
}

// ---- depth ---------------------------------------------------------------------------------------

// Decides the depth test of the lanes in *mask from the depth plane z (z-buffer units) where it is
// further than the margin from every stored value: then keeps the passing lanes in *mask and
// says true. False (and *mask untouched) when some lane needs the exact test.
template <DepthFormat D>
VOREL_FMA_INLINE bool quickDepthTest(const ArgbConstants& k, const GroupAt& at, __m256i live, __m256 z, __m256i* mask) {
    __m256 stored;
    if constexpr (D == DepthFormat::Z16) {
        stored = _mm256_cvtepi32_ps(load16(at.z, at.n));
    } else {
        __m256i raw = _mm256_xor_si256(load32(at.z, at.n, live), _mm256_set1_epi32(int(0x80000000u)));
        stored = _mm256_add_ps(_mm256_cvtepi32_ps(raw), _mm256_set1_ps(2147483648.0f));
    }
    z = _mm256_min_ps(_mm256_max_ps(z, _mm256_setzero_ps()), _mm256_set1_ps(float(k.zMax)));
    const __m256 margin = _mm256_set1_ps(k.depthMargin);
    __m256 pass = _mm256_cmp_ps(_mm256_add_ps(z, margin), stored, _CMP_LT_OQ);
    __m256 fail = _mm256_cmp_ps(_mm256_sub_ps(z, margin), stored, _CMP_GT_OQ);
    __m256i undecided = _mm256_andnot_si256(_mm256_castps_si256(_mm256_or_ps(pass, fail)), *mask);
    if (!_mm256_testz_si256(undecided, undecided)) return false;
    *mask = _mm256_and_si256(*mask, _mm256_castps_si256(pass));
    return true;
}

// ---- target writes ------------------------------------------------------------------------------

// A 565 or 555 target's pixels (zero-extended in 32-bit lanes) as 0x00RRGGBB, channels widened
// by bit replication as decodeArgb widens them.
template <TargetFormat F>
VOREL_FMA_INLINE __m256i widenTarget(__m256i old) {
    constexpr bool k565 = F == TargetFormat::Rgb565;
    // Red to bits 16-20 and blue at 0-4, each alone in its 16-bit half: widened together.
    __m256i rb = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi32(old, k565 ? 5 : 6), _mm256_set1_epi32(0x1F0000)),
                                 _mm256_and_si256(old, _mm256_set1_epi32(0x1F)));
    rb = _mm256_or_si256(_mm256_slli_epi16(rb, 3), _mm256_srli_epi16(rb, 2));
    __m256i g = _mm256_and_si256(_mm256_srli_epi32(old, 5), _mm256_set1_epi32(k565 ? 0x3F : 0x1F));
    g = k565 ? _mm256_or_si256(_mm256_slli_epi32(g, 2), _mm256_srli_epi32(g, 4))
             : _mm256_or_si256(_mm256_slli_epi32(g, 3), _mm256_srli_epi32(g, 2));
    return _mm256_or_si256(rb, _mm256_slli_epi32(g, 8));
}

// quantizeChannel on 16-bit lanes: (v x top + threshold) / 255 for v <= 255, the division as
// (x x 32897) >> 23, exact for x below 65535.
VOREL_FMA_INLINE __m256i quantize(__m256i v, __m256i top, __m256i threshold) {
    __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(v, top), threshold);
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(int16_t(32897))), 7);
}

// Eight 0xAARRGGBB pixels to a 565 or 555 target where mask is set: added to the target's
// widened channels with saturation for ONE/ONE, then quantised with the threshold (127 without
// dithering; in both 16-bit halves of each lane).
template <TargetFormat F>
VOREL_FMA_INLINE __m256i quantized16(__m256i threshold, __m256i argb) {
    constexpr bool k565 = F == TargetFormat::Rgb565;
    // Red and blue in the two halves of each lane, green in the low half of another.
    const __m256i rb = quantize(_mm256_and_si256(argb, _mm256_set1_epi32(0x00FF00FF)),
                                _mm256_set1_epi16(31), threshold);
    const __m256i g = quantize(_mm256_and_si256(_mm256_srli_epi32(argb, 8), _mm256_set1_epi32(0xFF)),
                               _mm256_set1_epi16(k565 ? 63 : 31), threshold);
    __m256i raw = _mm256_or_si256(_mm256_srli_epi32(rb, k565 ? 5 : 6), _mm256_and_si256(rb, _mm256_set1_epi32(0x1F)));
    return _mm256_or_si256(raw, _mm256_slli_epi32(g, 5));
}

template <TargetFormat F>
VOREL_FMA_INLINE void write16(const SpanState& s, uint8_t* p, int n, __m256i mask, __m256i threshold, __m256i argb) {
    if (s.additive) argb = _mm256_adds_epu8(argb, widenTarget<F>(load16(p, n)));
    store16(p, n, quantized16<F>(threshold, argb), mask);
}

// The dither thresholds of eight pixels of one row (a tile of one row of eight), made when the
// program is compiled, so reading it needs no check that it was made.
inline constexpr TileDitherTable<8> kDitherTable;

// The thresholds of the groups of a row from x0 (groups start 8 apart, so they share a phase).
template <TargetFormat F>
VOREL_FMA_INLINE __m256i rowThreshold(const SpanState& s, int x0, int y) {
    if (F == TargetFormat::Argb8888) return _mm256_setzero_si256();
    if (!s.dither) return _mm256_set1_epi16(127);
    return kDitherTable.at(x0, y);
}

template <TargetFormat F>
VOREL_FMA_INLINE void writePixels(const SpanState& s, const GroupAt& at, __m256i live, __m256i mask, __m256i threshold,
                                  __m256i argb) {
    if constexpr (F == TargetFormat::Argb8888) writeArgb(s, at.color, at.n, live, mask, argb);
    else write16<F>(s, at.color, at.n, mask, threshold, argb);
}

// ---- one pixel -----------------------------------------------------------------------------------

// depthValues for one pixel of weights l1, l2: the same operations in the same order on doubles.
template <DepthFormat D>
VOREL_FMA_INLINE uint32_t depthValue(const TriangleSetup& t, float l1, float l2) {
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    double z = t.z0 + double(l1) * t.dz1;
    z = z + double(l2) * t.dz2;
    z = z > 0.0 ? z : 0.0;  // as maxpd and minpd: NaN gives 0
    z = z < 1.0 ? z : 1.0;
    const __m128d scaled = _mm_set_sd(z * zMax + 0.5);
    return uint32_t(_mm_cvtsd_f64(_mm_floor_sd(scaled, scaled)));
}

// The one covered pixel (x, y) of a group or tile: one stored depth, one target pixel and the
// texels of that one position are read. Every lane shades that pixel with a group's arithmetic,
// so lane 0 is what the group's lane would give.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_FMA_INLINE void shadeOnePixel(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int x, int y) {
    if constexpr (D != DepthFormat::None) {
        constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
        float l1, l2;
        centreWeights(t, x, y, &l1, &l2);
        const uint32_t z = depthValue<D>(t, l1, l2);
        uint8_t* at = s.z + y * s.zPitch + x * zBytes;
        if (z > ddraw::readRaw(at, zBytes)) return;
        if (s.zWrite) ddraw::writeRaw(at, zBytes, z);
    }
    const __m256i argb = shadeArgb<T>(s, k, PixelPlanes(k, x, y));
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    uint8_t* at = s.color + y * s.colorPitch + x * bpp;
    const __m256i old = s.additive ? _mm256_set1_epi32(int(ddraw::readRaw(at, bpp))) : _mm256_setzero_si256();
    __m256i out;
    if constexpr (F == TargetFormat::Argb8888) out = argbOver(s, old, argb);
    else out = quantized16<F>(rowThreshold<F>(s, x, y), s.additive ? _mm256_adds_epu8(argb, widenTarget<F>(old)) : argb);
    ddraw::writeRaw(at, bpp, uint32_t(_mm256_cvtsi256_si32(out)));
}

// ---- rows, groups and tiles ---------------------------------------------------------------------

// The covered run x0..x1 of row y, eight pixels at a time.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_FMA_INLINE void shadeSpan(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int y, int x0,
                                int x1) {
    RowPlanes planes(t, k, x0, y, D != DepthFormat::None && k.quickDepth);
    const __m256i threshold = rowThreshold<F>(s, x0, y);
    // The exact weights for the exact depth test, stepped along with the groups.
    EdgeSteps edges;
    if constexpr (D != DepthFormat::None) edges = EdgeSteps(t, k.base, x0, y);
    // Each group's division starts a group early: the texel reads wait on it.
    __m256 w = reciprocal(planes(kInvW));
    for (int x = x0; x <= x1; x += 8, planes.next()) {
        const __m256 wHere = w;
        if (x + 8 <= x1) w = reciprocal(planes.ahead(kInvW));
        const int count = std::min(8, x1 - x + 1);
        const GroupAt at = groupAt<F, D>(s, x, y, count);
        const __m256i live = liveLanes(at.n);
        __m256i mask = liveLanes(count);
        if constexpr (D != DepthFormat::None) {
            const bool decided = k.quickDepth && quickDepthTest<D>(k, at, live, planes(kDepth), &mask);
            if (!decided) {
                __m256 l1, l2;
                edges.weightsNow(k.base, &l1, &l2);
                mask = depthTest<D>(s, t, at, live, mask, l1, l2);
            }
            edges.advance(k.base);
        }
        if (_mm256_testz_si256(mask, mask)) continue;
        writePixels<F>(s, at, live, mask, threshold, shadeArgb<T>(s, k, planes, wHere));
    }
}

// The group from x of a row of a narrow triangle, coverage tested per lane. Returns the number of
// covered centres.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_FMA_INLINE int shadeTestedGroup(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int x,
                                      int y) {
    __m256 l1, l2;
    const int bits = testedGroup(t, k.base, x, y, &l1, &l2);
    if (bits == 0) return 0;
    if ((bits & (bits - 1)) == 0) {
        const int lane = __builtin_ctz(unsigned(bits));
        shadeOnePixel<F, D, T>(s, t, k, x + lane, y);
        return 1;
    }
    const GroupAt at = groupAt<F, D>(s, x, y, std::min(8, t.maxX - x + 1));
    const __m256i live = liveLanes(at.n);
    const __m256i mask = depthTest<D>(s, t, at, live, maskOfBits(bits), l1, l2);
    if (!_mm256_testz_si256(mask, mask)) {
        const RowPlanes planes(t, k, x, y, false);
        writePixels<F>(s, at, live, mask, rowThreshold<F>(s, x, y), shadeArgb<T>(s, k, planes));
    }
    return __builtin_popcount(unsigned(bits));
}

inline constexpr TileDitherTable<4> kTileDither4;
inline constexpr TileDitherTable<2> kTileDither2;

template <TargetFormat F, int C>
VOREL_FMA_INLINE __m256i tileThreshold(const SpanState& s, int x, int y) {
    if (F == TargetFormat::Argb8888) return _mm256_setzero_si256();
    if (!s.dither) return _mm256_set1_epi16(127);
    return C == 4 ? kTileDither4.at(x, y) : kTileDither2.at(x, y);
}

// The depth test of the first `rows` rows of a tile at z (rows `pitch` apart) and, when on, the
// depth write of the lanes that pass, straight on the surface; returns the lanes of `mask` that
// pass (depthTest).
template <DepthFormat D, int C>
VOREL_FMA_INLINE __m256i tileDepthTest(const SpanState& s, const TriangleSetup& t, uint8_t* z, ptrdiff_t pitch,
                                       int rows, __m256i mask, __m256 l1, __m256 l2) {
    if constexpr (D != DepthFormat::None) {
        constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
        const __m256i value = depthValues<D>(t, l1, l2);
        const __m256i stored = readTile<C, zBytes>(z, pitch, rows);
        mask = _mm256_andnot_si256(greaterUnsigned(value, stored), mask);
        if (s.zWrite && !_mm256_testz_si256(mask, mask))
            writeTile<C, zBytes>(z, pitch, rows, _mm256_blendv_epi8(stored, value, mask));
    }
    return mask;
}

// writePixels for the first `rows` rows of a tile at p (rows `pitch` apart), straight on the
// surface.
template <TargetFormat F, int C>
VOREL_FMA_INLINE void writeTilePixels(const SpanState& s, uint8_t* p, ptrdiff_t pitch, int rows, __m256i mask,
                                      __m256i threshold, __m256i argb) {
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    const __m256i old = readTile<C, bpp>(p, pitch, rows);
    __m256i v;
    if constexpr (F == TargetFormat::Argb8888) {
        v = argbOver(s, old, argb);
    } else {
        if (s.additive) argb = _mm256_adds_epu8(argb, widenTarget<F>(old));
        v = quantized16<F>(threshold, argb);
    }
    writeTile<C, bpp>(p, pitch, rows, _mm256_blendv_epi8(old, v, mask));
}

// The first `rows` rows from y of a triangle at most C pixels wide as one group of eight lanes
// (a tile). Returns the number of covered centres. A tile whose C columns lie in the surface is
// read and written in place; one at the surface's right edge through a copy in lane order.
template <TargetFormat F, DepthFormat D, TexelFilter T, int C>
VOREL_FMA_INLINE int shadeTile(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int y, int rows) {
    const int x = t.minX, columns = t.maxX - t.minX + 1;
    __m256 l1, l2;
    const int bits = testedTile<C>(t, k.base, x, y, rows, columns, &l1, &l2);
    if (bits == 0) return 0;
    if ((bits & (bits - 1)) == 0) {
        const int lane = __builtin_ctz(unsigned(bits));
        shadeOnePixel<F, D, T>(s, t, k, x + lane % C, y + lane / C);
        return 1;
    }
    constexpr int bpp = F == TargetFormat::Argb8888 ? 4 : 2;
    constexpr int zBytes = D == DepthFormat::Z16 ? 2 : 4;
    const int touched = x + C <= s.width ? C : columns;
    if (touched == C && (C == 2 || rows == 2)) {
        uint8_t* z = D == DepthFormat::None ? nullptr : s.z + y * s.zPitch + x * zBytes;
        const __m256i mask = tileDepthTest<D, C>(s, t, z, s.zPitch, rows, maskOfBits(bits), l1, l2);
        if (!_mm256_testz_si256(mask, mask))
            writeTilePixels<F, C>(s, s.color + y * s.colorPitch + x * bpp, s.colorPitch, rows, mask,
                                  tileThreshold<F, C>(s, x, y), shadeArgb<T>(s, k, TilePlanes<C>(k, x, y)));
        return __builtin_popcount(unsigned(bits));
    }
    TilePixels<C, zBytes> depth(D == DepthFormat::None ? nullptr : s.z + y * s.zPitch + x * zBytes, s.zPitch,
                                D == DepthFormat::None ? 0 : rows, touched);
    TilePixels<C, bpp> color(s.color + y * s.colorPitch + x * bpp, s.colorPitch, rows, touched);
    const GroupAt at{color.lanes, depth.lanes, 8};
    const __m256i live = _mm256_set1_epi32(-1);
    const __m256i mask = depthTest<D>(s, t, at, live, maskOfBits(bits), l1, l2);
    if (!_mm256_testz_si256(mask, mask)) {
        if (D != DepthFormat::None && s.zWrite) depth.store();
        writePixels<F>(s, at, live, mask, tileThreshold<F, C>(s, x, y), shadeArgb<T>(s, k, TilePlanes<C>(k, x, y)));
        color.store();
    }
    return __builtin_popcount(unsigned(bits));
}

// ---- choosing a routine --------------------------------------------------------------------------

// Routines<F, D, T>::shade is the routine for target F, depth D and filter T.
template <template <TargetFormat, DepthFormat, TexelFilter> class Routines, TargetFormat F, DepthFormat D>
TriangleShader routineForFilter(TexelFilter f) {
    switch (f) {
        case TexelFilter::Point: return Routines<F, D, TexelFilter::Point>::shade;
        case TexelFilter::Bilinear: return Routines<F, D, TexelFilter::Bilinear>::shade;
        default: return Routines<F, D, TexelFilter::None>::shade;
    }
}

template <template <TargetFormat, DepthFormat, TexelFilter> class Routines, TargetFormat F>
TriangleShader routineForDepth(DepthFormat d, TexelFilter f) {
    switch (d) {
        case DepthFormat::Z16: return routineForFilter<Routines, F, DepthFormat::Z16>(f);
        case DepthFormat::Z32: return routineForFilter<Routines, F, DepthFormat::Z32>(f);
        default: return routineForFilter<Routines, F, DepthFormat::None>(f);
    }
}

// The routine of Routines for the state's target and depth formats and filter f.
template <template <TargetFormat, DepthFormat, TexelFilter> class Routines>
TriangleShader routineFor(const SpanState& s, TexelFilter f) {
    switch (s.format) {
        case TargetFormat::Rgb565: return routineForDepth<Routines, TargetFormat::Rgb565>(s.depth, f);
        case TargetFormat::Rgb555: return routineForDepth<Routines, TargetFormat::Rgb555>(s.depth, f);
        default: return routineForDepth<Routines, TargetFormat::Argb8888>(s.depth, f);
    }
}

// A triangle's rows eight pixels at a time (narrow triangles as groups and tiles): the AVX2
// routine, and the AVX-512 routine's for triangles under eight pixels wide, which never have a
// row for sixteen lanes.
template <TargetFormat F, DepthFormat D, TexelFilter T>
inline VOREL_FMA uint64_t shadeTriangle(const SpanState& s, const TriangleSetup& t, TexelFilter, BandMask bands) {
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        const ArgbConstants k;
        VOREL_FMA void span(int y, int x0, int x1) const {
            // Local copies: the pixel stores could alias the caller's state, which would make every
            // group reload its flags and texture view. Copying costs more than the reloads on
            // short spans (measured), so only long spans have them copied.
            if (x1 - x0 < 64) {
                shadeSpan<F, D, T>(s, t, k, y, x0, x1);
            } else {
                const SpanState state = s;
                const ArgbConstants constants = k;
                shadeSpan<F, D, T>(state, t, constants, y, x0, x1);
            }
        }
        VOREL_FMA int narrowGroup(int x, int y) const { return shadeTestedGroup<F, D, T>(s, t, k, x, y); }
        VOREL_FMA int tile(int y, int rows, int columns) const {
            return columns == 4 ? shadeTile<F, D, T, 4>(s, t, k, y, rows) : shadeTile<F, D, T, 2>(s, t, k, y, rows);
        }
    };
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    return walkRows(t, bands, Routine{s, t, argbConstants(s, t, zMax)});
}

}  // namespace platform::d3d::span_avx2
