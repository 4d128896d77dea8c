// The eight-wide vertex stage's parts with AVX-512: positions loaded sixteen vertices at a time,
// the projection with eight vertices' doubles in one register instead of two halves of four, and
// the kept vertices' lighting, fog and attribute stores sixteen at a time, with the same float
// and double operations lane for lane as vertex_avx2.h (so the same bits). For the stage's own
// files only (x86-64 with GCC or Clang); every function is inlined into a function compiled for
// AVX-512 F/BW/DQ/VL with BMI2, and such a file must be
// compiled with -ffp-contract=off (AVX-512 brings FMA, and a fused multiply-add rounds once).
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/vertex_avx2.h"

// BMI2 comes with every AVX-512 processor; the list path checks for it all the same.
#define VOREL_AVX512_VERTEX __attribute__((target("avx512f,avx512dq,avx512vl,avx512bw,avx2,bmi2")))
#define VOREL_AVX512_VERTEX_INLINE \
    __attribute__((target("avx512f,avx512dq,avx512vl,avx512bw,avx2,bmi2"), always_inline)) inline

namespace platform::d3d::avx512 {

// Eight vertices' screen positions, as project8 makes them.
struct Projected8Wide {
    __m256i x, y;  // 1/16 pixel
    __m512d z;     // viewport depth
    __m256 q;      // 1/w as float, or 1 without perspective
};

// roundHalfAway of avx2, eight lanes.
VOREL_AVX512_VERTEX_INLINE __m256i roundHalfAway(__m512d v) {
    const __m512d justBelowHalf = _mm512_set1_pd(0.49999999999999994);
    const __m512d sign = _mm512_and_pd(v, _mm512_set1_pd(-0.0));
    return _mm512_cvttpd_epi32(_mm512_add_pd(v, _mm512_or_pd(justBelowHalf, sign)));
}

// The viewport map's terms as project8 widens them to double, worked out once for many groups (a
// broadcast from memory costs a load; one from a register rebuilt in the loop costs a shuffle).
struct WideMap {
    double x, halfWidth, y, halfHeight, minZ, depthRange;  // depthRange: maxZ - minZ
    bool perspective;
};

inline WideMap wideMap(const ProjectionTarget& target) {
    const ViewportMap& m = target.map;
    return {double(m.x),    double(m.halfWidth), double(m.y), double(m.halfHeight),
            double(m.minZ), double(m.maxZ) - double(m.minZ), target.perspective};
}

// project8's positions, depth and 1/w for a target whose guard band is bounded
// (guardBandBounded), of the eight vertices whose clip positions are x, y, z, w; which lanes are
// projected ahead is aheadBits16's to say. Lanes not projected hold undefined positions.
VOREL_AVX512_VERTEX_INLINE Projected8Wide project8Bounded(__m256 x, __m256 y, __m256 z, __m256 w, const WideMap& map) {
    const __m512d xd = _mm512_cvtps_pd(x), yd = _mm512_cvtps_pd(y), zd = _mm512_cvtps_pd(z);
    const __m512d invW = _mm512_div_pd(_mm512_set1_pd(1.0), _mm512_cvtps_pd(w));
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d sx = _mm512_add_pd(_mm512_set1_pd(map.x),
                                     _mm512_mul_pd(_mm512_set1_pd(map.halfWidth),
                                                   _mm512_add_pd(one, _mm512_mul_pd(xd, invW))));
    const __m512d sy = _mm512_add_pd(_mm512_set1_pd(map.y),
                                     _mm512_mul_pd(_mm512_set1_pd(map.halfHeight),
                                                   _mm512_sub_pd(one, _mm512_mul_pd(yd, invW))));
    Projected8Wide p;
    const __m512d sub = _mm512_set1_pd(double(kSubPixel));
    p.x = roundHalfAway(_mm512_mul_pd(sx, sub));
    p.y = roundHalfAway(_mm512_mul_pd(sy, sub));
    p.z = _mm512_add_pd(_mm512_set1_pd(map.minZ), _mm512_mul_pd(_mm512_mul_pd(zd, invW), _mm512_set1_pd(map.depthRange)));
    p.q = map.perspective ? _mm512_cvtpd_ps(invW) : _mm256_set1_ps(1.0f);
    return p;
}

// Lanes (bit i) inside every clip plane (avx2::insideBits' operations) with a finite positive w:
// where the guard band is bounded, those project8Bounded projects. `front` holds the lanes with
// w > 0, `nearOrFar` those with z >= 0 or w - z >= 0 failing (the complements of those tests, so
// the compares are not made twice).
VOREL_AVX512_VERTEX_INLINE uint32_t aheadBits16(__m512 x, __m512 y, __m512 w, __mmask16 front, __mmask16 nearOrFar,
                                                const ClipPlanes& planes) {
    const __m512 zero = _mm512_setzero_ps();
    const __m512 gx = _mm512_mul_ps(_mm512_set1_ps(planes.guardX), w), gy = _mm512_mul_ps(_mm512_set1_ps(planes.guardY), w);
    __mmask16 in = _mm512_mask_cmp_ps_mask(front & ~nearOrFar, w, _mm512_set1_ps(INFINITY), _CMP_LT_OQ);
    in = _mm512_mask_cmp_ps_mask(in, _mm512_sub_ps(gx, x), zero, _CMP_GE_OQ);
    in = _mm512_mask_cmp_ps_mask(in, _mm512_add_ps(gx, x), zero, _CMP_GE_OQ);
    in = _mm512_mask_cmp_ps_mask(in, _mm512_sub_ps(gy, y), zero, _CMP_GE_OQ);
    return _mm512_mask_cmp_ps_mask(in, _mm512_add_ps(gy, y), zero, _CMP_GE_OQ);
}

// Sixteen floats of vertices in[v] and in[v + 1]; only the first `valid` of the two are read
// (zeros for the others).
VOREL_AVX512_VERTEX_INLINE __m512 loadVertexPair(const D3DVERTEX* in, uint32_t v, int valid) {
    static_assert(sizeof(D3DVERTEX) == 8 * sizeof(float), "a vertex is eight floats");
    if (valid >= 2) return _mm512_loadu_ps(&in[v].x);
    if (valid == 1) return _mm512_zextps256_ps512(_mm256_loadu_ps(&in[v].x));
    return _mm512_setzero_ps();
}

// Sixteen vertices a register: two blocks of eight (lanes 0-7: the first, 8-15: the second) in
// the halves of one register, for lighting, fog and the attributes' stores of the kept vertices.

VOREL_AVX512_VERTEX_INLINE __m512 splat16(float v) { return _mm512_set1_ps(v); }

struct Vec3x16 {
    __m512 x, y, z;
};

// x, y and z of vertices in[first + i], i < count <= 16 (nothing past them is read): whole
// registers of two vertices, sorted by two rounds of two-register permutes. Lanes past count hold
// zeros, or with count <= 8 any values.
VOREL_AVX512_VERTEX_INLINE Vec3x16 loadPositions16(const D3DVERTEX* in, uint32_t first, int count) {
    // Four vertices a register, lane 4 f + i: field f of vertex i.
    const __m512i fields = _mm512_setr_epi32(0, 8, 16, 24, 1, 9, 17, 25, 2, 10, 18, 26, 3, 11, 19, 27);
    __m512 four[4];
    for (int r = 0; r < 4; ++r) {
        const int at = 4 * r;
        four[r] = _mm512_permutex2var_ps(loadVertexPair(in, first + uint32_t(at), count - at), fields,
                                         loadVertexPair(in, first + uint32_t(at) + 2, count - at - 2));
    }
    // Eight vertices a register: x in lanes 0-7 and y in 8-15, or z in 0-7.
    const __m512i xy = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23);
    const __m512i zs = _mm512_setr_epi32(8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30, 31);
    const __m512 xy0 = _mm512_permutex2var_ps(four[0], xy, four[1]);
    const __m512 z0 = _mm512_permutex2var_ps(four[0], zs, four[1]);
    if (count <= 8) return {xy0, _mm512_shuffle_f32x4(xy0, xy0, _MM_SHUFFLE(3, 2, 3, 2)), z0};
    const __m512 xy1 = _mm512_permutex2var_ps(four[2], xy, four[3]);
    const __m512 z1 = _mm512_permutex2var_ps(four[2], zs, four[3]);
    const __m512i low = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23);
    const __m512i high = _mm512_setr_epi32(8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31);
    return {_mm512_permutex2var_ps(xy0, low, xy1), _mm512_permutex2var_ps(xy0, high, xy1),
            _mm512_permutex2var_ps(z0, low, z1)};
}

