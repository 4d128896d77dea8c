// Triangle lists through the eight-wide vertex stage: positions and projections first, triangles
// culled eight at a time (triangle_drop_avx2.h), and only the vertices of kept triangles lit.
#include "platform/d3d/vertex_simd.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <array>
#include <cstring>

#include "platform/d3d/triangle_drop_avx2.h"
#include "platform/d3d/vertex_avx2.h"

namespace platform::d3d {

namespace {

using namespace avx2;

// Bit per lane (shifted by `shift`) for each plane that leaves a triangle wholly beyond it
// invisible: near and far (outcode's tests), and, where w > 0, two pixels or more past an edge of
// the viewport (x > kx w, x < -kx w, y > ky w, y < -ky w with k = 1 + 2 / half the size; clipping
// and projection keep such a triangle off the viewport, so set-up would find no pixel of it).
VOREL_AVX2_INLINE void beyondBits(const Block& b, __m256 kx, __m256 ky, int shift, uint32_t planes[6]) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 front = _mm256_cmp_ps(b.w, zero, _CMP_GT_OQ);
    const __m256 wx = _mm256_mul_ps(b.w, kx), wy = _mm256_mul_ps(b.w, ky);
    const __m256 beyond[6] = {_mm256_cmp_ps(b.z, zero, _CMP_NGE_UQ),
                              _mm256_cmp_ps(_mm256_sub_ps(b.w, b.z), zero, _CMP_NGE_UQ),
                              _mm256_and_ps(front, _mm256_cmp_ps(b.x, wx, _CMP_GT_OQ)),
                              _mm256_and_ps(front, _mm256_cmp_ps(b.x, _mm256_sub_ps(zero, wx), _CMP_LT_OQ)),
                              _mm256_and_ps(front, _mm256_cmp_ps(b.y, wy, _CMP_GT_OQ)),
                              _mm256_and_ps(front, _mm256_cmp_ps(b.y, _mm256_sub_ps(zero, wy), _CMP_LT_OQ))};
    for (int k = 0; k < 6; ++k) planes[k] |= uint32_t(_mm256_movemask_ps(beyond[k])) << shift;
}

// Bit 3t of `bits` as bit t, for t < 8 (other bits ignored): pairs, fours, then eights moved
// together.
VOREL_AVX2_INLINE uint32_t everyThird(uint32_t bits) {
    uint32_t m = bits & 0x249249u;   // bits 0, 3, 6, .. 21
    m = (m | m >> 2) & 0x0C30C3u;    // 0-1, 6-7, 12-13, 18-19
    m = (m | m >> 4) & 0x00F00Fu;    // 0-3, 12-15
    return (m | m >> 8) & 0xFFu;     // 0-7
}

// Screen positions of a group's 24 vertices, as plain arrays (valid where projected).
struct GroupScreen {
    alignas(32) int32_t x[24], y[24];
    alignas(32) double z[24];
    uint32_t ok = 0;  // bit v: vertex v projected ahead
};

// Projects block k of a group into `screen` and its 1/w into q (vertex order).
VOREL_AVX2_INLINE void projectBlock(const Block& b, const ProjectionTarget& p, bool bounded, uint32_t k,
                                    GroupScreen& screen, float* q) {
    const Projected8 projected = project8(b, p, bounded);
    _mm256_store_si256(reinterpret_cast<__m256i*>(screen.x + 8 * k), _mm256_set_m128i(projected.hi.x, projected.lo.x));
    _mm256_store_si256(reinterpret_cast<__m256i*>(screen.y + 8 * k), _mm256_set_m128i(projected.hi.y, projected.lo.y));
    _mm256_store_pd(screen.z + 8 * k, projected.lo.z);
    _mm256_store_pd(screen.z + 8 * k + 4, projected.hi.z);
    _mm256_store_ps(q, qOf(projected));
    screen.ok |= uint32_t(projected.lo.ok | projected.hi.ok << 4) << (8 * k);
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
        const uint32_t t = uint32_t(__builtin_ctz(kept)), v0 = 3 * t;
        const bool clipped = (clip >> t) & 1;
        for (uint32_t v = v0; v < v0 + 3; ++v) {
            list.vertex[list.count] = first + v;
            list.clip[list.count++] = clipped;
            const uint8_t ok = uint8_t((screen.ok >> v) & 1);
            p.ok[first + v] = ok;
            if (!ok) continue;
            ScreenVertex& o = p.out[first + v];
            o.x = screen.x[v], o.y = screen.y[v], o.z = screen.z[v];
        }
    }
}

// Eight flag bytes (0 or 1, little-endian) for every eight bits.
constexpr std::array<uint64_t, 256> kByteFlags = [] {
    std::array<uint64_t, 256> flags{};
    for (uint32_t bits = 0; bits < 256; ++bits)
        for (uint32_t b = 0; b < 8; ++b) flags[bits] |= uint64_t((bits >> b) & 1) << (8 * b);
    return flags;
}();

