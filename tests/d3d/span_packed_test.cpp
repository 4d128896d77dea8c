// Small triangles' covered centres packed sixteen to a group (span_packed_avx512.h) against the
// edge test made at every centre: each covered centre of a part's rows exactly once and nothing
// else, for boxes one to sixty-four pixels wide (every block shape, and two to four blocks side by side),
// edges of every sign and size (in and beyond 32 bits), and rows dealt by band masks (every band,
// interleaved, one band, random).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "tests/d3d/random_edges.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_packed_avx512.h"

// GCC 12 takes the AVX-512 intrinsics' deliberately undefined source registers for values used
// uninitialized (a false warning, reported for the intrinsics' own headers).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

using namespace platform::d3d;
using namespace platform::d3d::span_avx512;

namespace {

// What packTriangle handed over: the positions, and each group's lanes in order.
struct Packed {
    std::vector<uint32_t> positions;
    std::vector<Lanes> groups;
};

struct Collect {
    Packed* out;
    VOREL_AVX512 void operator()(__m512i positions, Lanes lanes) const {
        alignas(64) uint32_t p[16];
        _mm512_store_si512(p, positions);
        for (int i = 0; i < 16; ++i)
            if (lanes >> i & 1) out->positions.push_back(p[i]);
        out->groups.push_back(lanes);
    }
};

VOREL_AVX512 uint64_t pack(const TriangleSetup& t, BandMask bands, Packed* out) {
    return packTriangle(t, bands, Collect{out});
}

// Random edges over a box at most sixteen wide (a third of them: at most sixty-four), on a
// surface's coordinates (never negative), through the box's middle so that most boxes cover
// something.
TriangleSetup randomSmallBox(std::mt19937& rng) {
    TriangleSetup t{};
    vorel_test::randomEdges(rng, &t);
    t.minX = int(rng() % 200), t.maxX = t.minX + int(rng() % (rng() % 3 == 0 ? kPackedWidth : 16));
    t.minY = int(rng() % 200), t.maxY = t.minY + int(rng() % 70);
    const int64_t midX = (t.minX + t.maxX) / 2, midY = (t.minY + t.maxY) / 2;
    // A third of the boxes have edge values beyond 32 bits (a triangle reaching far past the
    // screen), tested in double.
    const int64_t scale = rng() % 3 == 0 ? 4096 : 1;
    for (Edge& e : t.edge) {
        e.c -= e.a * midX + e.b * midY - int64_t(rng() % 30);
        e.a *= scale, e.b *= scale, e.c *= scale;
    }
    return t;
}

std::vector<uint32_t> coveredCentres(const TriangleSetup& t, BandMask bands) {
    std::vector<uint32_t> out;
    for (int y = t.minY; y <= t.maxY; ++y)
        for (int x = t.minX; x <= t.maxX; ++x)
            if (ownsRow(y, bands) && vorel_test::insideEdges(t, x, y)) out.push_back(uint32_t(y) << 16 | uint32_t(x));
    std::sort(out.begin(), out.end());
    return out;
}

// The walk hands the centres over in rows from the top, each row from the left (so in rising
// (y << 16) | x): the order in which a 16-bit target's two pixels of a word come in neighbouring
// lanes, which scatter16 relies on. Boxes whose centres fill more than a run's rounds of blocks are
// shaded part way through the walk.
TEST(PackedPixels, EveryCoveredCentreOfAPartsRowsComesOnceInWalkOrderInFullGroups) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(23);
    size_t covered = 0, groups = 0, shadedInTheWalk = 0, sideBySide = 0;
    for (int n = 0; n < 3000; ++n) {
        const TriangleSetup t = randomSmallBox(rng);
        sideBySide += t.maxX - t.minX >= 16;
        const BandMask masks[] = {kEveryBand,           interleavedBands(0, 2), interleavedBands(1, 2), interleavedBands(2, 3),
                                  BandMask(1) << (n % 4), BandMask(rng()) << 32 | rng()};
        for (BandMask bands : masks) {
            Packed got;
            const uint64_t count = pack(t, bands, &got);
            const std::vector<uint32_t> want = coveredCentres(t, bands);
            EXPECT_EQ(count, want.size()) << "triangle " << n << ", bands " << std::hex << bands;
            ASSERT_TRUE(std::is_sorted(got.positions.begin(), got.positions.end()))
                << "triangle " << n << ", bands " << std::hex << bands;
            ASSERT_EQ(got.positions, want) << "triangle " << n << ", bands " << std::hex << bands;
            if (want.size() > size_t(16 * PositionRun::kBlocks)) ++shadedInTheWalk;
            // Every group is full but the last, which holds its first lanes.
            for (size_t g = 0; g + 1 < got.groups.size(); ++g) ASSERT_EQ(got.groups[g], Lanes(0xFFFF));
            if (!got.groups.empty()) {
                const size_t last = want.size() - 16 * (got.groups.size() - 1);
                ASSERT_EQ(got.groups.back(), Lanes((1u << last) - 1u));
            }
            covered += want.size(), groups += got.groups.size();
        }
    }
    EXPECT_GT(covered, 50000u) << "the random boxes hardly covered anything";
    EXPECT_LT(groups * 8, covered) << "groups were not filled";
    EXPECT_GT(shadedInTheWalk, 20u) << "too few boxes filled a run's rounds";
    EXPECT_GT(sideBySide, 300u) << "too few boxes over sixteen wide";
}

