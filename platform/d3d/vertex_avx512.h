// The eight-wide vertex stage's projection with AVX-512: eight vertices' doubles in one register
// instead of two halves of four, with the same double operations lane for lane as project8 in
// vertex_avx2.h (so the same bits). For the stage's own files only (x86-64 with GCC or Clang);
// every function is inlined into a function compiled for AVX-512 F/DQ/VL, and such a file must be
// compiled with -ffp-contract=off (AVX-512 brings FMA, and a fused multiply-add rounds once).
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/vertex_avx2.h"

#define VOREL_AVX512_VERTEX __attribute__((target("avx512f,avx512dq,avx512vl,avx2")))
#define VOREL_AVX512_VERTEX_INLINE __attribute__((target("avx512f,avx512dq,avx512vl,avx2"), always_inline)) inline

namespace platform::d3d::avx512 {

// Eight vertices' screen positions, as project8 makes them.
struct Projected8Wide {
    __m256i x, y;  // 1/16 pixel
    __m512d z;     // viewport depth
    __m256 q;      // 1/w as float, or 1 without perspective
    uint32_t ok;   // bit per lane: inside every clip plane with a finite positive w
};

// roundHalfAway of avx2, eight lanes.
VOREL_AVX512_VERTEX_INLINE __m256i roundHalfAway(__m512d v) {
    const __m512d justBelowHalf = _mm512_set1_pd(0.49999999999999994);
    const __m512d sign = _mm512_and_pd(v, _mm512_set1_pd(-0.0));
    return _mm512_cvttpd_epi32(_mm512_add_pd(v, _mm512_or_pd(justBelowHalf, sign)));
}

// project8 for a target whose guard band is bounded (guardBandBounded): lanes not ok hold
// undefined positions.
VOREL_AVX512_VERTEX_INLINE Projected8Wide project8Bounded(const avx2::Block& b, const ProjectionTarget& target) {
    const ViewportMap& map = target.map;
    const __m512d xd = _mm512_cvtps_pd(b.x), yd = _mm512_cvtps_pd(b.y), zd = _mm512_cvtps_pd(b.z);
    const __m512d invW = _mm512_div_pd(_mm512_set1_pd(1.0), _mm512_cvtps_pd(b.w));
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d sx = _mm512_add_pd(_mm512_set1_pd(double(map.x)),
                                     _mm512_mul_pd(_mm512_set1_pd(double(map.halfWidth)),
                                                   _mm512_add_pd(one, _mm512_mul_pd(xd, invW))));
    const __m512d sy = _mm512_add_pd(_mm512_set1_pd(double(map.y)),
                                     _mm512_mul_pd(_mm512_set1_pd(double(map.halfHeight)),
                                                   _mm512_sub_pd(one, _mm512_mul_pd(yd, invW))));
    Projected8Wide p;
    const __m512d sub = _mm512_set1_pd(double(kSubPixel));
    p.x = roundHalfAway(_mm512_mul_pd(sx, sub));
    p.y = roundHalfAway(_mm512_mul_pd(sy, sub));
    p.z = _mm512_add_pd(_mm512_set1_pd(double(map.minZ)),
                        _mm512_mul_pd(_mm512_mul_pd(zd, invW), _mm512_set1_pd(double(map.maxZ) - double(map.minZ))));
    p.q = target.perspective ? _mm512_cvtpd_ps(invW) : _mm256_set1_ps(1.0f);
    const __m256 finitePositive = _mm256_and_ps(_mm256_cmp_ps(b.w, _mm256_setzero_ps(), _CMP_GT_OQ),
                                                _mm256_cmp_ps(b.w, avx2::splat(INFINITY), _CMP_LT_OQ));
    p.ok = uint32_t(avx2::insideBits(b.x, b.y, b.z, b.w, target.planes) & _mm256_movemask_ps(finitePositive));
    return p;
}

}  // namespace platform::d3d::avx512

#endif
