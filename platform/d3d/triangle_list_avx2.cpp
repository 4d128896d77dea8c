// Triangle lists through the eight-wide vertex stage: positions and projections first, triangles
// culled eight at a time (triangle_drop_avx2.h), and only the vertices of kept triangles lit.
#include "platform/d3d/vertex_simd.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))


#include <cstring>

#include "platform/d3d/call_bounds.h"
#include "platform/d3d/triangle_drop_avx2.h"
#include "platform/d3d/triangle_drop_avx512.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/vertex_avx512.h"

// GCC 12 takes the AVX-512 intrinsics' deliberately undefined source registers for values used
// uninitialized (a false warning, reported for the intrinsics' own headers).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace platform::d3d {

namespace {

using namespace avx2;

// Lanes beyond each plane that leaves a triangle wholly beyond it invisible: near and far
// (outcode's tests), and, where w > 0, two pixels or more past an edge of the viewport (x > kx w,
// x < -kx w, y > ky w, y < -ky w with k = beyondFactor of half the size; clipping and projection keep such
// a triangle off the viewport, so set-up would find no pixel of it).
VOREL_AVX2_INLINE void beyondMasks(const Block& b, __m256 kx, __m256 ky, __m256 beyond[6]) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 front = _mm256_cmp_ps(b.w, zero, _CMP_GT_OQ);
    const __m256 wx = _mm256_mul_ps(b.w, kx), wy = _mm256_mul_ps(b.w, ky);
    beyond[0] = _mm256_cmp_ps(b.z, zero, _CMP_NGE_UQ);
    beyond[1] = _mm256_cmp_ps(_mm256_sub_ps(b.w, b.z), zero, _CMP_NGE_UQ);
    beyond[2] = _mm256_and_ps(front, _mm256_cmp_ps(b.x, wx, _CMP_GT_OQ));
    beyond[3] = _mm256_and_ps(front, _mm256_cmp_ps(b.x, _mm256_sub_ps(zero, wx), _CMP_LT_OQ));
    beyond[4] = _mm256_and_ps(front, _mm256_cmp_ps(b.y, wy, _CMP_GT_OQ));
    beyond[5] = _mm256_and_ps(front, _mm256_cmp_ps(b.y, _mm256_sub_ps(zero, wy), _CMP_LT_OQ));
}

// Lanes (triangles) whose three corners (blocks[k], lane t: corner k of triangle t) all lie
// beyond one and the same plane.
VOREL_AVX2_INLINE uint32_t beyondTriangles(const Block blocks[3], __m256 kx, __m256 ky) {
    __m256 m[3][6];
    for (int k = 0; k < 3; ++k) beyondMasks(blocks[k], kx, ky, m[k]);
    __m256 any = _mm256_setzero_ps();
    for (int j = 0; j < 6; ++j) any = _mm256_or_ps(any, _mm256_and_ps(_mm256_and_ps(m[0][j], m[1][j]), m[2][j]));
    return uint32_t(_mm256_movemask_ps(any));
}

// Screen positions of a group's 24 vertices, corner by corner: index 8k + t is corner k of
// triangle t (valid where projected).
struct GroupScreen {
    alignas(32) int32_t x[24], y[24];
    alignas(32) double z[24];
    uint32_t ok[3] = {};  // corner k: bit t where projected ahead
};

// Index of list vertex v of a chunk in the chunk's corner-by-corner arrays (GroupScreen, q):
// groups of eight triangles, each corner k of its triangles t at 8k + t.
inline uint32_t cornerIndex(uint32_t v) {
    const uint32_t inGroup = v % 24;
    return v - inGroup + 8 * (inGroup % 3) + inGroup / 3;
}

// Projects corner k of a group's triangles into `screen` (x and y also returned) and their 1/w
// into q.
VOREL_AVX2_INLINE void projectCorner(const Block& b, const ProjectionTarget& p, bool bounded, uint32_t k,
                                     GroupScreen& screen, float* q, __m256i* x, __m256i* y) {
    const Projected8 projected = project8(b, p, bounded);
    *x = _mm256_set_m128i(projected.hi.x, projected.lo.x);
    *y = _mm256_set_m128i(projected.hi.y, projected.lo.y);
    _mm256_store_si256(reinterpret_cast<__m256i*>(screen.x + 8 * k), *x);
    _mm256_store_si256(reinterpret_cast<__m256i*>(screen.y + 8 * k), *y);
    _mm256_store_pd(screen.z + 8 * k, projected.lo.z);
    _mm256_store_pd(screen.z + 8 * k + 4, projected.hi.z);
    _mm256_store_ps(q, qOf(projected));
    screen.ok[k] = uint32_t(projected.lo.ok | projected.hi.ok << 4);
}

