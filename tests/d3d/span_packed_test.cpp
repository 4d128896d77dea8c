// Small triangles' covered centres packed sixteen to a group (span_packed_avx512.h) against the
// edge test made at every centre: each covered centre of a part's rows exactly once and nothing
// else, for boxes one to sixteen pixels wide (every block shape), edges of every sign and size (in
// and beyond 32 bits), and rows dealt to one, two, three or one part per band.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

VOREL_AVX512 uint64_t pack(const TriangleSetup& t, int part, int parts, Packed* out) {
    return packTriangle(t, part, parts, Collect{out});
}

// Random edges over a box at most sixteen wide, on a surface's coordinates (never negative),
// through the box's middle so that most boxes cover something.
TriangleSetup randomSmallBox(std::mt19937& rng) {
    TriangleSetup t{};
    vorel_test::randomEdges(rng, &t);
    t.minX = int(rng() % 200), t.maxX = t.minX + int(rng() % 16);
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

std::vector<uint32_t> coveredCentres(const TriangleSetup& t, int part, int parts) {
    std::vector<uint32_t> out;
    for (int y = t.minY; y <= t.maxY; ++y)
        for (int x = t.minX; x <= t.maxX; ++x)
            if (ownsRow(y, part, parts) && vorel_test::insideEdges(t, x, y)) out.push_back(uint32_t(y) << 16 | uint32_t(x));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PackedPixels, EveryCoveredCentreOfAPartsRowsComesOnceInFullGroups) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(23);
    size_t covered = 0, groups = 0;
    for (int n = 0; n < 3000; ++n) {
        const TriangleSetup t = randomSmallBox(rng);
        for (int parts : {1, 2, 3, 32})
            for (int part = 0; part < std::min(parts, 3); ++part) {
                Packed got;
                const uint64_t count = pack(t, part, parts, &got);
                const std::vector<uint32_t> want = coveredCentres(t, part, parts);
                EXPECT_EQ(count, want.size()) << "triangle " << n << ", part " << part << " of " << parts;
                std::sort(got.positions.begin(), got.positions.end());
                ASSERT_EQ(got.positions, want) << "triangle " << n << ", part " << part << " of " << parts;
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
}

}  // namespace

#endif