// avx2::row, sixteen lanes.
VOREL_AVX512_VERTEX_INLINE __m512 row16(const Vec3x16& p, const D3DMATRIX& m, int j) {
    __m512 v = _mm512_add_ps(_mm512_mul_ps(p.x, splat16(m.m[0][j])), _mm512_mul_ps(p.y, splat16(m.m[1][j])));
    v = _mm512_add_ps(v, _mm512_mul_ps(p.z, splat16(m.m[2][j])));
    return _mm512_add_ps(v, splat16(m.m[3][j]));
}

VOREL_AVX512_VERTEX_INLINE __m512 normalRow16(const Vec3x16& n, const Mat3& m, int j) {
    __m512 v = _mm512_add_ps(_mm512_mul_ps(n.x, splat16(m.m[0][j])), _mm512_mul_ps(n.y, splat16(m.m[1][j])));
    return _mm512_add_ps(v, _mm512_mul_ps(n.z, splat16(m.m[2][j])));
}

VOREL_AVX512_VERTEX_INLINE __m512 clamp01_16(__m512 v) {
    return _mm512_min_ps(_mm512_max_ps(v, _mm512_setzero_ps()), splat16(1.0f));
}

// avx2::PointReach, sixteen lanes (masks for the lanes reached).
struct PointReach16 {
    Vec3x16 toLight;
    __m512 atten;
    __mmask16 reached;
};

