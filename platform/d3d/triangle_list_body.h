// The body of the list path's first pass with AVX2 (cullGroup, listBlocks), included by
// triangle_list_avx2.cpp inside a namespace of its own: VOREL_LIST and VOREL_LIST_INLINE are the
// function attributes, VOREL_LIST_PROJECT_CORNER the corner projection, VOREL_LIST_COMPLETE_KEPT
// the kept vertices' attributes, VOREL_LIST_KEPT_STEP vertices at a time. No include guard. The
// AVX-512 pass (triangle_list_avx512.h) keeps a group's vertices in list order instead.

// Positions of the vertices of triangles [first / 3, first / 3 + count / 3) (count <= 24: eight
// whole triangles at most), corner by corner (lane t of block k: corner k of triangle t): the
// triangles wholly beyond one plane of the view volume, then, unless that is all of them, the
// projections of every corner and the triangles whose corners are all projected and that cannot
// draw a pixel (triangle_drop_avx2.h) or touch none of drop.bands. The kept triangles' vertices
// get target.ok and their
// projected positions and go onto `kept` (needing clip vertices when not all projected ahead, or
// when drop.flat); q gets the 1/w of projected corners (at cornerIndex). Returns the culled
// triangles (bit t: triangle t).
VOREL_LIST_INLINE uint32_t cullGroup(const ListChunk& c, uint32_t first, uint32_t count, float* q,
                                     KeptVertices& kept) {
    const uint32_t triangles = (1u << (count / 3)) - 1;
    Block blocks[3];  // corner k of the group's triangles
    for (uint32_t k = 0; k < 3; ++k)
        positions(c.stage, loadPositions(c.in, first + k, int(count / 3), 3), blocks[k]);
    const uint32_t beyond = beyondTriangles(blocks, c.kx, c.ky) & triangles;
    if (beyond == triangles) return triangles;  // nothing of the group is drawn
    GroupScreen screen;
    __m256i x[3], y[3];
    for (uint32_t k = 0; k < 3; ++k)
        VOREL_LIST_PROJECT_CORNER(blocks[k], c.target, c.bounded, k, screen, q + first + 8 * k, &x[k], &y[k]);
    const uint32_t ahead = screen.ok[0] & screen.ok[1] & screen.ok[2];
    const TriangleDrop& drop = c.drop;
    uint32_t dropped = drop8::dropped(x, y, drop.cull, drop.scissor);
    if (drop.bands != kEveryBand) dropped |= drop8::clearOfBands(y, drop.bands);
    const uint32_t culled = (beyond | (ahead & dropped)) & triangles;
    storeKept(screen, c.target, first, triangles & ~culled, drop.flat ? 0xFFu : ~ahead, kept);
    return culled;
}

VOREL_LIST uint64_t listBlocks(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                               const ProjectionTarget& p, const TriangleDrop& drop) {
    constexpr uint32_t kMax = 3 * kListChunkTriangles;
    const uint32_t n = 3 * std::min(triangles, kListChunkTriangles);
    alignas(32) float q[kMax + 8];
    // Positions of every vertex, projections of those that may be drawn, and the cull.
    KeptVertices kept;
    const ListChunk chunk = listChunk(s, in, p, drop);
    uint64_t culled = 0;
    for (uint32_t group = 0; drop.partsOut && group < n; group += 24) drop.partsOut[group / 3] = 0xFF;  // not told
    if (drop.copyOut) std::memcpy(drop.copyOut, in, sizeof(D3DVERTEX) * n);  // replays read them all
    for (uint32_t group = 0; group < n; group += 24) {
        const uint32_t count = std::min<uint32_t>(24, n - group);
        culled |= uint64_t(cullGroup(chunk, group, count, q, kept)) << (group / 3);
    }
    // Everything else of the kept vertices.
    for (uint32_t j = 0; j < kept.count; j += VOREL_LIST_KEPT_STEP) {
        const int count = int(std::min<uint32_t>(VOREL_LIST_KEPT_STEP, kept.count - j));
        VOREL_LIST_COMPLETE_KEPT(s, in, out, p, q, kept, j, count);
    }
    return culled;
}

