// The eight-wide vertex stage's building blocks (AVX2): eight vertices a register, transformed,
// lit, fogged and projected with the scalar stage's float and double operations in the same
// order, so every result has the scalar stage's bits. For the stage's own files only (x86-64 with
// GCC or Clang); every function is inlined into a function compiled for AVX2.
//
// A Block holds eight vertices, one field a register (lane v: vertex v); index lists (idx) name
// the vertices a block's lanes come from or go to; `count` lanes of a block are in use.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/d3d/vertex_simd.h"

#define VOREL_AVX2 __attribute__((target("avx2")))
#define VOREL_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace platform::d3d::avx2 {

struct Vec3x8 {
    __m256 x, y, z;
};

VOREL_AVX2_INLINE __m256 splat(float v) { return _mm256_set1_ps(v); }

// ((x m0j + y m1j) + z m2j) + m3j, the scalar transform's order.
VOREL_AVX2_INLINE __m256 row(const Vec3x8& p, const D3DMATRIX& m, int j) {
    __m256 v = _mm256_add_ps(_mm256_mul_ps(p.x, splat(m.m[0][j])), _mm256_mul_ps(p.y, splat(m.m[1][j])));
    v = _mm256_add_ps(v, _mm256_mul_ps(p.z, splat(m.m[2][j])));
    return _mm256_add_ps(v, splat(m.m[3][j]));
}

VOREL_AVX2_INLINE __m256 normalRow(const Vec3x8& n, const Mat3& m, int j) {
    __m256 v = _mm256_add_ps(_mm256_mul_ps(n.x, splat(m.m[0][j])), _mm256_mul_ps(n.y, splat(m.m[1][j])));
    return _mm256_add_ps(v, _mm256_mul_ps(n.z, splat(m.m[2][j])));
}

VOREL_AVX2_INLINE __m256 clamp01(__m256 v) {
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), splat(1.0f));
}

// Where a point light reaches eight vertices at camera-space `eye`: the direction to the light
// (normalised, zero for a zero or endless distance), the attenuation 1 / (a0 + a1 d + a2 d^2)
// (1 where that is not positive) and the lanes within range (a NaN distance counts as in range,
// as in the scalar stage).
struct PointReach {
    Vec3x8 toLight;
    __m256 atten, reached;
};

VOREL_AVX2_INLINE PointReach pointReach(const EyeLight& l, const Vec3x8& eye) {
    Vec3x8 d{_mm256_sub_ps(splat(l.position.x), eye.x), _mm256_sub_ps(splat(l.position.y), eye.y),
             _mm256_sub_ps(splat(l.position.z), eye.z)};
    __m256 squared = _mm256_add_ps(_mm256_mul_ps(d.x, d.x), _mm256_mul_ps(d.y, d.y));
    __m256 dist = _mm256_sqrt_ps(_mm256_add_ps(squared, _mm256_mul_ps(d.z, d.z)));
    PointReach r;
    r.reached = _mm256_cmp_ps(dist, splat(l.range), _CMP_NGT_UQ);
    __m256 usable = _mm256_and_ps(_mm256_cmp_ps(dist, _mm256_setzero_ps(), _CMP_GT_OQ),
                                  _mm256_cmp_ps(dist, splat(INFINITY), _CMP_LT_OQ));
    r.toLight = {_mm256_and_ps(_mm256_div_ps(d.x, dist), usable), _mm256_and_ps(_mm256_div_ps(d.y, dist), usable),
                 _mm256_and_ps(_mm256_div_ps(d.z, dist), usable)};
    __m256 denom = _mm256_add_ps(splat(l.att0), _mm256_mul_ps(splat(l.att1), dist));
    denom = _mm256_add_ps(denom, _mm256_mul_ps(_mm256_mul_ps(splat(l.att2), dist), dist));
    __m256 positive = _mm256_cmp_ps(denom, _mm256_setzero_ps(), _CMP_GT_OQ);
    r.atten = _mm256_blendv_ps(splat(1.0f), _mm256_div_ps(splat(1.0f), denom), positive);
    return r;
}