VOREL_AVX512_VERTEX_INLINE PointReach16 pointReach16(const EyeLight& l, const Vec3x16& eye) {
    Vec3x16 d{_mm512_sub_ps(splat16(l.position.x), eye.x), _mm512_sub_ps(splat16(l.position.y), eye.y),
              _mm512_sub_ps(splat16(l.position.z), eye.z)};
    __m512 squared = _mm512_add_ps(_mm512_mul_ps(d.x, d.x), _mm512_mul_ps(d.y, d.y));
    __m512 dist = _mm512_sqrt_ps(_mm512_add_ps(squared, _mm512_mul_ps(d.z, d.z)));
    PointReach16 r;
    r.reached = _mm512_cmp_ps_mask(dist, splat16(l.range), _CMP_NGT_UQ);
    const __mmask16 usable = _mm512_cmp_ps_mask(dist, _mm512_setzero_ps(), _CMP_GT_OQ) &
                             _mm512_cmp_ps_mask(dist, splat16(INFINITY), _CMP_LT_OQ);
    r.toLight = {_mm512_maskz_div_ps(usable, d.x, dist), _mm512_maskz_div_ps(usable, d.y, dist),
                 _mm512_maskz_div_ps(usable, d.z, dist)};
    __m512 denom = _mm512_add_ps(splat16(l.att0), _mm512_mul_ps(splat16(l.att1), dist));
    denom = _mm512_add_ps(denom, _mm512_mul_ps(_mm512_mul_ps(splat16(l.att2), dist), dist));
    const __mmask16 positive = _mm512_cmp_ps_mask(denom, _mm512_setzero_ps(), _CMP_GT_OQ);
    r.atten = _mm512_mask_div_ps(splat16(1.0f), positive, splat16(1.0f), denom);
    return r;
}

