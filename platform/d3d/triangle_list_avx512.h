// The list path's first pass with AVX-512 (projectGroup, judgeGroup, listBlocks), included once by
// triangle_list_avx2.cpp after ListChunk and the AVX2 parts, inside a namespace of its own.
//
// A group's 24 vertices stay in the order of the list: positions of sixteen vertices a register
// (whole vertices loaded and sorted by permutes), the planes each lies beyond and whether it is
// projected as bit masks (bit i: vertex i of the group, so triangle t owns bits 3t .. 3t + 2).
// Only the drop test takes the screen positions corner by corner (three permutes a coordinate).
// The pass goes over a chunk twice: every group projected (projectGroup), then every group's
// triangles judged (judgeGroup), so that the long chain of one group's work overlaps the next
// group's. The kept vertices go onto lists with their 1/w by compression, in list order; their
// screen x, y and depth wait in the chunk's own arrays, one a coordinate, until their attributes
// are stored (then each kept vertex's are copied by scalar moves: a quarter of the triangles or
// fewer are kept, and sorting every vertex's into ScreenVertex order would cost three permutes a
// block, work for the one port that shuffles on some cores).
// Every per-vertex operation is the AVX2 stage's, lane for lane, so the results are its bits.

// Kept vertices (chunk indices) and their 1/w, in the order found; room for a whole register past
// the last.
struct KeptList {
    uint32_t count = 0;
    alignas(64) uint32_t vertex[3 * kListChunkTriangles + 16];
    alignas(64) float q[3 * kListChunkTriangles + 16];
};

// What the first pass leaves for the second: the kept vertices not needing clip vertices
// (`plain`) and those needing them (`clip`), and every projected vertex's screen x, y, depth
// and 1/w by chunk index. Between projectGroup and judgeGroup also for group g the triangles beyond a
// plane (all of them for a split scene's group clear of the thread's bands, clearOfOwnBands) and
// the vertices projected (bit i: vertex 24 g + i).
struct ChunkKept {
    KeptList plain, clip;
    alignas(64) double z[3 * kListChunkTriangles + 8];
    alignas(64) int32_t x[3 * kListChunkTriangles + 8], y[3 * kListChunkTriangles + 8];
    alignas(64) float q[3 * kListChunkTriangles + 8];
    uint32_t beyond[kListChunkTriangles / 8], ok[kListChunkTriangles / 8];
};

// Bits 3t .. 3t + 2 for each bit t of a triangle mask.
VOREL_LIST_INLINE uint32_t vertexBits(uint32_t triangles) { return _pdep_u32(triangles, 0x249249u) * 7u; }

// Bit t where all of bits 3t .. 3t + 2 of a vertex mask are set.
VOREL_LIST_INLINE uint32_t wholeTriangles(uint32_t vertices) {
    return _pext_u32(vertices & (vertices >> 1) & (vertices >> 2), 0x249249u);
}

// Clip positions of sixteen vertices of the list from in[first] (count <= 16 of them).
struct Clip16 {
    __m512 x, y, z, w;
};

VOREL_LIST_INLINE Clip16 clip16(const VertexStage& s, const D3DVERTEX* in, uint32_t first, int count) {
    const avx512::Vec3x16 p = avx512::loadPositions16(in, first, count);
    const D3DMATRIX& m = s.transforms.worldViewProjection;
    return {avx512::row16(p, m, 0), avx512::row16(p, m, 1), avx512::row16(p, m, 2), avx512::row16(p, m, 3)};
}

// The vertices beyond each plane (beyondMasks' tests and operations), OR-ed into `planes` after
// shifting by `shift` bits. Returns the lanes with w > 0 (`front`) and those beyond the near or
// the far plane (`nearOrFar`), which aheadBits16 takes as they are.
struct Front16 {
    __mmask16 front, nearOrFar;
};

