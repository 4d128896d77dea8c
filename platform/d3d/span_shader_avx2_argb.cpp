// Span shading for 32-bit targets with AVX2 and FMA in fixed point: coverage and depth exactly as
// the reference (the exact weights and the double depth of span_avx2.h decide both), colour
// within 2 of 255 per channel of it.
//
// Colour works on 16-bit lanes, four channels of two pixels per 64 bits, in the order of the
// texels in memory (b, g, r, a). A channel value is 8.7 fixed point (255 x 128 is full); factors
// (diffuse colour, fog, filter weights) are 0.15 fractions, applied with rounding high-half
// multiplies, interpolations as a + (b - a) f. Attributes are planes along the row: the value at
// the span's first pixel (the reference's float expression) plus the pixel offset times the slope
// in one fused multiply-add; 1/w comes from the reciprocal estimate and one Newton step. Point
// sampling keeps the reference's texture coordinates exactly (a texel boundary there is a jump,
// not a blend).
//
// Every rounding is to nearest, so the errors do not drift one way: each is at most 1/256 of a
// step of 255, a pixel collects five or six of them, and the final rounding to 8 bits lands on
// the reference's value except within about 0.01 of a half step. ONE/ONE adds the layers' bytes,
// so a pixel where several layers each round the other way differs by one per such layer.

#include "platform/d3d/span_shader.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_avx2.h"

#define VOREL_FMA __attribute__((target("avx2,fma")))
#define VOREL_FMA_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

namespace platform::d3d {

namespace {

using namespace span_avx2;

constexpr int kInvW = kAttributeCount;  // the plane of 1/w, after the attributes
constexpr int kDepth = kInvW + 1;       // the depth in z-buffer units, along rows only
constexpr int kPlanes = kDepth + 1;
constexpr int16_t kFull = 255 << 7;  // 1.0 as a channel value

// What stays the same for every row of one triangle.
struct ArgbConstants {
    TriangleConstants base;
    float slope[kPlanes];  // change per pixel to the right
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

VOREL_FMA_INLINE ArgbConstants argbConstants(const SpanState& s, const TriangleSetup& t, double zMax) {
    ArgbConstants k;
    k.base = triangleConstants(s, t);
    const double d1 = double(t.edge[1].a) * t.invArea, d2 = double(t.edge[2].a) * t.invArea;
    for (int i = 0; i < kAttributeCount; ++i) k.slope[i] = float(double(t.da1[i]) * d1 + double(t.da2[i]) * d2);
    k.slope[kInvW] = float(double(t.dw1) * d1 + double(t.dw2) * d2);
    k.slope[kDepth] = float((t.dz1 * d1 + t.dz2 * d2) * zMax);
    k.zMax = zMax;
    k.quickDepth = s.depth != DepthFormat::None && !s.zWrite;
    // The float plane and the reference's float weights each carry well under 1e-6 of the depth
    // terms; float conversions of 32-bit values lose up to 512 units, and rounding adds one.
    const double slack = zMax > 65535.0 ? 1024.0 : 2.0;
    k.depthMargin = float(4e-6 * (1.0 + std::abs(t.z0) + std::abs(t.dz1) + std::abs(t.dz2)) * zMax + slack);
    auto fixed = [&](int c) { return int(std::clamp(s.fogColor[c], 0.0f, 1.0f) * float(kFull) + 0.5f); };
    k.fogColor = _mm256_set1_epi64x((int64_t(fixed(0)) << 32) | (int64_t(fixed(1)) << 16) | fixed(2));
    auto readsDiffuse = [](StageOperand op) {
        return op == StageOperand::Diffuse || op == StageOperand::TextureTimesDiffuse;
    };
    k.diffuse = readsDiffuse(s.colorFrom) || (s.targetAlpha && readsDiffuse(s.alphaFrom));
    k.fogScalesDiffuse = s.fog && readsDiffuse(s.colorFrom) && fixed(0) == 0 && fixed(1) == 0 && fixed(2) == 0;
    return k;
}

// ---- attribute planes ----------------------------------------------------------------------------

// The planes along one row: values at pixel x0 as the reference computes them there.
struct RowPlanes {
    float start[kPlanes];
    const float* slope;
    __m256 offset;  // x - x0 of the current group's lanes

