// Two parts' boundary: where it starts (half the bands each), that the masks share
// every band once, one band a move towards the part that ended first when the other ended later
// by more than a band's work, averaged
// over two scenes, two scenes' rest after each move, never every band to one part, and a new
// start for a target of another size; scenes in which the process ran on less than 1.8
// processors move nothing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d/split_boundary.h"

using namespace platform::d3d;

namespace {

constexpr int kBands = 10;  // 600 rows
// The calling thread's bands took 1 ms: a band's work is 2 ms over ten bands, 200 us.
constexpr int64_t kOwn = 1'000'000;
// Scenes of 4 ms in which two threads ran all along.
constexpr int64_t kScene = 4'000'000, kBothRan = 8'000'000;

// The boundaries after each of `scenes` scenes that all ended with the helper `later` ns late.
std::vector<int> boundaries(SplitBoundary& b, int scenes, int64_t later, int bands = kBands) {
    std::vector<int> out;
    for (int i = 0; i < scenes; ++i) {
        b.sceneEnded(bands, kOwn, later, kScene, kBothRan);
        out.push_back(b.boundary(bands));
    }
    return out;
}

TEST(SplitBoundary, StartsWithHalfTheBandsEachAndSharesEveryBandOnce) {
    const SplitBoundary b;
    for (int bands = 2; bands <= kBandClasses; ++bands) {
        const int at = b.boundary(bands);
        // The calling thread's bands [at, bands): half, one more when odd.
        EXPECT_EQ(bands - at, (bands + 1) / 2) << bands;
        BandMask m[2];
        b.masks(bands, m);
        EXPECT_EQ(m[0] & m[1], 0u) << bands;
        EXPECT_EQ(m[0] | m[1], kEveryBand) << bands;
        for (int band = 0; band < bands; ++band) EXPECT_EQ(ownsBand(band, m[0]), band >= at) << bands << " " << band;
    }
    EXPECT_EQ(b.boundary(1), 1) << "clamped to two bands";
    EXPECT_EQ(b.boundary(1000), kBandClasses / 2) << "clamped to a mask's bands";
}

TEST(SplitBoundary, ALateHelperGivesBandsToTheCallingThreadOneAMoveWithTwoScenesRestBetween) {
    SplitBoundary b;
    // Late by 210 us, more than a 200 us band: a band moves at once, then two scenes of rest
    // before the next.
    EXPECT_EQ(boundaries(b, 10, 210'000), (std::vector<int>{4, 4, 4, 3, 3, 3, 2, 2, 2, 1}));
    EXPECT_EQ(boundaries(b, 4, 1'000'000), (std::vector<int>{1, 1, 1, 1})) << "the helper keeps a band";
}

TEST(SplitBoundary, ACallingThreadEndingLaterGivesBandsToTheHelper) {
    SplitBoundary b;
    // The helper done 210 us before, more than a 200 us band: one band to it, then two scenes of
    // rest before the next; the calling thread keeps a band.
    EXPECT_EQ(boundaries(b, 16, -210'000), (std::vector<int>{6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9}));
    // A band's work is twice the calling thread's time over every band, wherever the boundary is:
    // with 3 ms there, 600 us: 590 us early move nothing, 610 us do.
    SplitBoundary c;
    EXPECT_EQ(boundaries(c, 3, -590'000), (std::vector<int>{6, 6, 6})) << "with 1 ms";
    SplitBoundary d;
    for (int i = 0; i < 3; ++i) d.sceneEnded(kBands, 3 * kOwn, -590'000, kScene, kBothRan);
    EXPECT_EQ(d.boundary(kBands), 5);
    d.sceneEnded(kBands, 3 * kOwn, -610'000, kScene, kBothRan);
    d.sceneEnded(kBands, 3 * kOwn, -610'000, kScene, kBothRan);
    EXPECT_EQ(d.boundary(kBands), 6);
}

TEST(SplitBoundary, DifferencesWithinABandsWorkMoveNothing) {
    SplitBoundary b;
    // Late or early by just under a band: no move either way.
    EXPECT_EQ(boundaries(b, 4, 199'000), (std::vector<int>{5, 5, 5, 5}));
    EXPECT_EQ(boundaries(b, 4, -199'000), (std::vector<int>{5, 5, 5, 5}));
}

TEST(SplitBoundary, OneSceneAlonePullsHalfAsFar) {
    SplitBoundary b;
    b.sceneEnded(kBands, kOwn, 0, kScene, kBothRan);
    // A late scene after an even one: the average, 195 us, is under a band.
    b.sceneEnded(kBands, kOwn, 390'000, kScene, kBothRan);
    EXPECT_EQ(b.boundary(kBands), 5);
    b.sceneEnded(kBands, kOwn, 390'000, kScene, kBothRan);
    EXPECT_EQ(b.boundary(kBands), 4) << "two late scenes in a row";
    // The same for a calling thread ending later: -390 us after an even scene averages -195 us.
    SplitBoundary c;
    c.sceneEnded(kBands, kOwn, 0, kScene, kBothRan);
    c.sceneEnded(kBands, kOwn, -390'000, kScene, kBothRan);
    EXPECT_EQ(c.boundary(kBands), 5);
    c.sceneEnded(kBands, kOwn, -390'000, kScene, kBothRan);
    EXPECT_EQ(c.boundary(kBands), 6);
}

TEST(SplitBoundary, ScenesInWhichAThreadWaitedForAProcessorMoveNothing) {
    SplitBoundary b;
    // 7 ms of processor time in a 4 ms scene: under 1.8 times.
    for (int i = 0; i < 4; ++i) b.sceneEnded(kBands, kOwn, 1'000'000, kScene, 7'000'000);
    EXPECT_EQ(b.boundary(kBands), 5);
    for (int i = 0; i < 4; ++i) b.sceneEnded(kBands, kOwn, -1'000'000, kScene, 7'000'000);
    EXPECT_EQ(b.boundary(kBands), 5);
    // 7.2 ms: both ran.
    b.sceneEnded(kBands, kOwn, 1'000'000, kScene, 7'200'000);
    EXPECT_EQ(b.boundary(kBands), 4);
}

TEST(SplitBoundary, ATargetOfAnotherSizeStartsAgain) {
    SplitBoundary b;
    boundaries(b, 4, 1'000'000);
    EXPECT_EQ(b.boundary(kBands), 3);
    EXPECT_EQ(b.boundary(17), 8) << "another size is asked for its start";
    EXPECT_EQ(boundaries(b, 1, 0, 17), (std::vector<int>{8}));
    EXPECT_EQ(b.boundary(kBands), 5) << "and back: the ten bands' start again";
}

}  // namespace