// Vertices of kept triangles, in order, and whether each needs its clip vertex.
struct KeptVertices {
    uint32_t count = 0;
    uint32_t vertex[3 * kListChunkTriangles];
    bool clip[3 * kListChunkTriangles];
};

// The vertices of the group's triangles in `kept` (bit t: triangle t) into target.ok and
// target.out (positions and depth; vertex indices from `first`), and onto the kept list (those of
// triangles in `clip` needing their clip vertices).
VOREL_AVX2_INLINE void storeKept(const GroupScreen& screen, const ProjectionTarget& p, uint32_t first, uint32_t kept,
                                 uint32_t clip, KeptVertices& list) {
    for (; kept; kept &= kept - 1) {
        const uint32_t t = uint32_t(__builtin_ctz(kept));
        const bool clipped = (clip >> t) & 1;
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t v = first + 3 * t + k, i = 8 * k + t;
            list.vertex[list.count] = v;
            list.clip[list.count++] = clipped;
            const uint8_t ok = uint8_t((screen.ok[k] >> t) & 1);
            p.ok[v] = ok;
            if (!ok) continue;
            ScreenVertex& o = p.out[v];
            o.x = screen.x[i], o.y = screen.y[i], o.z = screen.z[i];
        }
    }
}

// Everything else of the kept vertices kept.vertex[j, j + count) (count <= 8): colour, fog and
// texture coordinates, their clip vertices where one of them needs it, and their screen
// attributes with the 1/w in q (at cornerIndex).
VOREL_AVX2_INLINE void completeKept(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out,
                                    const ProjectionTarget& p, const float* q, const KeptVertices& kept, uint32_t j,
                                    int count) {
    const uint32_t* idx = kept.vertex + j;
    __m256 soa[8];
    loadFields(in, idx, count, soa);
    Block b;
    attributes(s, soa, b);
    if (std::any_of(kept.clip + j, kept.clip + j + count, [](bool c) { return c; })) {
        positions(s, soa, b);
        storeClip(b, out, idx, count);
    }
    alignas(32) float qs[8] = {};
    for (int v = 0; v < count; ++v) qs[v] = q[cornerIndex(idx[v])];
    storeScreenAttributes(b, _mm256_load_ps(qs), p, idx, count);
}

// What stays the same over a chunk of list triangles.
struct ListChunk {
    const VertexStage& stage;
    const D3DVERTEX* in;
    const ProjectionTarget& target;
    const TriangleDrop& drop;
    bool bounded;    // guardBandBounded(target), see project8
    __m256 kx, ky;  // 1 + 2 / half the viewport's size, see beyondMasks
};

VOREL_AVX2_INLINE ListChunk listChunk(const VertexStage& s, const D3DVERTEX* in, const ProjectionTarget& p,
                                      const TriangleDrop& drop) {
    return {s, in, p, drop, guardBandBounded(p), splat(beyondFactor(p.map.halfWidth)),
            splat(beyondFactor(p.map.halfHeight))};
}

// cullGroup and listBlocks, once for AVX2 and once for AVX-512 (triangle_list_avx512.h).
namespace narrow {
#define VOREL_LIST_INLINE VOREL_AVX2_INLINE
#define VOREL_LIST VOREL_AVX2
#define VOREL_LIST_PROJECT_CORNER projectCorner
#define VOREL_LIST_COMPLETE_KEPT completeKept
#define VOREL_LIST_KEPT_STEP 8u
#include "platform/d3d/triangle_list_body.h"
#undef VOREL_LIST_INLINE
#undef VOREL_LIST
#undef VOREL_LIST_PROJECT_CORNER
#undef VOREL_LIST_COMPLETE_KEPT
#undef VOREL_LIST_KEPT_STEP
}  // namespace narrow

namespace wide {
#define VOREL_LIST_INLINE VOREL_AVX512_VERTEX_INLINE
#define VOREL_LIST VOREL_AVX512_VERTEX
#include "platform/d3d/triangle_list_avx512.h"
#undef VOREL_LIST_INLINE
#undef VOREL_LIST
}  // namespace wide

}  // namespace

uint64_t processTriangleListAvx2(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                                 const ProjectionTarget& projection, const TriangleDrop& drop) {
    if (simdLevel() == SimdLevel::Avx512 && haveAvx512())
        return wide::listBlocks(s, in, out, triangles, projection, drop);
    return narrow::listBlocks(s, in, out, triangles, projection, drop);
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
uint64_t processTriangleListAvx2(const VertexStage&, const D3DVERTEX*, ClipVertex*, uint32_t, const ProjectionTarget&,
                                 const TriangleDrop&) {
    return 0;
}
}  // namespace platform::d3d

#endif
