// Set-up of one triangle with AVX2 (see the header; setupTriangle is the reference).
#include "platform/d3d/triangle_setup_avx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#include <climits>
#include <cstddef>

#define VOREL_SETUP_AVX2 __attribute__((target("avx2")))
#define VOREL_SETUP_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace platform::d3d {

namespace {

// The stores below write the record in three runs of 32 bytes for the edges and three for 1/w and
// the attributes (w0 dw1 dw2, then a0, da1, da2, each kAttributeCount floats).
static_assert(kAttributeCount == 7, "1/w and the attributes fill one register");
static_assert(sizeof(Edge) == 32 && offsetof(TriangleSetup, edge) == 0);
static_assert(offsetof(TriangleSetup, minX) + 4 == offsetof(TriangleSetup, minY) &&
              offsetof(TriangleSetup, minY) + 4 == offsetof(TriangleSetup, maxX) &&
              offsetof(TriangleSetup, maxX) + 4 == offsetof(TriangleSetup, maxY));
static_assert(offsetof(TriangleSetup, dw1) == offsetof(TriangleSetup, w0) + 4 &&
              offsetof(TriangleSetup, dw2) == offsetof(TriangleSetup, w0) + 8 &&
              offsetof(TriangleSetup, a0) == offsetof(TriangleSetup, w0) + 12 &&
              offsetof(TriangleSetup, da1) == offsetof(TriangleSetup, w0) + 40 &&
              offsetof(TriangleSetup, da2) == offsetof(TriangleSetup, w0) + 68 &&
              sizeof(TriangleSetup) >= offsetof(TriangleSetup, w0) + 96);
static_assert(offsetof(ScreenVertex, y) == offsetof(ScreenVertex, x) + 4);
static_assert(sizeof(Scissor) == 16 && offsetof(Scissor, minY) == 4 && offsetof(Scissor, maxX) == 8 &&
              offsetof(Scissor, maxY) == 12);
static_assert(offsetof(ScreenVertex, attr) == offsetof(ScreenVertex, invW) + 4);

// x and y of a vertex in the two low 32-bit lanes.
VOREL_SETUP_INLINE __m128i position(const ScreenVertex& v) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v.x));
}

// The pixel box (minX, minY, maxX, maxY) within the scissor; false when empty.
VOREL_SETUP_INLINE bool pixelBox(__m128i p0, __m128i p1, __m128i p2, const Scissor& s, TriangleSetup* t) {
    static_assert(kSubPixel == 16, "the box divides by shifting");
    const __m128i lo = _mm_min_epi32(_mm_min_epi32(p0, p1), p2), hi = _mm_max_epi32(_mm_max_epi32(p0, p1), p2);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ceilLo = _mm_sub_epi32(zero, _mm_srai_epi32(_mm_sub_epi32(zero, lo), kSubPixelBits));
    const __m128i scissor = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&s));
    __m128i box = _mm_unpacklo_epi64(ceilLo, _mm_srai_epi32(hi, kSubPixelBits));
    box = _mm_max_epi32(box, _mm_blend_epi32(scissor, _mm_set1_epi32(INT_MIN), 0xC));
    box = _mm_min_epi32(box, _mm_blend_epi32(scissor, _mm_set1_epi32(INT_MAX), 0x3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&t->minX), box);
    // Empty where min > max in x or y: compare (minX, minY) with (maxX, maxY).
    const __m128i over = _mm_cmpgt_epi32(box, _mm_unpackhi_epi64(box, box));
    return (_mm_movemask_ps(_mm_castsi128_ps(over)) & 3) == 0;
}

// The edges v1 -> v2, v2 -> v0, v0 -> v1 in the order given, one a 64-bit lane (lane 3 is 0).
struct EdgeRows {
    __m256i d;  // (dx, dy) in the lane's two 32-bit halves: differences fit in 32 bits
    __m256i c;  // dy x0 - dx y0 from the edge's start (x0, y0)
};

VOREL_SETUP_INLINE EdgeRows edgeRows(__m128i p0, __m128i p1, __m128i p2) {
    // 64-bit lane i: (x, y) of vertex i; the start of edge i is vertex i + 1, its end vertex i + 2.
    const __m256i p = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(p0, p1)), p2, 1);
    const __m256i from = _mm256_permute4x64_epi64(p, _MM_SHUFFLE(3, 0, 2, 1));
    const __m256i to = _mm256_permute4x64_epi64(p, _MM_SHUFFLE(3, 1, 0, 2));
    const __m256i d = _mm256_sub_epi32(to, from);
    // _mm256_mul_epi32 takes the low 32 bits of each 64-bit lane as signed.
    const __m256i dy = _mm256_shuffle_epi32(d, _MM_SHUFFLE(2, 3, 0, 1));
    const __m256i fromY = _mm256_shuffle_epi32(from, _MM_SHUFFLE(2, 3, 0, 1));
    return {d, _mm256_sub_epi64(_mm256_mul_epi32(dy, from), _mm256_mul_epi32(d, fromY))};
}

// Twice the signed area (signedArea): the three edges' c add up to it.
VOREL_SETUP_INLINE int64_t twiceArea(const EdgeRows& rows) {
    const __m128i sum = _mm_add_epi64(_mm256_castsi256_si128(rows.c), _mm256_extracti128_si256(rows.c, 1));
    return _mm_cvtsi128_si64(sum) + _mm_extract_epi64(sum, 1);
}