VOREL_LIST_INLINE Front16 beyond16(const Clip16& b, float kx, float ky, uint32_t shift, uint32_t planes[6]) {
    const __m512 zero = _mm512_setzero_ps();
    const __mmask16 front = _mm512_cmp_ps_mask(b.w, zero, _CMP_GT_OQ);
    const __m512 wx = _mm512_mul_ps(b.w, _mm512_set1_ps(kx)), wy = _mm512_mul_ps(b.w, _mm512_set1_ps(ky));
    const __mmask16 m[6] = {
        _mm512_cmp_ps_mask(b.z, zero, _CMP_NGE_UQ),
        _mm512_cmp_ps_mask(_mm512_sub_ps(b.w, b.z), zero, _CMP_NGE_UQ),
        _mm512_mask_cmp_ps_mask(front, b.x, wx, _CMP_GT_OQ),
        _mm512_mask_cmp_ps_mask(front, b.x, _mm512_sub_ps(zero, wx), _CMP_LT_OQ),
        _mm512_mask_cmp_ps_mask(front, b.y, wy, _CMP_GT_OQ),
        _mm512_mask_cmp_ps_mask(front, b.y, _mm512_sub_ps(zero, wy), _CMP_LT_OQ)};
    for (int j = 0; j < 6; ++j) planes[j] |= uint32_t(m[j]) << shift;
    return {front, __mmask16(m[0] | m[1])};
}

// Triangles (bit t) whose three corners lie beyond one and the same plane.
VOREL_LIST_INLINE uint32_t beyondTriangles(const uint32_t planes[6]) {
    uint32_t any = 0;
    for (int j = 0; j < 6; ++j) any |= planes[j] & (planes[j] >> 1) & (planes[j] >> 2);
    return _pext_u32(any, 0x249249u);
}

// Whether judgeGroup would cull every triangle of the group with vertices `live` (bit i: vertex i)
// for lying clear of drop.bands (drop8::clearOfBands), told before projecting them:
// every live vertex projected ahead (`ok`, aheadBits16) and, a pixel wider each way, within one
// band of another part. A row s = y0 + h (1 - y / w) (y0
// the viewport's top, h half its height) is tested as h y against (y0 + h - s) w (w > 0 where
// projected ahead), in float: on viewports within 2^16 pixels of the origin, and rows within
// 2^16, that is off by far less than the quarter pixel allowed (snapping moves a row by 1/32).
VOREL_LIST_INLINE bool clearOfOwnBands(const Clip16& a, const Clip16& b, uint32_t live, uint32_t ok, const ListChunk& c) {
    const ViewportMap& map = c.target.map;
    if (!(std::fabs(map.y) <= 65536.0f && std::fabs(map.halfHeight) <= 65536.0f)) return false;
    // The tests are combined without branches (the answer is yes about as often as no), and the
    // band is the one of the group's first vertex, by a rough reciprocal: a wrong one (that vertex
    // beyond the view, or on an edge) only fails the test.
    const __m128 first = _mm_mul_ss(_mm512_castps512_ps128(a.y), _mm_rcp14_ss(_mm512_castps512_ps128(a.w),
                                                                                _mm512_castps512_ps128(a.w)));
    const float estimate = map.y + map.halfHeight * (1.0f - _mm_cvtss_f32(first));
    const bool onScreen = estimate >= 0.0f && estimate < 65536.0f;  // not NaN either
    const int band = int(onScreen ? estimate : 0.0f) >> kBandShift;
    // Rows r with r - 1 >= the band's first row (any r in band 0) and r + 1 <= its last row.
    const float top = band == 0 ? -INFINITY : float(band << kBandShift) + 1.25f;
    const float bottom = float(band << kBandShift) + 62.75f;
    const __m512 half = _mm512_set1_ps(map.halfHeight);
    const __m512 low = _mm512_set1_ps(map.y + map.halfHeight - top), high = _mm512_set1_ps(map.y + map.halfHeight - bottom);
    const __m512 hya = _mm512_mul_ps(half, a.y), hyb = _mm512_mul_ps(half, b.y);
    __mmask16 ia = _mm512_cmp_ps_mask(hya, _mm512_mul_ps(low, a.w), _CMP_LE_OQ);
    __mmask16 ib = _mm512_cmp_ps_mask(hyb, _mm512_mul_ps(low, b.w), _CMP_LE_OQ);
    ia = _mm512_mask_cmp_ps_mask(ia, hya, _mm512_mul_ps(high, a.w), _CMP_GT_OQ);
    ib = _mm512_mask_cmp_ps_mask(ib, hyb, _mm512_mul_ps(high, b.w), _CMP_GT_OQ);
    const bool within = ((uint32_t(ia) | uint32_t(ib) << 16) & live) == live;
    return ((ok & live) == live) & onScreen & within & !ownsBand(band, c.drop.bands);
}