VOREL_AVX2_INLINE __m256 addWhere(__m256 sum, __m256 term, __m256 mask) {
    return _mm256_blendv_ps(sum, _mm256_add_ps(sum, term), mask);
}

// Colour of eight vertices at camera-space `eye` with eye-space normals `n`: directional and
// point lights.
VOREL_AVX2_INLINE void light(const LightingSetup& s, const Vec3x8& eye, const Vec3x8& n, __m256 rgba[4]) {
    __m256 ambient[3] = {splat(s.globalAmbient.r), splat(s.globalAmbient.g), splat(s.globalAmbient.b)};
    __m256 diffuse[3] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
    for (const EyeLight& l : s.lights) {
        const float lightAmbient[3] = {l.ambient.r, l.ambient.g, l.ambient.b};
        const float lightDiffuse[3] = {l.diffuse.r, l.diffuse.g, l.diffuse.b};
        PointReach r;
        if (l.type == D3DLIGHT_DIRECTIONAL) {
            r = {{splat(l.toLight.x), splat(l.toLight.y), splat(l.toLight.z)}, splat(1.0f),
                 _mm256_castsi256_ps(_mm256_set1_epi32(-1))};
        } else {
            r = pointReach(l, eye);
        }
        for (int c = 0; c < 3; ++c)
            ambient[c] = addWhere(ambient[c], _mm256_mul_ps(r.atten, splat(lightAmbient[c])), r.reached);
        __m256 nl = _mm256_add_ps(_mm256_mul_ps(n.x, r.toLight.x), _mm256_mul_ps(n.y, r.toLight.y));
        nl = _mm256_add_ps(nl, _mm256_mul_ps(n.z, r.toLight.z));
        // Lanes with N.L <= 0 add nothing, as the scalar loop skips them (NaN is not skipped).
        __m256 lit = _mm256_and_ps(r.reached, _mm256_cmp_ps(nl, _mm256_setzero_ps(), _CMP_NLE_UQ));
        __m256 k = _mm256_mul_ps(nl, r.atten);
        for (int c = 0; c < 3; ++c)
            diffuse[c] = addWhere(diffuse[c], _mm256_mul_ps(k, splat(lightDiffuse[c])), lit);
    }
    const D3DMATERIAL7& m = s.material;
    const float emissive[3] = {m.emissive.r, m.emissive.g, m.emissive.b};
    const float ambientM[3] = {m.ambient.r, m.ambient.g, m.ambient.b};
    const float diffuseM[3] = {m.diffuse.r, m.diffuse.g, m.diffuse.b};
    for (int i = 0; i < 3; ++i) {
        __m256 v = _mm256_add_ps(splat(emissive[i]), _mm256_mul_ps(splat(ambientM[i]), ambient[i]));
        rgba[i] = clamp01(_mm256_add_ps(v, _mm256_mul_ps(splat(diffuseM[i]), diffuse[i])));
    }
    rgba[3] = splat(std::clamp(m.diffuse.a, 0.0f, 1.0f));
}

// Linear fog by camera z: clamp((end - z) / (end - start)); NaN gives 1.
VOREL_AVX2_INLINE __m256 fogFactors(const FogSetup& f, __m256 eyeZ) {
    if (!f.enabled) return splat(1.0f);
    __m256 v;
    if (f.end != f.start) {
        v = _mm256_div_ps(_mm256_sub_ps(splat(f.end), eyeZ), splat(f.end - f.start));
    } else {
        v = _mm256_and_ps(_mm256_cmp_ps(eyeZ, splat(f.end), _CMP_LT_OQ), splat(1.0f));
    }
    __m256 isNaN = _mm256_cmp_ps(v, v, _CMP_UNORD_Q);
    return _mm256_blendv_ps(clamp01(v), splat(1.0f), isNaN);
}