// The edges of the clockwise triangle (makeEdge in triangle_setup.cpp). Counter-clockwise, that
// is v0 v2 v1: its edges are those given, reversed (a, b, c negated, the bias worked out from the
// reversed direction), the second and third swapped.
VOREL_SETUP_INLINE void storeEdges(const EdgeRows& rows, bool clockwise, TriangleSetup* t) {
    const __m256i flip = _mm256_set1_epi64x(clockwise ? 0 : -1);
    const __m256i d = _mm256_sub_epi32(_mm256_xor_si256(rows.d, flip), flip);
    const __m256i c = _mm256_sub_epi64(_mm256_xor_si256(rows.c, flip), flip);
    const __m256i dy = _mm256_shuffle_epi32(d, _MM_SHUFFLE(2, 3, 0, 1));
    const __m256i a = _mm256_mul_epi32(dy, _mm256_set1_epi64x(-kSubPixel));
    const __m256i b = _mm256_mul_epi32(d, _mm256_set1_epi64x(kSubPixel));
    // Top or left: dy < 0, or dy == 0 and dx > 0 (masks in each lane's low 32 bits).
    const __m256i zero = _mm256_setzero_si256();
    const __m256i topLeft = _mm256_or_si256(_mm256_cmpgt_epi32(zero, dy),
                                            _mm256_and_si256(_mm256_cmpeq_epi32(dy, zero), _mm256_cmpgt_epi32(d, zero)));
    const __m256i bias = _mm256_and_si256(topLeft, _mm256_set1_epi64x(1));
    // Rows a, b, c, bias into one register an edge.
    const __m256i ab02 = _mm256_unpacklo_epi64(a, b), ab13 = _mm256_unpackhi_epi64(a, b);
    const __m256i cs02 = _mm256_unpacklo_epi64(c, bias), cs13 = _mm256_unpackhi_epi64(c, bias);
    __m256i* e = reinterpret_cast<__m256i*>(t->edge);
    _mm256_storeu_si256(e, _mm256_permute2x128_si256(ab02, cs02, 0x20));
    _mm256_storeu_si256(e + (clockwise ? 1 : 2), _mm256_permute2x128_si256(ab13, cs13, 0x20));
    _mm256_storeu_si256(e + (clockwise ? 2 : 1), _mm256_permute2x128_si256(ab02, cs02, 0x31));
}

// z0 dz1 dz2, then w0 dw1 dw2 and a0 da1 da2 from each corner's 1/w and attributes.
VOREL_SETUP_INLINE void attributes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                   TriangleSetup* t) {
    const __m256 c0 = _mm256_loadu_ps(&v0.invW);
    const __m256 d1 = _mm256_sub_ps(_mm256_loadu_ps(&v1.invW), c0);
    const __m256 d2 = _mm256_sub_ps(_mm256_loadu_ps(&v2.invW), c0);
    const double z0 = v0.z, z1 = v1.z, z2 = v2.z;
    t->z0 = z0, t->dz1 = z1 - z0, t->dz2 = z2 - z0;
    // Floats from w0 on: c0[0] d1[0] d2[0] c0[1..7] d1[1..7] d2[1..7].
    const __m256 first = _mm256_blend_ps(
        _mm256_blend_ps(_mm256_permutevar8x32_ps(c0, _mm256_setr_epi32(0, 0, 0, 1, 2, 3, 4, 5)),
                        _mm256_broadcastss_ps(_mm256_castps256_ps128(d1)), 0x02),
        _mm256_broadcastss_ps(_mm256_castps256_ps128(d2)), 0x04);
    const __m256 second = _mm256_blend_ps(_mm256_permutevar8x32_ps(c0, _mm256_setr_epi32(6, 7, 0, 0, 0, 0, 0, 0)),
                                          _mm256_permutevar8x32_ps(d1, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6)), 0xFC);
    const __m256 third = _mm256_blend_ps(_mm256_permutevar8x32_ps(d1, _mm256_set1_epi32(7)), d2, 0xFE);
    float* w = &t->w0;
    _mm256_storeu_ps(w, first);
    _mm256_storeu_ps(w + 8, second);
    _mm256_storeu_ps(w + 16, third);
}

}  // namespace

VOREL_SETUP_AVX2 bool setupTriangleAvx2(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                        D3DCULL cull, const Scissor& scissor, TriangleSetup* t) {
    const __m128i p0 = position(v0), p1 = position(v1), p2 = position(v2);
    const EdgeRows rows = edgeRows(p0, p1, p2);
    const int64_t area = twiceArea(rows);
    if (area == 0 || (cull == D3DCULL_CCW && area < 0) || (cull == D3DCULL_CW && area > 0)) return false;
    if (!pixelBox(p0, p1, p2, scissor, t)) return false;
    // Walked clockwise, as setupTriangle walks it.
    const bool clockwise = area > 0;
    storeEdges(rows, clockwise, t);
    t->invArea = 1.0 / static_cast<double>(clockwise ? area : -area);
    attributes(v0, clockwise ? v1 : v2, clockwise ? v2 : v1, t);
    return true;
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
bool setupTriangleAvx2(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, D3DCULL cull,
                       const Scissor& scissor, TriangleSetup* out) {
    return setupTriangle(v0, v1, v2, cull, scissor, out);
}
}  // namespace platform::d3d

#endif
