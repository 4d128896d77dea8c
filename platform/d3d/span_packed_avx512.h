// Small triangles' covered pixels packed sixteen to a group: the box of a triangle at most
// sixteen pixels wide is tested in blocks of sixteen centres (C columns by 16 / C rows), a box
// seventeen to sixty-four wide in two to four blocks of 16 x 1 side by side a row, and the covered centres
// of successive blocks are packed into one group of sixteen lanes, so a triangle of a few pixels
// spread over many rows takes one or two passes of the pixel work instead of one per row.
//
// Positions are packed as (y << 16) | x in 32-bit lanes (surfaces are under 65536 pixels a side).
// Coverage is the reference's edge test of each centre: E + bias > 0 with the exact integer edge
// values on 32-bit lanes where the box's values fit, else in double (below 2^53, so every sum is
// exact). Internal to span_shader_avx512.cpp, like
// span_avx512.h (AVX-512 by function attributes only). Pixels of a packed group lie anywhere in
// the triangle's box, so they are read and written with gathers and scatters (16-bit pixels, which
// have no scatter, as the 32-bit words that hold them); every lane is a different pixel.
#pragma once

#include <bit>
#include <cstdint>

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/span_avx512.h"

namespace platform::d3d::span_avx512 {

VOREL_AVX512_INLINE __m512i packedX(__m512i positions) { return _mm512_and_si512(positions, _mm512_set1_epi32(0xFFFF)); }
VOREL_AVX512_INLINE __m512i packedY(__m512i positions) { return _mm512_srli_epi32(positions, 16); }

// The widest box packed: four blocks of sixteen columns side by side.
constexpr int kPackedWidth = 64;

// The blocks a triangle's box is tested in: lane i of the block at row y is centre
// (minX + i % C, y + i / C), C = 2, 4, 8 or 16, the narrowest that holds the box's width; a box
// over sixteen wide has blocks of 16 x 1 side by side (block j's lane i at minX + 16 j + i).
struct CoverageBlocks {
    __m512i column, row;     // i % C and i / C
    __m512i lanePositions;   // (i / C) << 16 | i % C
    Lanes columns[4];        // lanes whose column lies within the box, of each block side by side
    int shift;               // log2 C
    int rows;                // 16 / C
};

// The blocks of a box Across blocks wide (the column lanes of blocks past Across: none).
template <int Across>
VOREL_AVX512_INLINE CoverageBlocks coverageBlocks(const TriangleSetup& t) {
    const int width = t.maxX - t.minX + 1;
    CoverageBlocks b{};
    b.shift = width <= 2 ? 1 : width <= 4 ? 2 : width <= 8 ? 3 : 4;
    b.rows = 16 >> b.shift;
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    b.column = _mm512_and_si512(lane, _mm512_set1_epi32((1 << b.shift) - 1));
    b.row = _mm512_srl_epi32(lane, _mm_cvtsi32_si128(b.shift));
    b.lanePositions = _mm512_or_si512(_mm512_slli_epi32(b.row, 16), b.column);
    b.columns[0] = _mm512_cmplt_epi32_mask(b.column, _mm512_set1_epi32(width));
    for (int j = 1; j < Across; ++j) b.columns[j] = _mm512_cmplt_epi32_mask(b.column, _mm512_set1_epi32(width - 16 * j));
    return b;
}

// The edge values of a block's lanes (and of the Across - 1 blocks to its right), moved from
// block to block down the box: exact integers in double (every sum is exact below 2^53).
template <int Across>
struct BlockEdges {
    static constexpr int kAcross = Across;
    __m512d lo[Across][3], hi[Across][3];
    __m512d offsetLo[3], offsetHi[3];  // edge i's change from the block's first centre to each lane
    __m512d limit[3];                  // -bias: a lane is inside where its edge value is above it
    __m512d step[3];                   // edge i's change from a block to the next