// avx2::light, sixteen lanes.
VOREL_AVX512_VERTEX_INLINE void light16(const LightingSetup& s, const Vec3x16& eye, const Vec3x16& n,
                                        __m512 rgba[4]) {
    __m512 ambient[3] = {splat16(s.globalAmbient.r), splat16(s.globalAmbient.g), splat16(s.globalAmbient.b)};
    __m512 diffuse[3] = {_mm512_setzero_ps(), _mm512_setzero_ps(), _mm512_setzero_ps()};
    for (const EyeLight& l : s.lights) {
        const float lightAmbient[3] = {l.ambient.r, l.ambient.g, l.ambient.b};
        const float lightDiffuse[3] = {l.diffuse.r, l.diffuse.g, l.diffuse.b};
        PointReach16 r;
        if (l.type == D3DLIGHT_DIRECTIONAL) {
            r = {{splat16(l.toLight.x), splat16(l.toLight.y), splat16(l.toLight.z)}, splat16(1.0f), __mmask16(0xFFFF)};
        } else {
            r = pointReach16(l, eye);
        }
        for (int c = 0; c < 3; ++c)
            ambient[c] = _mm512_mask_add_ps(ambient[c], r.reached, ambient[c],
                                            _mm512_mul_ps(r.atten, splat16(lightAmbient[c])));
        __m512 nl = _mm512_add_ps(_mm512_mul_ps(n.x, r.toLight.x), _mm512_mul_ps(n.y, r.toLight.y));
        nl = _mm512_add_ps(nl, _mm512_mul_ps(n.z, r.toLight.z));
        // Lanes with N.L <= 0 add nothing, as the scalar loop skips them (NaN is not skipped).
        const __mmask16 lit = r.reached & _mm512_cmp_ps_mask(nl, _mm512_setzero_ps(), _CMP_NLE_UQ);
        const __m512 k = _mm512_mul_ps(nl, r.atten);
        for (int c = 0; c < 3; ++c)
            diffuse[c] = _mm512_mask_add_ps(diffuse[c], lit, diffuse[c], _mm512_mul_ps(k, splat16(lightDiffuse[c])));
    }
    const D3DMATERIAL7& m = s.material;
    const float emissive[3] = {m.emissive.r, m.emissive.g, m.emissive.b};
    const float ambientM[3] = {m.ambient.r, m.ambient.g, m.ambient.b};
    const float diffuseM[3] = {m.diffuse.r, m.diffuse.g, m.diffuse.b};
    for (int i = 0; i < 3; ++i) {
        __m512 v = _mm512_add_ps(splat16(emissive[i]), _mm512_mul_ps(splat16(ambientM[i]), ambient[i]));
        rgba[i] = clamp01_16(_mm512_add_ps(v, _mm512_mul_ps(splat16(diffuseM[i]), diffuse[i])));
    }
    rgba[3] = splat16(std::clamp(m.diffuse.a, 0.0f, 1.0f));
}

// avx2::fogFactors, sixteen lanes.
VOREL_AVX512_VERTEX_INLINE __m512 fogFactors16(const FogSetup& f, __m512 eyeZ) {
    if (!f.enabled) return splat16(1.0f);
    __m512 v;
    if (f.end != f.start) {
        v = _mm512_div_ps(_mm512_sub_ps(splat16(f.end), eyeZ), splat16(f.end - f.start));
    } else {
        v = _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(eyeZ, splat16(f.end), _CMP_LT_OQ), splat16(1.0f));
    }
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(v, v, _CMP_UNORD_Q), clamp01_16(v), splat16(1.0f));
}