// Eight rows of eight floats turned into eight columns, in registers (scalar stores followed by a
// wide load of the same bytes would stall on store forwarding).
VOREL_AVX2_INLINE void transpose8(__m256 r[8]) {
    __m256 t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i + 0] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(1, 0, 1, 0));
        u[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(3, 2, 3, 2));
        u[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(1, 0, 1, 0));
        u[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2f128_ps(u[i], u[4 + i], 0x20);
        r[4 + i] = _mm256_permute2f128_ps(u[i], u[4 + i], 0x31);
    }
}

// Eight vertices' results in registers, one field per register.
struct Block {
    __m256 x, y, z, w;
    __m256 attr[kAttributeCount];
};

// Vertices in[idx[0]] .. in[idx[count - 1]] as eight registers, one field each (lanes past count
// hold zeros).
VOREL_AVX2_INLINE void loadFields(const D3DVERTEX* in, const uint32_t* idx, int count, __m256 soa[8]) {
    static_assert(sizeof(D3DVERTEX) == 8 * sizeof(float), "a vertex is eight floats");
    for (int v = 0; v < 8; ++v) soa[v] = v < count ? _mm256_loadu_ps(&in[idx[v]].x) : _mm256_setzero_ps();
    transpose8(soa);  // soa[k]: field k of the eight vertices
}

// Clip positions of eight model-space positions.
VOREL_AVX2_INLINE void positions(const VertexStage& s, const Vec3x8& p, Block& b) {
    const D3DMATRIX& m = s.transforms.worldViewProjection;
    b.x = row(p, m, 0), b.y = row(p, m, 1), b.z = row(p, m, 2), b.w = row(p, m, 3);
}

VOREL_AVX2_INLINE void positions(const VertexStage& s, const __m256 soa[8], Block& b) {
    positions(s, Vec3x8{soa[0], soa[1], soa[2]}, b);
}

// x, y and z of vertices first + stride k for k < count (count <= 8; lanes past count hold
// zeros): the first 16 bytes of each vertex, two vertices a register, transposed four by four.
VOREL_AVX2_INLINE Vec3x8 loadPositions(const D3DVERTEX* in, uint32_t first, int count, uint32_t stride = 1) {
    __m128 v[8];
    for (int k = 0; k < 8; ++k) v[k] = k < count ? _mm_loadu_ps(&in[first + stride * uint32_t(k)].x) : _mm_setzero_ps();
    __m256 r[4];
    for (int k = 0; k < 4; ++k) r[k] = _mm256_insertf128_ps(_mm256_castps128_ps256(v[k]), v[k + 4], 1);
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    return {_mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0)), _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2)),
            _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0))};
}

VOREL_AVX2_INLINE void attributes(const VertexStage& s, const __m256 soa[8], Block& b) {
    Vec3x8 p{soa[0], soa[1], soa[2]};
    const TransformSet& t = s.transforms;
    __m256 eyeZ = row(p, t.worldView, 2);
    for (int i = 0; i < 4; ++i) b.attr[i] = splat(1.0f);
    if (s.lit) {
        Vec3x8 n{soa[3], soa[4], soa[5]};
        Vec3x8 eyeNormal{normalRow(n, t.normalMatrix, 0), normalRow(n, t.normalMatrix, 1),
                         normalRow(n, t.normalMatrix, 2)};
        Vec3x8 eye{row(p, t.worldView, 0), row(p, t.worldView, 1), eyeZ};  // for point lights
        light(s.lighting, eye, eyeNormal, b.attr);
    }
    b.attr[kFog] = fogFactors(s.fog, eyeZ);
    b.attr[kU] = soa[6];
    b.attr[kV] = soa[7];
}

