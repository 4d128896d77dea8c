// Span shading with AVX2: eight pixels at a time, the reference's float and double arithmetic
// lane by lane (no fused multiply-adds, so every rounding matches), the depth test first so
// hidden groups skip texturing, gathers for the texels and saturating byte adds for ONE/ONE.
// Compiled for AVX2 by function attributes; chosen at run time only when the processor has it.
#include "platform/d3d/span_shader.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/span_avx2.h"

namespace platform::d3d {

namespace {

using namespace span_avx2;

VOREL_AVX2_INLINE __m256i to8(__m256 v) {
    v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
}

VOREL_AVX2_INLINE __m256 channel(__m256i c, int shift) {
    __m256i v = _mm256_and_si256(_mm256_srli_epi32(c, shift), _mm256_set1_epi32(0xFF));
    return _mm256_mul_ps(_mm256_cvtepi32_ps(v), _mm256_set1_ps(1.0f / 255.0f));
}

struct Texel8 {
    __m256 c[4];  // r, g, b, a
};

VOREL_AVX2_INLINE Texel8 samplePoint(const TextureView& tv, __m256 u, __m256 v) {
    __m256i c = pointTexel(tv, u, v);
    return {{channel(c, 16), channel(c, 8), channel(c, 0), channel(c, 24)}};
}

VOREL_AVX2_INLINE __m256 lerp(__m256 a, __m256 b, __m256 f) { return _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), f)); }

// Alpha is filtered only when asked for (it is dropped on targets without alpha).
VOREL_AVX2_INLINE Texel8 sampleBilinear(const TextureView& tv, __m256 u, __m256 v, bool alpha) {
    const BilinearTaps taps = bilinearTaps(tv, u, v);
    const __m256 fx = taps.fx, fy = taps.fy;
    const __m256i c00 = taps.c00, c10 = taps.c10, c01 = taps.c01, c11 = taps.c11;
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
    writeArgb(s, p, n, live, mask, src);
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

// Depth test and write, shading and the colour write of one group; mask: the covered lanes.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2_INLINE void shadeGroupAt(const SpanState& s, const TriangleSetup& t, const TriangleConstants& k,
                                    const GroupAt& at, __m256i live, __m256i mask, __m256i threshold, __m256 l1,
                                    __m256 l2) {
    mask = depthTest<D>(s, t, at, live, mask, l1, l2);
    if (_mm256_testz_si256(mask, mask)) return;
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
    EdgeSteps edges(t, k, x0, y);
    const __m256i threshold = rowThreshold<F>(s, x0, y);
    for (int x = x0; x <= x1; x += 8) {
        const int count = std::min(8, x1 - x + 1);
        const GroupAt at = groupAt<F, D>(s, x, y, count);
        __m256 l1, l2;
        edges.next(k, &l1, &l2);
        shadeGroupAt<F, D, T>(s, t, k, at, liveLanes(at.n), liveLanes(count), threshold, l1, l2);
    }
}

// The group of eight pixels from x in row y of a narrow triangle, coverage tested per lane.
// Returns the number of covered centres.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2_INLINE int shadeTestedGroup(const SpanState& s, const TriangleSetup& t, const TriangleConstants& k, int x,
                                       int y) {
    __m256 l1, l2;
    const int bits = testedGroup(t, k, x, y, &l1, &l2);
    if (bits == 0) return 0;
    const GroupAt at = groupAt<F, D>(s, x, y, std::min(8, t.maxX - x + 1));
    shadeGroupAt<F, D, T>(s, t, k, at, liveLanes(at.n), maskOfBits(bits), rowThreshold<F>(s, x, y), l1, l2);
    return __builtin_popcount(unsigned(bits));
}

// The rows of part `part` (see span_walk.h), each shaded with the triangle's constants.
template <TargetFormat F, DepthFormat D, TexelFilter T>
VOREL_AVX2 uint64_t shadeTriangle(const SpanState& s, const TriangleSetup& t, TexelFilter, int part, int parts) {
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        const TriangleConstants k;
        VOREL_AVX2 void span(int y, int x0, int x1) const { shadeSpan<F, D, T>(s, t, k, y, x0, x1); }
        VOREL_AVX2 int narrowGroup(int x, int y) const { return shadeTestedGroup<F, D, T>(s, t, k, x, y); }
    };
    return walkRows(t, part, parts, Routine{s, t, triangleConstants(s, t)});
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