    VOREL_AVX512_INLINE BlockEdges(const TriangleSetup& t, const CoverageBlocks& b) {
        const __m512d columnLo = _mm512_cvtepi32_pd(lowHalf(b.column)), columnHi = _mm512_cvtepi32_pd(highHalf(b.column));
        const __m512d rowLo = _mm512_cvtepi32_pd(lowHalf(b.row)), rowHi = _mm512_cvtepi32_pd(highHalf(b.row));
        for (int i = 0; i < 3; ++i) {
            const __m512d a = _mm512_set1_pd(double(t.edge[i].a)), down = _mm512_set1_pd(double(t.edge[i].b));
            offsetLo[i] = _mm512_add_pd(_mm512_mul_pd(columnLo, a), _mm512_mul_pd(rowLo, down));
            offsetHi[i] = _mm512_add_pd(_mm512_mul_pd(columnHi, a), _mm512_mul_pd(rowHi, down));
            limit[i] = _mm512_set1_pd(-double(t.edge[i].bias));
            step[i] = _mm512_set1_pd(double(t.edge[i].b * b.rows));
        }
    }
    // The block whose first row is y.
    VOREL_AVX512_INLINE void at(const TriangleSetup& t, int y) {
        for (int j = 0; j < Across; ++j)
            for (int i = 0; i < 3; ++i) {
                const __m512d base = _mm512_set1_pd(double(edgeAt(t, i, t.minX + 16 * j, y)));
                lo[j][i] = _mm512_add_pd(base, offsetLo[i]), hi[j][i] = _mm512_add_pd(base, offsetHi[i]);
            }
    }
    VOREL_AVX512_INLINE void next() {
        for (int j = 0; j < Across; ++j)
            for (int i = 0; i < 3; ++i) lo[j][i] = _mm512_add_pd(lo[j][i], step[i]), hi[j][i] = _mm512_add_pd(hi[j][i], step[i]);
    }
    // The covered lanes among `lanes` of block j (0 the leftmost).
    VOREL_AVX512_INLINE Lanes covered(int j, Lanes lanes) const {
        __mmask8 inLo = __mmask8(lanes), inHi = __mmask8(lanes >> 8);
        for (int i = 0; i < 3; ++i) {
            inLo = _mm512_mask_cmp_pd_mask(inLo, lo[j][i], limit[i], _CMP_GT_OQ);
            inHi = _mm512_mask_cmp_pd_mask(inHi, hi[j][i], limit[i], _CMP_GT_OQ);
        }
        return Lanes(unsigned(inLo) | unsigned(inHi) << 8);
    }
};

// The blocks side by side a box over sixteen wide takes (1 for narrower boxes).
inline int blocksAcross(const TriangleSetup& t) { return (t.maxX - t.minX) / 16 + 1; }

// The columns right of the box's first that its blocks reach: 15, 31, 47 or 63.
inline int64_t blockColumns(const TriangleSetup& t) { return 16 * blocksAcross(t) - 1; }

// Whether every edge value a block of the box (and the rows a last block reaches past it) can
// hold lies below 2^30 in magnitude, so that BlockEdges32's 32-bit sums are exact.
inline bool fitsIn32Bits(const TriangleSetup& t) {
    const int64_t rows = t.maxY - t.minY + 16, columns = blockColumns(t);
    for (int i = 0; i < 3; ++i) {
        const Edge& e = t.edge[i];
        const int64_t corner = edgeAt(t, i, t.minX, t.minY);
        const int64_t bound = (corner < 0 ? -corner : corner) + (e.a < 0 ? -e.a : e.a) * columns + (e.b < 0 ? -e.b : e.b) * rows;
        if (bound >= (int64_t(1) << 30)) return false;
    }
    return true;
}

// BlockEdges on 32-bit lanes, sixteen to an instruction, for boxes fitsIn32Bits passes. Each lane
// holds E + bias - 1 (below 2^30 in magnitude, like E), so a centre is inside where all three are
// at least 0: where their OR has no sign bit. One OR and one test a block instead of three chained
// compares (the block walk waited on that chain).
template <int Across>
struct BlockEdges32 {
    static constexpr int kAcross = Across;
    __m512i value[Across][3], offset[3], step[3];