// What the groups of a chunk share, kept in memory so that each group broadcasts it from there.
struct GroupConstants {
    avx512::WideMap map;
    float kx, ky;  // ListChunk's
};

VOREL_LIST_INLINE GroupConstants groupConstants(const ListChunk& c) {
    return {avx512::wideMap(c.target), _mm256_cvtss_f32(c.kx), _mm256_cvtss_f32(c.ky)};
}

// A group's projection in list order: block b holds vertices 8b .. 8b + 7.
struct GroupProjection {
    __m256i x[3], y[3];
    __m512d z[3];
    __m256 q[3];
    uint32_t ok = 0;  // bit i: vertex i projected ahead
};

// Block b of the group from the clip positions x, y, z, w of its eight vertices.
VOREL_LIST_INLINE void projectBlock(__m256 x, __m256 y, __m256 z, __m256 w, const ProjectionTarget& target,
                                    const GroupConstants& k, bool bounded, int b, GroupProjection& g) {
    if (bounded) {  // g.ok from aheadBits16
        const avx512::Projected8Wide p = avx512::project8Bounded(x, y, z, w, k.map);
        g.x[b] = p.x, g.y[b] = p.y, g.z[b] = p.z, g.q[b] = p.q;
        return;
    }
    Block block;
    block.x = x, block.y = y, block.z = z, block.w = w;
    const Projected8 p = project8(block, target, false);
    g.x[b] = _mm256_set_m128i(p.hi.x, p.lo.x);
    g.y[b] = _mm256_set_m128i(p.hi.y, p.lo.y);
    g.z[b] = _mm512_insertf64x4(_mm512_castpd256_pd512(p.lo.z), p.hi.z, 1);
    g.q[b] = qOf(p);
    g.ok |= uint32_t(p.lo.ok | p.hi.ok << 4) << (8 * b);
}

VOREL_LIST_INLINE __m256 low8(__m512 v) { return _mm512_castps512_ps256(v); }
VOREL_LIST_INLINE __m256 high8(__m512 v) { return _mm512_extractf32x8_ps(v, 1); }

// Corner k of the group's triangles from values in list order (block b: vertices 8b .. 8b + 7):
// lane t of out[k] is vertex 3t + k.
VOREL_LIST_INLINE void cornerOrder(const __m256i v[3], __m256i out[3]) {
    const __m512i first = _mm512_inserti64x4(_mm512_castsi256_si512(v[0]), v[1], 1);
    const __m512i last = _mm512_castsi256_si512(v[2]);
    for (int k = 0; k < 3; ++k) {
        const __m512i idx = _mm512_add_epi32(_mm512_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21, 0, 0, 0, 0, 0, 0, 0, 0),
                                             _mm512_set1_epi32(k));
        out[k] = _mm512_castsi512_si256(_mm512_permutex2var_epi32(first, idx, last));
    }
}

