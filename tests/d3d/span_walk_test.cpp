// Row spans against the edge test made at every centre, for edges of every sign and size; the
// part of a target's bands with the fewest rows against a count of every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/d3d/span_walk.h"
#include "tests/d3d/random_edges.h"

using namespace platform::d3d;

namespace {

// Random edges over a random box: the intersection of the three half-planes along a row is one
// run, possibly empty.
TriangleSetup randomEdges(std::mt19937& rng) {
    TriangleSetup t{};
    vorel_test::randomEdges(rng, &t);
    std::uniform_int_distribution<int> corner(-40, 40);
    t.minX = corner(rng), t.maxX = t.minX + int(rng() % 70);
    t.minY = corner(rng), t.maxY = t.minY + int(rng() % 70);
    return t;
}

TEST(RowSpans, SpansHoldExactlyTheCentresInside) {
    std::mt19937 rng(7);
    int covered = 0;
    for (int n = 0; n < 3000; ++n) {
        const TriangleSetup t = randomEdges(rng);
        for (int y = t.minY; y <= t.maxY; ++y) {
            int x0 = 0, x1 = -1;
            const bool solved = rowSpan(t, y, &x0, &x1);
            for (int x = t.minX; x <= t.maxX; ++x)
                ASSERT_EQ(vorel_test::insideEdges(t, x, y), solved && x >= x0 && x <= x1) << "triangle " << n << " (" << x << ", " << y << ")";
            covered += solved ? x1 - x0 + 1 : 0;
        }
    }
    EXPECT_GT(covered, 10000) << "the random edges hardly covered anything";
}

TEST(BandParts, TheFewestRowsPartOwnsNoMoreRowsThanAnyAndIsTheFirstSuch) {
    EXPECT_EQ(fewestRowsPart(600, 2), 1);   // 320 rows against 280
    EXPECT_EQ(fewestRowsPart(1080, 2), 1);  // 568 against 512
    EXPECT_EQ(fewestRowsPart(768, 2), 0);   // 384 each
    EXPECT_EQ(fewestRowsPart(600, 3), 1);   // 216, 192, 192
    for (int parts = 2; parts <= 6; ++parts)
        for (int rows = 1; rows <= 1300; rows += 7) {
            std::vector<int> owned(size_t(parts), 0);
            for (int y = 0; y < rows; ++y)
                for (int k = 0; k < parts; ++k) owned[size_t(k)] += ownsRow(y, k, parts);
            const int fewest = int(std::min_element(owned.begin(), owned.end()) - owned.begin());
            ASSERT_EQ(fewestRowsPart(rows, parts), fewest) << rows << " rows, " << parts << " parts";
        }
}

}  // namespace