    VOREL_AVX512_INLINE BlockEdges32(const TriangleSetup& t, const CoverageBlocks& b) {
        for (int i = 0; i < 3; ++i) {
            const Edge& e = t.edge[i];
            const __m512i perLane = _mm512_add_epi32(_mm512_mullo_epi32(b.column, _mm512_set1_epi32(int32_t(e.a))),
                                                    _mm512_mullo_epi32(b.row, _mm512_set1_epi32(int32_t(e.b))));
            offset[i] = _mm512_add_epi32(perLane, _mm512_set1_epi32(int32_t(e.bias) - 1));
            step[i] = _mm512_set1_epi32(int32_t(e.b * b.rows));
        }
    }
    VOREL_AVX512_INLINE void at(const TriangleSetup& t, int y) {
        for (int j = 0; j < Across; ++j)
            for (int i = 0; i < 3; ++i)
                value[j][i] = _mm512_add_epi32(_mm512_set1_epi32(int32_t(edgeAt(t, i, t.minX + 16 * j, y))), offset[i]);
    }
    VOREL_AVX512_INLINE void next() {
        for (int j = 0; j < Across; ++j)
            for (int i = 0; i < 3; ++i) value[j][i] = _mm512_add_epi32(value[j][i], step[i]);
    }
    VOREL_AVX512_INLINE Lanes covered(int j, Lanes lanes) const {
        const __m512i any = _mm512_ternarylogic_epi32(value[j][0], value[j][1], value[j][2], 0xFE);  // a | b | c
        return _mm512_mask_testn_epi32_mask(lanes, any, _mm512_set1_epi32(INT32_MIN));
    }
};

// Positions gathered into groups of sixteen: `shade(positions, lanes)` is called with each full
// group as it fills and, from finish(), with what is left.
struct PixelPack {
    __m512i pending;
    int count = 0;

    VOREL_AVX512_INLINE PixelPack() : pending(_mm512_setzero_si512()) {}

    // No branch on the lanes (an empty block adds nothing), only on a full group.
    template <class Shade>
    VOREL_AVX512_INLINE void add(__m512i positions, Lanes lanes, int n, const Shade& shade) {
        const __m512i packed = _mm512_maskz_compress_epi32(lanes, positions);
        pending = _mm512_mask_expand_epi32(pending, Lanes(~firstLanes(count)), packed);
        count += n;
        if (count < 16) return;
        shade(pending, Lanes(0xFFFF));
        count -= 16;
        pending = _mm512_maskz_compress_epi32(Lanes(~firstLanes(n - count)), packed);
    }
    template <class Shade>
    VOREL_AVX512_INLINE void finish(const Shade& shade) {
        if (count != 0) shade(pending, firstLanes(count));
    }
};

// A box's covered positions in walk order (what is left of the last full group, then up to kBlocks
// blocks' worth), kept in memory so that the block walk makes no call: with a call to the pixel
// work in the walk's loop the edge values lived in memory and each block waited on the previous
// one's store, and the packing in a register made a chain of expands from block to block. The
// count of positions held is the caller's own variable, passed in and handed back: kept in the
// run, it lived in memory beside the positions (whose stores may alias anything), and each block
// waited on the previous one's store of it.
struct PositionRun {
    static constexpr int kBlocks = 16;  // blocks' worth of positions between two rounds of shading
    alignas(64) uint32_t at[16 * (kBlocks + 1)];