// The block's first `count` vertices into out[idx[v]]: x y z w and the colour as one 32-byte row
// per vertex (transposed in registers), fog and texture coordinates one by one.
VOREL_AVX2_INLINE void storeClip(const Block& b, ClipVertex* out, const uint32_t* idx, int count) {
    static_assert(offsetof(ClipVertex, attr) == 4 * sizeof(float), "x y z w, then the attributes");
    __m256 r[8] = {b.x, b.y, b.z, b.w, b.attr[0], b.attr[1], b.attr[2], b.attr[3]};
    transpose8(r);
    alignas(32) float rest[3][8];
    for (int a = 0; a < 3; ++a) _mm256_store_ps(rest[a], b.attr[kFog + a]);
    for (int v = 0; v < count; ++v) {
        ClipVertex& o = out[idx[v]];
        _mm256_storeu_ps(&o.x, r[v]);
        for (int a = 0; a < 3; ++a) o.attr[kFog + a] = rest[a][v];
    }
}

// Halves away from zero, as std::lround, for |v| < 2^31 (the caller has checked |v| <= 1.6e7):
// v plus the largest double below one half, with v's sign, then truncated. The sum rounds up to
// the next integer exactly when v's fraction is at least one half (a fraction just below one half
// stays below it: the added value is one half less 2^-54).
VOREL_AVX2_INLINE __m128i roundHalfAway(__m256d v) {
    const __m256d justBelowHalf = _mm256_set1_pd(0.49999999999999994);
    const __m256d sign = _mm256_and_pd(v, _mm256_set1_pd(-0.0));
    return _mm256_cvttpd_epi32(_mm256_add_pd(v, _mm256_or_pd(justBelowHalf, sign)));
}

VOREL_AVX2_INLINE __m256d finiteWithin(__m256d v, double limit) {
    __m256d finite = _mm256_cmp_pd(_mm256_sub_pd(v, v), _mm256_setzero_pd(), _CMP_EQ_OQ);
    __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
    return _mm256_and_pd(finite, _mm256_cmp_pd(magnitude, _mm256_set1_pd(limit), _CMP_LE_OQ));
}

// Lanes inside all six clip planes, with outcode's float operations: z >= 0, w - z >= 0,
// g w -+ x >= 0, g w -+ y >= 0 (NaN fails; an infinite x, y or z fails one of them).
VOREL_AVX2_INLINE int insideBits(__m256 x, __m256 y, __m256 z, __m256 w, const ClipPlanes& planes) {
    const __m256 zero = _mm256_setzero_ps();
    __m256 gx = _mm256_mul_ps(splat(planes.guardX), w), gy = _mm256_mul_ps(splat(planes.guardY), w);
    __m256 in = _mm256_and_ps(_mm256_cmp_ps(z, zero, _CMP_GE_OQ), _mm256_cmp_ps(_mm256_sub_ps(w, z), zero, _CMP_GE_OQ));
    in = _mm256_and_ps(in, _mm256_and_ps(_mm256_cmp_ps(_mm256_sub_ps(gx, x), zero, _CMP_GE_OQ),
                                         _mm256_cmp_ps(_mm256_add_ps(gx, x), zero, _CMP_GE_OQ)));
    in = _mm256_and_ps(in, _mm256_and_ps(_mm256_cmp_ps(_mm256_sub_ps(gy, y), zero, _CMP_GE_OQ),
                                         _mm256_cmp_ps(_mm256_add_ps(gy, y), zero, _CMP_GE_OQ)));
    return _mm256_movemask_ps(in);
}

// Four vertices' screen positions, as projectPosition and projectVertex make them.
struct Projected4 {
    __m128i x, y;  // 1/16 pixel
    __m256d z;     // viewport depth
    __m128 q;      // 1/w as float, or 1 without perspective
    int ok;        // bit per lane: projected (w > 0, on-screen within 1e6 pixels)
};