// avx2::transpose8 in each half of the registers at once.
VOREL_AVX512_VERTEX_INLINE void transpose8Halves(__m512 r[8]) {
    __m512 t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm512_unpacklo_ps(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm512_unpackhi_ps(r[2 * i], r[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i + 0] = _mm512_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(1, 0, 1, 0));
        u[4 * i + 1] = _mm512_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(3, 2, 3, 2));
        u[4 * i + 2] = _mm512_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(1, 0, 1, 0));
        u[4 * i + 3] = _mm512_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(3, 2, 3, 2));
    }
    // Each half as permute2f128 0x20 and 0x31 make it: the first or second 128 bits of both.
    const __m512i first = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 8, 9, 10, 11, 24, 25, 26, 27);
    const __m512i second = _mm512_setr_epi32(4, 5, 6, 7, 20, 21, 22, 23, 12, 13, 14, 15, 28, 29, 30, 31);
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm512_permutex2var_ps(u[i], first, u[4 + i]);
        r[4 + i] = _mm512_permutex2var_ps(u[i], second, u[4 + i]);
    }
}

// Vertices in[idx[v]] (v < count <= 16) as eight registers, one field each (lane v: vertex v;
// lanes past count hold zeros).
VOREL_AVX512_VERTEX_INLINE void loadFields16(const D3DVERTEX* in, const uint32_t* idx, int count, __m512 soa[8]) {
    for (int v = 0; v < 8; ++v) {
        const __m256 lo = v < count ? _mm256_loadu_ps(&in[idx[v]].x) : _mm256_setzero_ps();
        const __m256 hi = v + 8 < count ? _mm256_loadu_ps(&in[idx[v + 8]].x) : _mm256_setzero_ps();
        soa[v] = _mm512_insertf32x8(_mm512_castps256_ps512(lo), hi, 1);
    }
    transpose8Halves(soa);
}

// Colour, fog and texture coordinates of sixteen vertices (avx2::attributes).
VOREL_AVX512_VERTEX_INLINE void attributes16(const VertexStage& s, const __m512 soa[8], __m512 attr[kAttributeCount]) {
    const Vec3x16 p{soa[0], soa[1], soa[2]};
    const TransformSet& t = s.transforms;
    const __m512 eyeZ = row16(p, t.worldView, 2);
    for (int i = 0; i < 4; ++i) attr[i] = splat16(1.0f);
    if (s.lit) {
        const Vec3x16 n{soa[3], soa[4], soa[5]};
        const Vec3x16 eyeNormal{normalRow16(n, t.normalMatrix, 0), normalRow16(n, t.normalMatrix, 1),
                                normalRow16(n, t.normalMatrix, 2)};
        const Vec3x16 eye{row16(p, t.worldView, 0), row16(p, t.worldView, 1), eyeZ};
        light16(s.lighting, eye, eyeNormal, attr);
    }
    attr[kFog] = fogFactors16(s.fog, eyeZ);
    attr[kU] = soa[6];
    attr[kV] = soa[7];
}

// 1/w (q) and the seven attributes times q into target.out[idx[v]] from invW on (v < count).
VOREL_AVX512_VERTEX_INLINE void storeScreenAttributes16(const __m512 attr[kAttributeCount], __m512 q,
                                                        const ProjectionTarget& target, const uint32_t* idx,
                                                        int count) {
    __m512 r[8];
    r[0] = q;
    for (int a = 0; a < kAttributeCount; ++a) r[1 + a] = _mm512_mul_ps(attr[a], q);
    transpose8Halves(r);
    for (int v = 0; v < 8 && v < count; ++v) _mm256_storeu_ps(&target.out[idx[v]].invW, _mm512_castps512_ps256(r[v]));
    for (int v = 0; v + 8 < count; ++v) _mm256_storeu_ps(&target.out[idx[v + 8]].invW, _mm512_extractf32x8_ps(r[v], 1));
}

}  // namespace platform::d3d::avx512

#endif