// Edges of tiny slopes through the box, so that many centres lie exactly on an edge (E = 0, drawn
// only where the bias is 1) or a step off it (E = -1 and 1): each such centre packed as the
// reference tests it, in the 32-bit and the double test (some boxes scaled past 32 bits) and for
// boxes of one to four blocks side by side.
TEST(PackedPixels, CentresOnAnEdgeArePackedByTheReferencesBias) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(37);
    int onEdge[2] = {0, 0}, nextToEdge = 0;
    for (int n = 0; n < 1500; ++n) {
        TriangleSetup t{};
        t.minX = int(rng() % 100), t.maxX = t.minX + int(rng() % kPackedWidth);
        t.minY = int(rng() % 100), t.maxY = t.minY + int(rng() % 30);
        const int64_t midX = (t.minX + t.maxX) / 2, midY = (t.minY + t.maxY) / 2;
        const int64_t scale = n % 4 == 0 ? (int64_t(1) << 28) : 1;
        for (Edge& e : t.edge) {
            e.a = int64_t(rng() % 5) - 2, e.b = int64_t(rng() % 5) - 2;
            e.c = -(e.a * midX + e.b * midY) + int64_t(rng() % 7) - 1;
            e.bias = rng() % 2;
            e.a *= scale, e.b *= scale, e.c *= scale;
        }
        for (int y = t.minY; y <= t.maxY; ++y)
            for (int x = t.minX; x <= t.maxX; ++x)
                for (const Edge& e : t.edge) {
                    const int64_t v = (e.a * x + e.b * y + e.c) / scale;
                    if (v == 0) ++onEdge[e.bias];
                    if (v == 1 || v == -1) ++nextToEdge;
                }
        Packed got;
        const uint64_t count = pack(t, kEveryBand, &got);
        const std::vector<uint32_t> want = coveredCentres(t, kEveryBand);
        ASSERT_EQ(got.positions, want) << "triangle " << n;
        ASSERT_EQ(count, want.size()) << "triangle " << n;
    }
    EXPECT_GT(onEdge[0], 2000) << "too few centres on edges without the bias";
    EXPECT_GT(onEdge[1], 2000) << "too few centres on edges with the bias";
    EXPECT_GT(nextToEdge, 2000) << "too few centres a step off an edge";
}

// What a PositionRun handed over, each group's lanes and all sixteen of its positions.
struct Groups {
    std::vector<std::vector<uint32_t>> positions;
    std::vector<Lanes> lanes;
};

struct CollectAll {
    Groups* out;
    VOREL_AVX512 void operator()(__m512i positions, Lanes lanes) const {
        std::vector<uint32_t> p(16);
        _mm512_storeu_si512(p.data(), positions);
        out->positions.push_back(p);
        out->lanes.push_back(lanes);
    }
};

// Rounds of blocks, each block's covered lanes given, through a PositionRun, shaded after every
// round and at the end; every lane gets a position of its own, and *want gets the covered ones in
// the order added.
VOREL_AVX512 Groups runBlocks(const std::vector<std::vector<Lanes>>& rounds, std::vector<uint32_t>* want) {
    PositionRun run;
    int held = 0;
    Groups got;
    uint32_t next = 1;
    for (size_t round = 0; round < rounds.size(); ++round) {
        for (Lanes lanes : rounds[round]) {
            alignas(64) uint32_t p[16];
            for (int i = 0; i < 16; ++i) p[i] = next++;
            for (int i = 0; i < 16; ++i)
                if (lanes >> i & 1) want->push_back(p[i]);
            held = run.add(held, _mm512_load_si512(p), lanes, std::popcount(unsigned(lanes)));
        }
        if (round + 1 < rounds.size()) held = run.shadeFull(held, CollectAll{&got});
    }
    run.finish(held, CollectAll{&got});
    return got;
}