// Whether every vertex inside the clip planes with a finite positive w lands within 1e6 pixels
// (then projection needs no range test of its own): |x| <= g w (up to float rounding) puts the
// screen position within |map.x| + |half width| (1 + g), with a wide margin for the rounding.
inline bool guardBandBounded(const ProjectionTarget& t) {
    const double limit = 0.999e6;
    return std::fabs(double(t.map.x)) + std::fabs(double(t.map.halfWidth)) * (1.0 + 1.001 * t.planes.guardX) <= limit &&
           std::fabs(double(t.map.y)) + std::fabs(double(t.map.halfHeight)) * (1.0 + 1.001 * t.planes.guardY) <= limit;
}

// rangeTested: w > 0 and finite and the screen position finite and within 1e6 pixels, lane by
// lane, as projectPosition tests them; otherwise the caller vouches for the lanes it will use
// (guardBandBounded) and `ok` is left to it.
VOREL_AVX2_INLINE Projected4 project4(__m128 x, __m128 y, __m128 z, __m128 w, const ProjectionTarget& target,
                                      bool rangeTested) {
    const ViewportMap& map = target.map;
    const __m256d xd = _mm256_cvtps_pd(x), yd = _mm256_cvtps_pd(y), zd = _mm256_cvtps_pd(z);
    __m256d wd = _mm256_cvtps_pd(w);
    __m256d invW = _mm256_div_pd(_mm256_set1_pd(1.0), wd);
    const __m256d one = _mm256_set1_pd(1.0);
    __m256d sx = _mm256_add_pd(_mm256_set1_pd(double(map.x)),
                               _mm256_mul_pd(_mm256_set1_pd(double(map.halfWidth)),
                                             _mm256_add_pd(one, _mm256_mul_pd(xd, invW))));
    __m256d sy = _mm256_add_pd(_mm256_set1_pd(double(map.y)),
                               _mm256_mul_pd(_mm256_set1_pd(double(map.halfHeight)),
                                             _mm256_sub_pd(one, _mm256_mul_pd(yd, invW))));
    Projected4 p;
    p.ok = 0;
    if (rangeTested) {
        // w > 0 and finite (the float w, exactly as double), the position finite and near.
        __m256d valid = _mm256_and_pd(_mm256_cmp_pd(wd, _mm256_setzero_pd(), _CMP_GT_OQ), finiteWithin(wd, 1e308));
        valid = _mm256_and_pd(valid, _mm256_and_pd(finiteWithin(sx, 1e6), finiteWithin(sy, 1e6)));
        // Invalid lanes may hold anything; keep them in range for the conversion.
        sx = _mm256_and_pd(sx, valid), sy = _mm256_and_pd(sy, valid);
        p.ok = _mm256_movemask_pd(valid);
    }
    const __m256d sub = _mm256_set1_pd(double(kSubPixel));
    p.x = roundHalfAway(_mm256_mul_pd(sx, sub));
    p.y = roundHalfAway(_mm256_mul_pd(sy, sub));
    p.z = _mm256_add_pd(_mm256_set1_pd(double(map.minZ)),
                        _mm256_mul_pd(_mm256_mul_pd(zd, invW), _mm256_set1_pd(double(map.maxZ) - double(map.minZ))));
    p.q = target.perspective ? _mm256_cvtpd_ps(invW) : _mm_set1_ps(1.0f);
    return p;
}

// Both halves of a block projected.
struct Projected8 {
    Projected4 lo, hi;
};

VOREL_AVX2_INLINE __m256 qOf(const Projected8& p) { return _mm256_set_m128(p.hi.q, p.lo.q); }