    // A block's covered lanes (n of them) after the `count` before: a whole register is written,
    // the lanes past the last covered ones zero. Returns the new count.
    VOREL_AVX512_INLINE int add(int count, __m512i positions, Lanes lanes, int n) {
        _mm512_storeu_si512(at + count, _mm512_maskz_compress_epi32(lanes, positions));
        return count + n;
    }
    // shade(positions, lanes) for each full group of the `count` held; what is left (under
    // sixteen) moves to the front, and its count is returned.
    template <class Shade>
    VOREL_AVX512_INLINE int shadeFull(int count, const Shade& shade) {
        int first = 0;
        for (; first + 16 <= count; first += 16) shade(_mm512_load_si512(at + first), Lanes(0xFFFF));
        count -= first;
        if (first != 0 && count != 0) _mm512_store_si512(at, _mm512_maskz_loadu_epi32(firstLanes(count), at + first));
        return count;
    }
    template <class Shade>
    VOREL_AVX512_INLINE void finish(int count, const Shade& shade) {
        count = shadeFull(count, shade);
        if (count != 0) shade(_mm512_maskz_load_epi32(firstLanes(count), at), firstLanes(count));
    }
};

// The covered lanes of the blocks at `positions` (Edges::kAcross side by side) among `columns`,
// added to the run after its `held` positions; adds their count to *covered and returns the new
// count held.
template <class Edges>
VOREL_AVX512_INLINE int addBlocks(const Edges& edges, const Lanes* columns, __m512i positions, PositionRun* run,
                                  int held, uint64_t* covered) {
    for (int j = 0; j < Edges::kAcross; ++j) {
        const Lanes lanes = edges.covered(j, columns[j]);
        const int n = std::popcount(unsigned(lanes));
        *covered += uint64_t(n);
        held = run->add(held, j == 0 ? positions : _mm512_add_epi32(positions, _mm512_set1_epi32(16 * j)), lanes, n);
    }
    return held;
}

// The blocks in `bands` of a box (rows dealt out as walkRows deals them), their
// covered centres packed: shade(positions, lanes) for each group. Returns the number of covered
// centres. The box's rows are walked as runs of rows in `bands` (the whole box on one thread):
// a run's whole blocks in a loop of their own, which tests no row count and no band, then the
// rows left under a block. Full groups are shaded once the run holds more than kFull positions
// (in the story's views, hardly ever before the triangle's end): kAcross blocks side by side add
// up to kAcross blocks' worth before the test, and the last one's whole register must fit the
// run's room.
template <class Edges, class Shade>
VOREL_AVX512_INLINE uint64_t packBlocks(const TriangleSetup& t, BandMask bands, const CoverageBlocks& b,
                                        const Shade& shade) {
    constexpr int kFull = 16 * (PositionRun::kBlocks - (Edges::kAcross > 1 ? Edges::kAcross - 1 : 1));
    static_assert(kFull + 16 * Edges::kAcross <= 16 * (PositionRun::kBlocks + 1), "the run's room");
    Edges edges(t, b);
    PositionRun run;
    int held = 0;  // positions in the run
    uint64_t covered = 0;
    const bool everyBand = bands == kEveryBand;  // one test for the triangle, not one a block
    const __m512i down = _mm512_set1_epi32(b.rows << 16);
    for (int y = t.minY; y <= t.maxY;) {
        if (!everyBand && !ownsRow(y, bands)) {
            y = nextBand(y);
            continue;
        }
        const int last = everyBand ? t.maxY : std::min(t.maxY, nextBand(y) - 1);  // the run's last row
        edges.at(t, y);
        __m512i positions = _mm512_add_epi32(b.lanePositions, _mm512_set1_epi32((y << 16) | t.minX));
        for (; y + b.rows - 1 <= last; y += b.rows) {
            held = addBlocks(edges, b.columns, positions, &run, held, &covered);
            positions = _mm512_add_epi32(positions, down);
            edges.next();
            if (held > kFull) [[unlikely]] held = run.shadeFull(held, shade);
        }
        if (y <= last) {  // never with blocks side by side, which are one row high
            const Lanes rows = firstLanes((last - y + 1) << b.shift);
            const Lanes columns[4] = {Lanes(b.columns[0] & rows)};  // the others add nothing
            held = addBlocks(edges, columns, positions, &run, held, &covered);
            if (held > kFull) [[unlikely]] held = run.shadeFull(held, shade);
            y = last + 1;
        }
    }
    run.finish(held, shade);
    return covered;
}

// packBlocks with Across blocks side by side, in 32-bit lanes where the box's values fit.
template <int Across, class Shade>
VOREL_AVX512_INLINE uint64_t packAcross(const TriangleSetup& t, BandMask bands, const Shade& shade) {
    const CoverageBlocks b = coverageBlocks<Across>(t);
    if (fitsIn32Bits(t)) return packBlocks<BlockEdges32<Across>>(t, bands, b, shade);
    return packBlocks<BlockEdges<Across>>(t, bands, b, shade);
}

// The rows in `bands` of a triangle at most kPackedWidth pixels wide, their covered
// centres packed: shade(positions, lanes) for each group. Returns the number of covered centres.
template <class Shade>
VOREL_AVX512_INLINE uint64_t packTriangle(const TriangleSetup& t, BandMask bands, const Shade& shade) {
    switch (blocksAcross(t)) {
        case 1: return packAcross<1>(t, bands, shade);
        case 2: return packAcross<2>(t, bands, shade);
        case 3: return packAcross<3>(t, bands, shade);
        default: return packAcross<4>(t, bands, shade);
    }
}

// ---- pixels anywhere ----------------------------------------------------------------------------

// Byte offsets of the lanes' pixels in a surface of `bytes` bytes a pixel.
VOREL_AVX512_INLINE __m512i pixelOffsets(__m512i x, __m512i y, ptrdiff_t pitch, int bytes) {
    return _mm512_add_epi32(_mm512_mullo_epi32(y, _mm512_set1_epi32(int(pitch))), _mm512_mullo_epi32(x, _mm512_set1_epi32(bytes)));
}

// 32-bit pixels at the lanes' offsets (0 in other lanes). A half group (Half: lanes 8-15 empty)
// is read by a gather of eight lanes, half the loads.
template <bool Half = false>
VOREL_AVX512_INLINE __m512i gather32(const uint8_t* base, __m512i offsets, Lanes lanes) {
    if constexpr (Half)
        return _mm512_zextsi256_si512(
            _mm256_mmask_i32gather_epi32(_mm256_setzero_si256(), __mmask8(lanes), lowHalf(offsets), base, 1));
    return _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, offsets, base, 1);
}