    VOREL_FMA_INLINE RowPlanes(const TriangleSetup& t, const ArgbConstants& k, int x0, int y) : slope(k.slope) {
        const float l1 = float(double(edgeAt(t, 1, x0, y)) * t.invArea);
        const float l2 = float(double(edgeAt(t, 2, x0, y)) * t.invArea);
        for (int i = 0; i < kAttributeCount; ++i) start[i] = (t.a0[i] + l1 * t.da1[i]) + l2 * t.da2[i];
        start[kInvW] = (t.w0 + l1 * t.dw1) + l2 * t.dw2;
        start[kDepth] = float((t.z0 + double(l1) * t.dz1 + double(l2) * t.dz2) * k.zMax);
        offset = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    }
    VOREL_FMA_INLINE __m256 operator()(int i) const {
        return _mm256_fmadd_ps(offset, _mm256_set1_ps(slope[i]), _mm256_set1_ps(start[i]));
    }
    VOREL_FMA_INLINE void next() { offset = _mm256_add_ps(offset, _mm256_set1_ps(8.0f)); }
};

// The planes from the group's own weights, the reference's expression lane by lane.
struct WeightPlanes {
    const TriangleSetup& t;
    __m256 l1, l2;
    VOREL_FMA_INLINE __m256 operator()(int i) const {
        if (i == kInvW) return plane(t.w0, t.dw1, t.dw2, l1, l2);
        return plane(t.a0[i], t.da1[i], t.da2[i], l1, l2);
    }
};

// 1 / invW, 0 where invW is 0: exactly (a division) or from the estimate and one Newton step.
template <bool exact>
VOREL_FMA_INLINE __m256 reciprocal(__m256 invW) {
    __m256 nonZero = _mm256_cmp_ps(invW, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    __m256 r;
    if constexpr (exact) {
        r = _mm256_div_ps(_mm256_set1_ps(1.0f), invW);
    } else {
        r = _mm256_rcp_ps(invW);
        r = _mm256_mul_ps(r, _mm256_fnmadd_ps(invW, r, _mm256_set1_ps(2.0f)));
    }
    return _mm256_and_ps(r, nonZero);
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

// v x scale (scale = 1/w x 32768) in 32-bit lanes: a 0.15 fraction for v/w in [0, 1] once
// interleave saturates it to 16 bits (1 gives 32767; NaN and values past the 32-bit range give 0).
VOREL_FMA_INLINE __m256i fraction15(__m256 v, __m256 scale) { return _mm256_cvtps_epi32(_mm256_mul_ps(v, scale)); }

// v f, rounded, for a channel value (or a signed difference of two) and a 0.15 fraction.
VOREL_FMA_INLINE __m256i scale(__m256i v, __m256i f) { return _mm256_mulhrs_epi16(v, f); }

// a (1 - f) + b f with one rounding; stays between a and b.
VOREL_FMA_INLINE __m256i mix(__m256i a, __m256i b, __m256i f) { return _mm256_add_epi16(a, scale(_mm256_sub_epi16(b, a), f)); }

VOREL_FMA_INLINE Wide filterBilinear(const BilinearTaps& taps) {
    const __m256 one = _mm256_set1_ps(32768.0f);
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
    Wide w = spread(_mm256_cvtps_epi32(_mm256_mul_ps(f, _mm256_set1_ps(32767.0f))));
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

// Stage 0 and fog of eight pixels; planes(i) gives attribute i (before the perspective divide),
// l1 and l2 are the exact weights (read only for point sampling).
template <TexelFilter T, class Planes>
VOREL_FMA_INLINE __m256i shadeArgb(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k,
                                   const Planes& planes, __m256 l1, __m256 l2) {
    Wide texel{};
    __m256 w;
    if constexpr (T == TexelFilter::Point) {
        // The reference's coordinates exactly, so the same texel is picked.
        const WeightPlanes exact{t, l1, l2};
        w = reciprocal<true>(exact(kInvW));
        texel = unpackTexels(
            pointTexel(k.base.tv, _mm256_mul_ps(exact(kU), w), _mm256_mul_ps(exact(kV), w)));
    } else {
        w = reciprocal<false>(planes(kInvW));
        if constexpr (T == TexelFilter::Bilinear)
            texel = filterBilinear(bilinearTaps(k.base.tv, _mm256_mul_ps(planes(kU), w), _mm256_mul_ps(planes(kV), w)));
    }
    const __m256 w15 = _mm256_mul_ps(w, _mm256_set1_ps(32768.0f));  // 1/w with the 0.15 scale
    // Fog towards black on a colour that reads the diffuse colour scales that colour, once, in float.
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
    return packPixels(c);
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

// ---- the walk ------------------------------------------------------------------------------------

template <DepthFormat D, TexelFilter T>
VOREL_FMA_INLINE void shadeSpan(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int y, int x0,
                                int x1) {
    RowPlanes planes(t, k, x0, y);
    for (int x = x0; x <= x1; x += 8, planes.next()) {
        const int count = std::min(8, x1 - x + 1);
        const GroupAt at = groupAt<TargetFormat::Argb8888, D>(s, x, y, count);
        const __m256i live = liveLanes(at.n);
        __m256i mask = liveLanes(count);
        bool decided = D == DepthFormat::None;
        if constexpr (D != DepthFormat::None)
            if (k.quickDepth) decided = quickDepthTest<D>(k, at, live, planes(kDepth), &mask);
        // The exact weights, for the exact depth test and point sampling's coordinates.
        __m256 l1 = _mm256_setzero_ps(), l2 = _mm256_setzero_ps();
        if (!decided || T == TexelFilter::Point) EdgeSteps(t, k.base, x, y).next(k.base, &l1, &l2);
        if (!decided) mask = depthTest<D>(s, t, at, live, mask, l1, l2);
        if (_mm256_testz_si256(mask, mask)) continue;
        writeArgb(s, at.color, at.n, live, mask, shadeArgb<T>(s, t, k, planes, l1, l2));
    }
}

template <DepthFormat D, TexelFilter T>
VOREL_FMA_INLINE int shadeTestedGroup(const SpanState& s, const TriangleSetup& t, const ArgbConstants& k, int x,
                                      int y) {
    __m256 l1, l2;
    const int bits = testedGroup(t, k.base, x, y, &l1, &l2);
    if (bits == 0) return 0;
    const GroupAt at = groupAt<TargetFormat::Argb8888, D>(s, x, y, std::min(8, t.maxX - x + 1));
    const __m256i live = liveLanes(at.n);
    const __m256i mask = depthTest<D>(s, t, at, live, maskOfBits(bits), l1, l2);
    if (_mm256_testz_si256(mask, mask)) return __builtin_popcount(unsigned(bits));
    writeArgb(s, at.color, at.n, live, mask, shadeArgb<T>(s, t, k, WeightPlanes{t, l1, l2}, l1, l2));
    return __builtin_popcount(unsigned(bits));
}

template <DepthFormat D, TexelFilter T>
VOREL_FMA uint64_t shadeTriangle(const SpanState& s, const TriangleSetup& t, TexelFilter, int part, int parts) {
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        const ArgbConstants k;
        VOREL_FMA void span(int y, int x0, int x1) const {
            // Local copies: the pixel stores could alias the caller's state, which would make every
            // group reload its flags.
            const SpanState state = s;
            const ArgbConstants constants = k;
            shadeSpan<D, T>(state, t, constants, y, x0, x1);
        }
        VOREL_FMA int narrowGroup(int x, int y) const { return shadeTestedGroup<D, T>(s, t, k, x, y); }
    };
    constexpr double zMax = D == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    return walkRows(t, part, parts, Routine{s, t, argbConstants(s, t, zMax)});
}

template <DepthFormat D>
TriangleShader forFilter(TexelFilter f) {
    switch (f) {
        case TexelFilter::Point: return shadeTriangle<D, TexelFilter::Point>;
        case TexelFilter::Bilinear: return shadeTriangle<D, TexelFilter::Bilinear>;
        default: return shadeTriangle<D, TexelFilter::None>;
    }
}

}  // namespace

TriangleShader avx2ArgbTriangleShader(const SpanState& s, TexelFilter f) {
    static const bool fma = __builtin_cpu_supports("fma");
    if (!fma || s.format != TargetFormat::Argb8888) return nullptr;
    switch (s.depth) {
        case DepthFormat::Z16: return forFilter<DepthFormat::Z16>(f);
        case DepthFormat::Z32: return forFilter<DepthFormat::Z32>(f);
        default: return forFilter<DepthFormat::None>(f);
    }
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
TriangleShader avx2ArgbTriangleShader(const SpanState&, TexelFilter) { return nullptr; }
}  // namespace platform::d3d

#endif