// What stays the same over a chunk of list triangles.
struct ListChunk {
    const VertexStage& stage;
    const D3DVERTEX* in;
    const ProjectionTarget& target;
    const TriangleDrop& drop;
    bool bounded;    // guardBandBounded(target), see project8
    __m256 kx, ky;  // 1 + 2 / half the viewport's size, see beyondBits
};

// Positions of the vertices of triangles [first / 3, first / 3 + count / 3) (count <= 24: eight
// whole triangles at most): the triangles wholly beyond one plane of the view volume, then the
// projections of every block of eight that holds a vertex of another, then the triangles whose
// vertices are all projected and that cannot draw a pixel (triangle_drop_avx2.h). The kept
// triangles' vertices get target.ok and their projected positions and go onto `kept` (needing
// clip vertices when not all projected ahead, or when drop.flat), and every projected block its
// 1/w in q. Returns the culled triangles (bit t: triangle t).
VOREL_AVX2_INLINE uint32_t cullGroup(const ListChunk& c, uint32_t first, uint32_t count, float* q,
                                     KeptVertices& kept) {
    const ProjectionTarget& p = c.target;
    const TriangleDrop& drop = c.drop;
    Block blocks[3];
    uint32_t planes[6] = {};
    for (uint32_t k = 0; 8 * k < count; ++k) {
        positions(c.stage, loadPositions(c.in, first + 8 * k, int(std::min<uint32_t>(8, count - 8 * k))), blocks[k]);
        beyondBits(blocks[k], c.kx, c.ky, int(8 * k), planes);
    }
    const uint32_t present = (1u << count) - 1;
    uint32_t beyond = 0;
    for (uint32_t m : planes) beyond |= m & (m >> 1) & (m >> 2);
    beyond &= 0x249249u & present;  // bit 3t: all three vertices of triangle t
    const uint32_t skip = beyond | beyond << 1 | beyond << 2 | ~present;
    GroupScreen screen;
    __m256i xs[3], ys[3];
    for (uint32_t k = 0; k < 3; ++k) {
        if (8 * k < count && ((skip >> (8 * k)) & 0xFFu) != 0xFFu) {
            projectBlock(blocks[k], p, c.bounded, k, screen, q + first + 8 * k);
            xs[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(screen.x + 8 * k));
            ys[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(screen.y + 8 * k));
        } else {
            xs[k] = ys[k] = _mm256_setzero_si256();  // nothing of this block is drawn
        }
    }
    screen.ok &= present;
    const uint32_t triangles = (1u << (count / 3)) - 1;
    const uint32_t ahead = everyThird(screen.ok & screen.ok >> 1 & screen.ok >> 2 & 0x249249u);
    const __m256i x[3] = {drop8::corner(xs, 0), drop8::corner(xs, 1), drop8::corner(xs, 2)};
    const __m256i y[3] = {drop8::corner(ys, 0), drop8::corner(ys, 1), drop8::corner(ys, 2)};
    const uint32_t culled = (everyThird(beyond) | (ahead & drop8::dropped(x, y, drop.cull, drop.scissor))) & triangles;
    storeKept(screen, p, first, triangles & ~culled, drop.flat ? 0xFFu : ~ahead, kept);
    return culled;
}

VOREL_AVX2 void listBlocks(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                           const ProjectionTarget& p, const TriangleDrop& drop, uint8_t* culled) {
    constexpr uint32_t kMax = 3 * kListChunkTriangles;
    const uint32_t n = 3 * std::min(triangles, kListChunkTriangles);
    alignas(32) float q[kMax + 8];
    // Positions of every vertex, projections of those that may be drawn, and the cull.
    KeptVertices kept;
    const ListChunk chunk{s, in, p, drop, guardBandBounded(p), splat(1.0f + 2.0f / p.map.halfWidth),
                          splat(1.0f + 2.0f / p.map.halfHeight)};
    for (uint32_t group = 0; group < n; group += 24) {
        const uint32_t count = std::min<uint32_t>(24, n - group);
        const uint32_t dropped = cullGroup(chunk, group, count, q, kept);
        if (count == 24) {
            std::memcpy(culled + group / 3, &kByteFlags[dropped], 8);
        } else {
            for (uint32_t t = 0; t < count / 3; ++t) culled[group / 3 + t] = uint8_t((dropped >> t) & 1);
        }
    }
    // Everything else of the kept vertices.
    for (uint32_t j = 0; j < kept.count; j += 8) {
        int count = int(std::min<uint32_t>(8, kept.count - j));
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
        for (int v = 0; v < count; ++v) qs[v] = q[idx[v]];
        storeScreenAttributes(b, _mm256_load_ps(qs), p, idx, count);
    }
}

}  // namespace

void processTriangleListAvx2(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                             const ProjectionTarget& projection, const TriangleDrop& drop, uint8_t* culled) {
    listBlocks(s, in, out, triangles, projection, drop, culled);
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
void processTriangleListAvx2(const VertexStage&, const D3DVERTEX*, ClipVertex*, uint32_t, const ProjectionTarget&,
                             const TriangleDrop&, uint8_t*) {}
}  // namespace platform::d3d

#endif