// bounded: guardBandBounded(target). Lanes not ok hold undefined positions.
VOREL_AVX2_INLINE Projected8 project8(const Block& b, const ProjectionTarget& target, bool bounded) {
    Projected8 p{project4(_mm256_castps256_ps128(b.x), _mm256_castps256_ps128(b.y), _mm256_castps256_ps128(b.z),
                          _mm256_castps256_ps128(b.w), target, !bounded),
                 project4(_mm256_extractf128_ps(b.x, 1), _mm256_extractf128_ps(b.y, 1), _mm256_extractf128_ps(b.z, 1),
                          _mm256_extractf128_ps(b.w, 1), target, !bounded)};
    int inside = insideBits(b.x, b.y, b.z, b.w, target.planes);
    if (bounded) {
        const __m256 finitePositive = _mm256_and_ps(_mm256_cmp_ps(b.w, _mm256_setzero_ps(), _CMP_GT_OQ),
                                                    _mm256_cmp_ps(b.w, splat(INFINITY), _CMP_LT_OQ));
        inside &= _mm256_movemask_ps(finitePositive);
        p.lo.ok = p.hi.ok = 0xF;
    }
    p.lo.ok &= inside & 0xF;
    p.hi.ok &= inside >> 4;
    return p;
}

// Screen position, depth and ok of the block's first `count` vertices (target.out[idx[v]]).
VOREL_AVX2_INLINE void storeScreenPositions(const Projected8& p, const ProjectionTarget& target, const uint32_t* idx,
                                            int count) {
    alignas(32) int32_t xs[8], ys[8];
    alignas(32) double zs[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(xs), _mm256_set_m128i(p.hi.x, p.lo.x));
    _mm256_store_si256(reinterpret_cast<__m256i*>(ys), _mm256_set_m128i(p.hi.y, p.lo.y));
    _mm256_store_pd(zs, p.lo.z);
    _mm256_store_pd(zs + 4, p.hi.z);
    const int ok = p.lo.ok | p.hi.ok << 4;
    for (int v = 0; v < count; ++v) {
        target.ok[idx[v]] = uint8_t((ok >> v) & 1);
        ScreenVertex& o = target.out[idx[v]];
        o.x = xs[v], o.y = ys[v], o.z = zs[v];
    }
}

// 1/w (q) and the seven attributes times q, transposed: r[v] is vertex v's ScreenVertex from invW
// on (32 bytes).
VOREL_AVX2_INLINE void attributeRows(const Block& b, __m256 q, __m256 r[8]) {
    static_assert(offsetof(ScreenVertex, attr) == offsetof(ScreenVertex, invW) + sizeof(float),
                  "1/w, then the attributes");
    r[0] = q;
    for (int a = 0; a < kAttributeCount; ++a) r[1 + a] = _mm256_mul_ps(b.attr[a], q);
    transpose8(r);
}

// The rows of attributeRows into target.out[idx[v]].
VOREL_AVX2_INLINE void storeScreenAttributes(const Block& b, __m256 q, const ProjectionTarget& target,
                                             const uint32_t* idx, int count) {
    __m256 r[8];
    attributeRows(b, q, r);
    for (int v = 0; v < count; ++v) _mm256_storeu_ps(&target.out[idx[v]].invW, r[v]);
}

// The fields of vertices in[idx[v]] (soa) and their clip positions.
VOREL_AVX2_INLINE Block positionsAt(const VertexStage& s, const D3DVERTEX* in, const uint32_t* idx, int count,
                                    __m256 soa[8]) {
    loadFields(in, idx, count, soa);
    Block b;
    positions(s, soa, b);
    return b;
}

// Colour, fog and texture coordinates of the block, then the whole clip vertices into out[idx[v]].
VOREL_AVX2_INLINE void completeClip(const VertexStage& s, const __m256 soa[8], Block& b, ClipVertex* out,
                                    const uint32_t* idx, int count) {
    attributes(s, soa, b);
    storeClip(b, out, idx, count);
}

VOREL_AVX2_INLINE void consecutive(uint32_t first, uint32_t idx[8]) {
    for (uint32_t k = 0; k < 8; ++k) idx[k] = first + k;
}

}  // namespace platform::d3d::avx2

#endif