// Random rounds: empty, full and partly covered blocks, as many as a round holds.
std::vector<std::vector<Lanes>> randomRounds(std::mt19937& rng, int rounds) {
    std::vector<std::vector<Lanes>> out(static_cast<size_t>(rounds));
    for (auto& round : out)
        for (int block = 0; block < PositionRun::kBlocks; ++block) {
            const int kind = int(rng() % 3);
            round.push_back(Lanes(kind == 0 ? 0u : kind == 1 ? 0xFFFFu : rng() & 0xFFFF));
        }
    return out;
}

// The groups hold the positions in the order added, sixteen to a group but the last, whose unused
// lanes are zero.
void expectGroupsInOrder(const Groups& got, const std::vector<uint32_t>& want, const std::string& what) {
    ASSERT_EQ(got.lanes.size(), (want.size() + 15) / 16) << what;
    for (size_t g = 0; g < got.lanes.size(); ++g) {
        const size_t first = 16 * g, count = std::min<size_t>(16, want.size() - first);
        ASSERT_EQ(got.lanes[g], Lanes((1u << count) - 1u)) << what << ", group " << g;
        for (size_t i = 0; i < 16; ++i)
            ASSERT_EQ(got.positions[g][i], i < count ? want[first + i] : 0u) << what << ", group " << g << ", lane " << i;
    }
}

TEST(PackedPixels, PositionRunsHandOverBlocksInOrderInFullGroups) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(31);
    for (int n = 0; n < 400; ++n) {
        std::vector<uint32_t> want;
        const Groups got = runBlocks(randomRounds(rng, 1 + int(rng() % 4)), &want);
        expectGroupsInOrder(got, want, "run " + std::to_string(n));
    }
    // The fullest a run gets: fifteen positions left from a round, then a round of full blocks.
    std::vector<std::vector<Lanes>> fullest(2);
    fullest[0].push_back(Lanes(0x7FFF));
    fullest[1].assign(PositionRun::kBlocks, Lanes(0xFFFF));
    std::vector<uint32_t> want;
    expectGroupsInOrder(runBlocks(fullest, &want), want, "the fullest run");
    EXPECT_EQ(want.size(), size_t(15 + 16 * PositionRun::kBlocks));
}

// The largest |E| over the centres a box's blocks reach: sixteen columns from its left for each
// block side by side (up to four for a box up to sixty-four wide) and down to fifteen rows past
// its last (a last block's rows).
int64_t largestEdgeValue(const TriangleSetup& t) {
    const int right = t.minX + 16 * ((t.maxX - t.minX) / 16 + 1) - 1;
    int64_t largest = 0;
    for (int i = 0; i < 3; ++i)
        for (int y : {t.minY, t.maxY + 15})
            for (int x : {t.minX, right}) largest = std::max(largest, std::abs(edgeAt(t, i, x, y)));
    return largest;  // E is linear in x and y, so the box's corners hold its extremes
}

// Boxes scaled so that their edge values come just under and just over what 32-bit lanes hold:
// where the 32-bit test is taken, every value a block reaches fits in 32 bits, and packing stays
// exact on both sides of the bound.
TEST(PackedPixels, BoxesAtTheThirtyTwoBitBoundPackExactly) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(29);
    int in32 = 0, beyond32 = 0;
    for (int n = 0; n < 1500; ++n) {
        TriangleSetup t{};
        vorel_test::randomEdges(rng, &t);
        t.minX = int(rng() % 200), t.maxX = t.minX + int(rng() % (n % 2 == 0 ? 16 : kPackedWidth));
        t.minY = int(rng() % 200), t.maxY = t.minY + int(rng() % 40);
        const int64_t largest = std::max<int64_t>(largestEdgeValue(t), 1);
        // A factor that puts the largest value between 2^29 and 2^32.
        const int64_t scale = std::max<int64_t>(1, (int64_t(1) << (29 + rng() % 4)) / largest);
        for (Edge& e : t.edge) e.a *= scale, e.b *= scale, e.c *= scale;
        if (fitsIn32Bits(t)) {
            ++in32;
            ASSERT_LT(largestEdgeValue(t), int64_t(1) << 31) << "triangle " << n;
        } else {
            ++beyond32;
        }
        Packed got;
        pack(t, kEveryBand, &got);
        std::sort(got.positions.begin(), got.positions.end());
        ASSERT_EQ(got.positions, coveredCentres(t, kEveryBand)) << "triangle " << n;
    }
    EXPECT_GT(in32, 100) << "too few boxes took the 32-bit test";
    EXPECT_GT(beyond32, 100) << "too few boxes took the double test";
}

}  // namespace

#endif