// Vertices first + i for the set bits i of `vertices` (24 bits), and their 1/w (from q[first]),
// onto the list.
VOREL_LIST_INLINE void appendKept(KeptList& list, uint32_t vertices, uint32_t first, const float* q) {
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i idx = _mm512_add_epi32(lane, _mm512_set1_epi32(int(first)));
    const __mmask16 low = __mmask16(vertices), high = __mmask16(vertices >> 16);
    const __m512 q01 = _mm512_loadu_ps(q + first);
    _mm512_storeu_si512(list.vertex + list.count, _mm512_maskz_compress_epi32(low, idx));
    _mm512_storeu_ps(list.q + list.count, _mm512_maskz_compress_ps(low, q01));
    list.count += uint32_t(__builtin_popcount(low));
    const __m256i idx2 = _mm256_add_epi32(_mm512_castsi512_si256(lane), _mm256_set1_epi32(int(first) + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(list.vertex + list.count), _mm256_maskz_compress_epi32(high, idx2));
    _mm256_storeu_ps(list.q + list.count, _mm256_maskz_compress_ps(high, _mm256_loadu_ps(q + first + 16)));
    list.count += uint32_t(__builtin_popcount(high));
}

// The group of `count` vertices from `first` (count <= 24: eight whole triangles at most), group
// number g of the chunk: the triangles wholly beyond a plane of the view volume (as
// triangle_list_body.h's cullGroup finds them) and, unless that is all of them or the group lies
// clear of the thread's bands (clearOfOwnBands: all counted beyond then), every vertex's
// projection and whether it is projected ahead, into `kept`.
VOREL_LIST_INLINE void projectGroup(const ListChunk& c, const GroupConstants& k, uint32_t first, uint32_t count,
                                    ChunkKept& kept) {
    const uint32_t triangles = (1u << (count / 3)) - 1, g = first / 24;
    const TriangleDrop& drop = c.drop;
    // A group no triangle of which this part keeps, as the first thread to judge it found.
    if (drop.partsIn && drop.bandPart < kGroupPartBits && !((drop.partsIn[8 * g] >> drop.bandPart) & 1)) {
        kept.beyond[g] = triangles;
        if (drop.partsOut) drop.partsOut[8 * g] = 0xFF;
        return;
    }
    const int n = int(count);
    const Clip16 a = clip16(c.stage, c.in, first, std::min(n, 16)), b = clip16(c.stage, c.in, first + 16, n - 16);
    uint32_t planes[6] = {};
    const Front16 fa = beyond16(a, k.kx, k.ky, 0, planes);
    const Front16 fb = beyond16(b, k.kx, k.ky, 16, planes);
    kept.beyond[g] = beyondTriangles(planes) & triangles;
    if (kept.beyond[g] == triangles) {  // nothing of the group is drawn, whatever the bands
        if (drop.partsOut) drop.partsOut[8 * g] = 0;
        return;
    }
    GroupProjection p;
    if (c.bounded) {
        const ClipPlanes& planes = c.target.planes;
        p.ok = avx512::aheadBits16(a.x, a.y, a.w, fa.front, fa.nearOrFar, planes) |
               avx512::aheadBits16(b.x, b.y, b.w, fb.front, fb.nearOrFar, planes) << 16;
        // A split scene's group wholly in other threads' bands is culled unprojected.
        if (drop.bands != kEveryBand && clearOfOwnBands(a, b, vertexBits(triangles & ~kept.beyond[g]), p.ok, c)) {
            kept.beyond[g] = triangles;
            if (drop.partsOut) drop.partsOut[8 * g] = 0xFF;  // left unjudged
            return;
        }
    }
    projectBlock(low8(a.x), low8(a.y), low8(a.z), low8(a.w), c.target, k, c.bounded, 0, p);
    projectBlock(high8(a.x), high8(a.y), high8(a.z), high8(a.w), c.target, k, c.bounded, 1, p);
    projectBlock(low8(b.x), low8(b.y), low8(b.z), low8(b.w), c.target, k, c.bounded, 2, p);
    kept.ok[g] = p.ok;
    for (uint32_t block = 0; block < 3; ++block) {
        const uint32_t at = first + 8 * block;
        _mm256_store_si256(reinterpret_cast<__m256i*>(kept.x + at), p.x[block]);
        _mm256_store_si256(reinterpret_cast<__m256i*>(kept.y + at), p.y[block]);
        _mm256_store_ps(kept.q + at, p.q[block]);
        _mm512_store_pd(kept.z + at, p.z[block]);
    }
}

// TriangleDrop::partsOut's byte for a group whose triangles `live` are left after the cull for
// every part alike (the others are beyond the view, or projected ahead and dropped): bit p where
// one of them is not projected ahead, or is and touches a band of part p (clearOfBands of
// drop.partBands[p]). Corners as judgeGroup takes them; ownClear: clearOfBands of the thread's own
// part (drop.bandPart), which judgeGroup has made already.
VOREL_LIST_INLINE uint8_t partsKeeping(const __m256i y[3], uint32_t live, uint32_t ahead, const TriangleDrop& drop,
                                       uint32_t ownClear) {
    if (drop.bandParts > kGroupPartBits) return 0xFF;
    uint32_t bits = 0;
    for (int part = 0; part < drop.bandParts; ++part) {
        const uint32_t clear = drop.bandParts == 1 ? 0u
                               : part == drop.bandPart ? ownClear
                                                        : drop8::clearOfBandsWide(y, drop.partBands[part]);
        if (live & ~(ahead & clear)) bits |= 1u << part;
    }
    return uint8_t(bits);
}

// The triangles of the group projectGroup left in `kept` culled as triangle_list_body.h's
// cullGroup culls them; the kept ones' vertices get target.ok and go onto the kept lists, needing
// clip vertices when not all projected ahead, or when drop.flat. Returns the culled triangles
// (bit t: triangle t).
VOREL_LIST_INLINE uint32_t judgeGroup(const ListChunk& c, uint32_t first, uint32_t count, ChunkKept& kept) {
    const uint32_t triangles = (1u << (count / 3)) - 1, g = first / 24;
    const uint32_t beyond = kept.beyond[g];
    if (beyond == triangles) return triangles;
    const uint32_t ok = kept.ok[g], ahead = wholeTriangles(ok);
    __m256i xs[3], ys[3], x[3], y[3];
    for (uint32_t block = 0; block < 3; ++block) {
        xs[block] = _mm256_load_si256(reinterpret_cast<const __m256i*>(kept.x + first + 8 * block));
        ys[block] = _mm256_load_si256(reinterpret_cast<const __m256i*>(kept.y + first + 8 * block));
    }
    cornerOrder(xs, x);
    cornerOrder(ys, y);
    const TriangleDrop& drop = c.drop;
    uint32_t dropped = drop8w::dropped(x, y, drop.cull, drop.scissor);
    const uint32_t ownClear = drop.bands != kEveryBand ? drop8::clearOfBandsWide(y, drop.bands) : 0u;
    if (drop.partsOut)
        drop.partsOut[8 * g] = partsKeeping(y, triangles & ~(beyond | (ahead & dropped)), ahead, drop, ownClear);
    dropped |= ownClear;
    const uint32_t culled = (beyond | (ahead & dropped)) & triangles;
    const uint32_t keep = triangles & ~culled, clip = drop.flat ? keep : keep & ~ahead;
    if (!keep) return culled;
    const __mmask32 group = __mmask32((1u << count) - 1);
    _mm256_mask_storeu_epi8(c.target.ok + first, group, _mm256_maskz_mov_epi8(__mmask32(ok), _mm256_set1_epi8(1)));
    appendKept(kept.plain, vertexBits(keep & ~clip), first, kept.q);
    if (clip) appendKept(kept.clip, vertexBits(clip), first, kept.q);
    return culled;
}

// Screen x, y and depth of the kept vertices idx[v] (v < count) from where projectGroup left them.
VOREL_LIST_INLINE void storeScreenPositions(const ChunkKept& kept, const ProjectionTarget& p, const uint32_t* idx,
                                            int count) {
    for (int v = 0; v < count; ++v) {
        ScreenVertex& o = p.out[idx[v]];
        o.x = kept.x[idx[v]], o.y = kept.y[idx[v]], o.z = kept.z[idx[v]];
    }
}

// Everything else of plain kept vertices j .. j + count - 1 (count <= 16).
VOREL_LIST_INLINE void completePlain(const VertexStage& s, const D3DVERTEX* in, const ProjectionTarget& p,
                                     const ChunkKept& kept, uint32_t j, int count) {
    const uint32_t* idx = kept.plain.vertex + j;
    __m512 soa[8];
    avx512::loadFields16(in, idx, count, soa);
    __m512 attr[kAttributeCount];
    avx512::attributes16(s, soa, attr);
    avx512::storeScreenAttributes16(attr, _mm512_loadu_ps(kept.plain.q + j), p, idx, count);
    storeScreenPositions(kept, p, idx, count);
}

// Everything else of kept vertices j .. j + count - 1 (count <= 8) needing clip vertices.
VOREL_LIST_INLINE void completeClipped(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out,
                                       const ProjectionTarget& p, const ChunkKept& kept, uint32_t j, int count) {
    const uint32_t* idx = kept.clip.vertex + j;
    __m256 soa[8];
    loadFields(in, idx, count, soa);
    Block b;
    attributes(s, soa, b);
    positions(s, soa, b);
    storeClip(b, out, idx, count);
    storeScreenAttributes(b, _mm256_loadu_ps(kept.clip.q + j), p, idx, count);
    storeScreenPositions(kept, p, idx, count);
}

// The vertices of the groups among the chunk's first n vertices whose partsOut byte has a bit of
// drop.copyParts, to drop.copyOut (the replaying threads skip the other groups unread). Just
// loaded by the pass, they come from the nearest cache.
VOREL_LIST_INLINE void copyGroups(const D3DVERTEX* in, uint32_t n, const TriangleDrop& drop) {
    static_assert(sizeof(D3DVERTEX) == 32, "two vertices a register");
    for (uint32_t group = 0; group < n; group += 24) {
        if (!(drop.partsOut[group / 3] & drop.copyParts)) continue;
        const uint32_t count = std::min<uint32_t>(24, n - group);
        if (count < 24) {
            std::memcpy(drop.copyOut + group, in + group, sizeof(D3DVERTEX) * count);
            continue;
        }
        const auto* from = reinterpret_cast<const __m512i*>(in + group);
        auto* to = reinterpret_cast<__m512i*>(drop.copyOut + group);
        for (int i = 0; i < 12; ++i) _mm512_storeu_si512(to + i, _mm512_loadu_si512(from + i));
    }
}

VOREL_LIST uint64_t listBlocks(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                               const ProjectionTarget& p, const TriangleDrop& drop) {
    const uint32_t n = 3 * std::min(triangles, kListChunkTriangles);
    ChunkKept kept;
    const ListChunk chunk = listChunk(s, in, p, drop);
    const GroupConstants constants = groupConstants(chunk);
    uint64_t culled = 0;
    for (uint32_t group = 0; group < n; group += 24)
        projectGroup(chunk, constants, group, std::min<uint32_t>(24, n - group), kept);
    for (uint32_t group = 0; group < n; group += 24) {
        const uint32_t count = std::min<uint32_t>(24, n - group);
        culled |= uint64_t(judgeGroup(chunk, group, count, kept)) << (group / 3);
    }
    if (drop.copyOut) copyGroups(in, n, drop);
    // The lanes past the last kept vertex read defined values.
    _mm512_storeu_ps(kept.plain.q + kept.plain.count, _mm512_setzero_ps());
    _mm256_storeu_ps(kept.clip.q + kept.clip.count, _mm256_setzero_ps());
    for (uint32_t j = 0; j < kept.plain.count; j += 16)
        completePlain(s, in, p, kept, j, int(std::min<uint32_t>(16, kept.plain.count - j)));
    for (uint32_t j = 0; j < kept.clip.count; j += 8)
        completeClipped(s, in, out, p, kept, j, int(std::min<uint32_t>(8, kept.clip.count - j)));
    return culled;
}
