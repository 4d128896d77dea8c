// Row spans against the edge test made at every centre, for edges of every sign and size; the
// band masks' tests against looks at every band and row.
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

// Runs stepped down from any row, without dividing, are the solved ones: edges of every sign and
// size (large steps carry across several multiples of a each row, negative ones borrow), rows
// above and below zero, and walks restarted part way as at a band's start.
TEST(RowSpans, SteppedRunsAreTheSolvedOnes) {
    std::mt19937 rng(31);
    int rows = 0, nonEmpty = 0;
    for (int n = 0; n < 3000; ++n) {
        TriangleSetup t = randomEdges(rng);
        t.maxY = t.minY + int(rng() % 200);
        RowSpans spans(t);
        const int restart = t.minY + int(rng() % uint32_t(t.maxY - t.minY + 1));
        for (int y = t.minY; y <= t.maxY; ++y) {
            if (y == t.minY || y == restart) spans.at(y);
            else spans.next();
            int x0 = 0, x1 = -1, wantX0 = 0, wantX1 = -1;
            const bool got = spans.span(&x0, &x1), want = rowSpan(t, y, &wantX0, &wantX1);
            ASSERT_EQ(got, want) << "triangle " << n << ", row " << y;
            if (want) {
                ASSERT_EQ(x0, wantX0) << "triangle " << n << ", row " << y;
                ASSERT_EQ(x1, wantX1) << "triangle " << n << ", row " << y;
                ++nonEmpty;
            }
            ++rows;
        }
    }
    EXPECT_GT(nonEmpty, rows / 20) << "the random edges hardly covered anything";
}

// The walk hands each owned row's span to the routine once, for every band mask.
TEST(RowSpans, TheWalkGivesTheSolvedSpansOfOwnedRows) {
    struct Recorder {
        std::vector<int>* rows;
        void span(int y, int x0, int x1) const { rows->insert(rows->end(), {y, x0, x1}); }
    };
    std::mt19937 rng(23);
    for (int n = 0; n < 2000; ++n) {
        TriangleSetup t = randomEdges(rng);
        t.maxY = t.minY + int(rng() % 300);
        const BandMask bands = n % 4 == 0 ? kEveryBand : n % 4 == 1 ? interleavedBands(int(rng() % 2), 2)
                                                                     : BandMask(rng()) << 32 | BandMask(rng());
        std::vector<int> got, want;
        uint64_t covered = 0;
        for (int y = t.minY; y <= t.maxY; ++y) {
            int x0, x1;
            if (ownsRow(y, bands) && rowSpan(t, y, &x0, &x1)) want.insert(want.end(), {y, x0, x1}), covered += uint64_t(x1 - x0 + 1);
        }
        ASSERT_EQ(walkRows(t, bands, Recorder{&got}), covered) << "triangle " << n;
        ASSERT_EQ(got, want) << "triangle " << n;
    }
}

// ownsBandIn against a look at every band of the range, for random masks (sparse, dense, none,
// every band) and ranges up to several times 64 bands; ownedRows against a count of every row; and
// interleaved masks share the bands out, each band to one part.
TEST(BandMasks, RangesAndRowsAgreeWithBandByBandLooks) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        BandMask bands = BandMask(rng()) << 32 | BandMask(rng());
        if (round % 4 == 1) bands &= BandMask(rng()) << 32 | BandMask(rng());  // sparse
        if (round % 4 == 2) bands = BandMask(1) << (rng() % 64);
        if (round % 97 == 0) bands = round % 2 ? 0 : kEveryBand;
        const int first = int(rng() % 300), last = first - 1 + int(rng() % (round % 3 == 0 ? 200 : 6));
        bool any = bands == kEveryBand;
        for (int b = first; b <= last; ++b) any = any || ((bands >> (b % 64)) & 1);
        ASSERT_EQ(ownsBandIn(first, last, bands), any) << first << ".." << last << ", bands " << std::hex << bands;
        if (round % 50 == 0) {
            const int rows = int(rng() % 9000);
            int owned = 0;
            for (int y = 0; y < rows; ++y) owned += ownsRow(y, bands) ? 1 : 0;
            ASSERT_EQ(ownedRows(rows, bands), owned) << rows << " rows, bands " << std::hex << bands;
        }
    }
    for (int parts = 1; parts <= 7; ++parts)
        for (int y = 0; y < 9000; y += 13) {
            int owners = 0;
            for (int k = 0; k < parts; ++k) owners += ownsRow(y, interleavedBands(k, parts)) ? 1 : 0;
            ASSERT_EQ(owners, 1) << "row " << y << ", " << parts << " parts";
            if (y < 64 * 64) {
                ASSERT_TRUE(ownsRow(y, interleavedBands((y >> kBandShift) % parts, parts)));
            }
        }
}

}  // namespace
