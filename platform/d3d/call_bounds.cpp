// Whole calls beyond the view: a few vertices first, then all of them against the planes those
// have in common.
#include "platform/d3d/call_bounds.h"

#include <atomic>

#include "platform/d3d/raster_options.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include "platform/d3d/vertex_avx2.h"
#define VOREL_CALL_BOUNDS_AVX2 1
#endif

namespace platform::d3d {

namespace {

enum Plane : unsigned { kNear = 1, kFar = 2, kRight = 4, kLeft = 8, kTop = 16, kBottom = 32 };

// How many vertices are tested one by one before the rest (spread evenly over the call).
constexpr uint32_t kSamples = 8;

#ifdef VOREL_CALL_BOUNDS_AVX2

using namespace avx2;

// Bits of the lanes of `p` beyond plane Plane, with beyondMasks' float operations (only the clip
// coordinates the plane needs are made).
template <unsigned Plane>
VOREL_AVX2_INLINE uint32_t beyondLanes(const Vec3x8& p, const D3DMATRIX& m, __m256 kx, __m256 ky) {
    const __m256 zero = _mm256_setzero_ps();
    if constexpr (Plane == kNear) return uint32_t(_mm256_movemask_ps(_mm256_cmp_ps(row(p, m, 2), zero, _CMP_NGE_UQ)));
    const __m256 w = row(p, m, 3);
    if constexpr (Plane == kFar)
        return uint32_t(_mm256_movemask_ps(_mm256_cmp_ps(_mm256_sub_ps(w, row(p, m, 2)), zero, _CMP_NGE_UQ)));
    const __m256 front = _mm256_cmp_ps(w, zero, _CMP_GT_OQ);
    const __m256 c = Plane & (kRight | kLeft) ? row(p, m, 0) : row(p, m, 1);
    const __m256 wk = _mm256_mul_ps(w, Plane & (kRight | kLeft) ? kx : ky);
    const __m256 past = Plane & (kRight | kTop) ? _mm256_cmp_ps(c, wk, _CMP_GT_OQ)
                                                : _mm256_cmp_ps(c, _mm256_sub_ps(zero, wk), _CMP_LT_OQ);
    return uint32_t(_mm256_movemask_ps(_mm256_and_ps(front, past)));
}

// Whether every vertex of [0, count) lies beyond plane Plane.
template <unsigned Plane>
VOREL_AVX2 bool allBeyond(const D3DMATRIX& m, float kx, float ky, const D3DVERTEX* v, uint32_t count) {
    const __m256 kx8 = splat(kx), ky8 = splat(ky);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8)
        if (beyondLanes<Plane>(loadPositions(v, i, 8), m, kx8, ky8) != 0xFFu) return false;
    if (i == count) return true;
    const int n = int(count - i);
    return ((beyondLanes<Plane>(loadPositions(v, i, n), m, kx8, ky8) | 0xFFu << n) & 0xFFu) == 0xFFu;
}

// Whether every vertex of [0, count) lies beyond one of `planes`.
bool anyPlaneHolds(const D3DMATRIX& m, float kx, float ky, const D3DVERTEX* v, uint32_t count, unsigned planes) {
    using Test = bool (*)(const D3DMATRIX&, float, float, const D3DVERTEX*, uint32_t);
    static constexpr Test kTests[6] = {allBeyond<kNear>, allBeyond<kFar>, allBeyond<kRight>,
                                       allBeyond<kLeft>, allBeyond<kTop>, allBeyond<kBottom>};
    for (unsigned j = 0; j < 6; ++j)
        if ((planes >> j & 1) && kTests[j](m, kx, ky, v, count)) return true;
    return false;
}

#endif

std::atomic<unsigned long long> skippedCallCount{0}, skippedTriangleCount{0};

}  // namespace

unsigned beyondPlanes(const Vec4& c, float kx, float ky) {
    const bool front = c.w > 0.0f;
    const float wx = c.w * kx, wy = c.w * ky;
    unsigned planes = 0;
    if (!(c.z >= 0.0f)) planes |= kNear;
    if (!(c.w - c.z >= 0.0f)) planes |= kFar;
    if (front && c.x > wx) planes |= kRight;
    if (front && c.x < 0.0f - wx) planes |= kLeft;
    if (front && c.y > wy) planes |= kTop;
    if (front && c.y < 0.0f - wy) planes |= kBottom;
    return planes;
}

bool callBeyondView(const D3DMATRIX& m, const ViewportMap& map, const D3DVERTEX* v, uint32_t count) {
#ifdef VOREL_CALL_BOUNDS_AVX2
    if (count == 0 || !haveAvx2()) return false;
    const float kx = beyondFactor(map.halfWidth), ky = beyondFactor(map.halfHeight);
    unsigned planes = kNear | kFar | kRight | kLeft | kTop | kBottom;
    // Most calls keep a vertex inside the view: a few spread over the call tell them.
    for (uint32_t s = 0; s < kSamples && planes; ++s) {
        const D3DVERTEX& p = v[uint64_t(count - 1) * s / (kSamples - 1)];
        planes &= beyondPlanes(transformPoint({p.x, p.y, p.z}, m), kx, ky);
    }
    return planes && anyPlaneHolds(m, kx, ky, v, count, planes);
#else
    (void)m, (void)map, (void)v, (void)count;
    return false;
#endif
}

SkippedCalls skippedCalls() {
    return {skippedCallCount.load(std::memory_order_relaxed), skippedTriangleCount.load(std::memory_order_relaxed)};
}

void countSkippedCall(uint32_t triangles) {
    skippedCallCount.fetch_add(1, std::memory_order_relaxed);
    skippedTriangleCount.fetch_add(triangles, std::memory_order_relaxed);
}

}  // namespace platform::d3d
