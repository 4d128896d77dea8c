// The device's helper threads: every part of every job runs exactly once, jobs of different sizes
// follow each other without losing or repeating parts, two callers at once both finish, and a
// job started runs beside its caller; the row bands a part owns.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

using namespace platform::d3d;

namespace {

TEST(RasterWorkers, EveryPartOfEveryJobRunsOnce) {
    for (int job = 0; job < 300; ++job) {
        int parts = 1 + job % 5;
        std::vector<std::atomic<int>> calls(static_cast<size_t>(parts));
        std::atomic<int> wrongCount{0};
        runParts(parts, [&](int part, int n) {
            if (n != parts) ++wrongCount;
            calls[size_t(part)].fetch_add(1);
        });
        for (int p = 0; p < parts; ++p) ASSERT_EQ(calls[size_t(p)].load(), 1) << "job " << job << " part " << p;
        ASSERT_EQ(wrongCount.load(), 0);
    }
}

TEST(RasterWorkers, TwoCallersAtOnceBothGetAllTheirParts) {
    std::atomic<int> sums[2] = {0, 0};
    auto caller = [&](int who) {
        for (int job = 0; job < 200; ++job) runParts(3, [&](int part, int) { sums[who].fetch_add(part + 1); });
    };
    std::thread other(caller, 1);
    caller(0);
    other.join();
    EXPECT_EQ(sums[0].load(), 200 * 6);
    EXPECT_EQ(sums[1].load(), 200 * 6);
}

// A started job runs beside the caller: its parts see what the caller does after startParts, and
// finishParts returns only when they are done. A job started while the workers already run one of
// this thread's runs in finishParts instead, after the caller's work.
TEST(RasterWorkers, StartedJobsRunBesideTheCallerAndNestedOnesRunAtTheirFinish) {
    std::atomic<bool> go{false};
    std::atomic<int> outer{0}, inner{0};
    std::function<void(int, int)> outerJob = [&](int part, int) {
        if (part == 0) return;
        while (!go.load()) std::this_thread::yield();
        outer.fetch_add(1);
    };
    std::function<void(int, int)> innerJob = [&](int part, int) {
        if (part > 0 && go.load()) inner.fetch_add(1);
    };
    startParts(2, outerJob);
    startParts(3, innerJob);  // the workers are this thread's: deferred
    EXPECT_EQ(inner.load(), 0);
    go.store(true);
    finishParts(innerJob);
    EXPECT_EQ(inner.load(), 2);
    finishParts(outerJob);
    EXPECT_EQ(outer.load(), 1);
    runParts(2, [&](int, int) { outer.fetch_add(1); });  // the workers are free again
    EXPECT_EQ(outer.load(), 3);
}

// The span queue draws a band at a time by asking for the mask of band b alone (b & 63 for taller
// targets, whose lists hold every band of the same b & 63): the row walk must then give it the rows
// of those bands and no others.
TEST(RasterWorkers, WithAPartPerBandEachPartOwnsTheRowsOfItsBandAlone) {
    for (int bands : {1, 2, 5, 38, 64, 130}) {
        const int rows = bands << kBandShift;
        for (int part = 0; part < std::min(bands, 64); ++part) {
            int owned = 0;
            for (int y = 0; y < rows; ++y) {
                const bool mine = ownsRow(y, BandMask(1) << part);
                ASSERT_EQ(mine, (y >> kBandShift) % 64 == part) << "row " << y << " band " << part << " of " << bands;
                owned += mine;
            }
            ASSERT_EQ(owned, ((bands - part + 63) / 64) << kBandShift);
        }
    }
}

TEST(RasterOptions, PathNamesAndThreadCountsAreChecked) {
    RasterPath p = RasterPath::Automatic;
    EXPECT_TRUE(parseRasterPath("reference", &p));
    EXPECT_EQ(p, RasterPath::Reference);
    EXPECT_TRUE(parseRasterPath("portable", &p));
    EXPECT_EQ(p, RasterPath::Portable);
    EXPECT_FALSE(parseRasterPath("fastest", &p));
    EXPECT_EQ(p, RasterPath::Portable);
    int before = rasterThreads();
    setRasterThreads(0);
    EXPECT_EQ(rasterThreads(), 1);
    setRasterThreads(99);
    EXPECT_EQ(rasterThreads(), 16);
    setRasterThreads(before);
}

}  // namespace
