// Row spans against the edge test made at every centre, for edges of every sign and size.
#include <gtest/gtest.h>

#include <random>

#include "platform/d3d/span_walk.h"

using namespace platform::d3d;

namespace {

// Edges with random coefficients (zero among them) over a random box: the intersection of the
// three half-planes along a row is one run, possibly empty.
TriangleSetup randomEdges(std::mt19937& rng) {
    TriangleSetup t{};
    std::uniform_int_distribution<int64_t> small(-40, 40), large(-5000000, 5000000);
    for (Edge& e : t.edge) {
        const bool big = rng() % 2;
        e.a = rng() % 6 == 0 ? 0 : big ? large(rng) : small(rng);
        e.b = rng() % 6 == 0 ? 0 : big ? large(rng) : small(rng);
        e.c = big ? large(rng) * 64 : small(rng) * 16;
        e.bias = rng() % 2;
    }
    t.minX = int(small(rng)), t.maxX = t.minX + int(rng() % 70);
    t.minY = int(small(rng)), t.maxY = t.minY + int(rng() % 70);
    return t;
}

bool inside(const TriangleSetup& t, int x, int y) {
    for (const Edge& e : t.edge)
        if (e.a * x + e.b * y + e.c + e.bias <= 0) return false;
    return true;
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
                ASSERT_EQ(inside(t, x, y), solved && x >= x0 && x <= x1) << "triangle " << n << " (" << x << ", " << y << ")";
            covered += solved ? x1 - x0 + 1 : 0;
        }
    }
    EXPECT_GT(covered, 10000) << "the random edges hardly covered anything";
}

}  // namespace