// 16-bit pixels at the lanes' (even) offsets, zero-extended: each read from the aligned 32-bit
// word that holds it, which lies in the same row when the surface and its pitch are 4-byte
// aligned (alignedFor16 checks).
template <bool Half = false>
VOREL_AVX512_INLINE __m512i gather16(const uint8_t* base, __m512i offsets, Lanes lanes) {
    const __m512i word = gather32<Half>(base, _mm512_andnot_si512(_mm512_set1_epi32(3), offsets), lanes);
    const __m512i shift = _mm512_slli_epi32(_mm512_and_si512(offsets, _mm512_set1_epi32(2)), 3);
    return _mm512_and_si512(_mm512_srlv_epi32(word, shift), _mm512_set1_epi32(0xFFFF));
}

inline bool alignedFor16(const uint8_t* base, ptrdiff_t pitch) {
    return ((reinterpret_cast<uintptr_t>(base) | uintptr_t(pitch)) & 3) == 0;
}

template <bool Half = false>
VOREL_AVX512_INLINE void scatter32(uint8_t* base, __m512i offsets, Lanes lanes, __m512i values) {
    if constexpr (Half) _mm256_mask_i32scatter_epi32(base, __mmask8(lanes), lowHalf(offsets), lowHalf(values), 1);
    else _mm512_mask_i32scatter_epi32(base, lanes, offsets, values, 1);
}

// A packed group's 16-bit pixels (the low words of `values`) written as the aligned 32-bit words
// that hold them (alignedFor16), by one scatter instead of a store a lane: each lane's word is
// read (after every earlier write) and its pixel put in; where a word also holds the previous
// lane's pixel (the next column of the same row, which the block walk's order and a row's run put
// in the next lane: two lanes share a word only as neighbours), the later lane's word takes both
// pixels and the earlier lane is not written. The word's other pixel lies in the same row, so in
// the same band: this thread's to write back.
template <bool Half>
VOREL_AVX512_INLINE void scatter16(uint8_t* base, __m512i offsets, Lanes lanes, __m512i values) {
    const __m512i at = _mm512_andnot_si512(_mm512_set1_epi32(3), offsets);
    const __m512i shift = _mm512_slli_epi32(_mm512_and_si512(offsets, _mm512_set1_epi32(2)), 3);
    const __m512i low = _mm512_set1_epi32(0xFFFF);
    const __m512i own = _mm512_sllv_epi32(_mm512_and_si512(values, low), shift);
    // (word & ~(0xFFFF << shift)) | own
    __m512i words = _mm512_ternarylogic_epi32(gather32<Half>(base, at, lanes), _mm512_sllv_epi32(low, shift), own, 0xBA);
    // Lane i's values moved to lane i + 1.
    const __m512i atBefore = _mm512_alignr_epi32(at, at, 15), ownBefore = _mm512_alignr_epi32(own, own, 15);
    const Lanes paired = _mm512_mask_cmpeq_epi32_mask(Lanes(lanes & (lanes << 1)), at, atBefore);
    words = _mm512_mask_or_epi32(words, paired, own, ownBefore);
    scatter32<Half>(base, at, Lanes(lanes & ~(paired >> 1)), words);
}

// The 4x4 dither thresholds by ((y & 3) << 2) | (x & 3), each in both 16-bit halves.
struct DitherSquare {
    alignas(64) int32_t v[16]{};
    constexpr DitherSquare() {
        for (int i = 0; i < 16; ++i) v[i] = int32_t(ditherThreshold(i & 3, i >> 2) * 0x10001u);
    }
    VOREL_AVX512_INLINE __m512i at(__m512i x, __m512i y) const {
        const __m512i three = _mm512_set1_epi32(3);
        const __m512i index = _mm512_or_si512(_mm512_slli_epi32(_mm512_and_si512(y, three), 2), _mm512_and_si512(x, three));
        return _mm512_permutexvar_epi32(index, _mm512_load_si512(v));
    }
};
inline constexpr DitherSquare kDitherSquare;

}  // namespace platform::d3d::span_avx512
