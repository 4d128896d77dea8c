// The choice between splitting scenes by bands and sharing one queue: trials alternate the two,
// the way whose trial scenes took less time is kept, and a later trial can change it; a kept way
// that has become clearly slower than the other way was in its trial brings the next trial
// forward, and noise or one slow scene does not.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d/split_choice.h"

using platform::d3d::SplitChoice;

namespace {

// Runs `scenes` scenes, bands scenes taking bandsNs and queue scenes queueNs; returns the ways taken.
std::vector<bool> run(SplitChoice& choice, int scenes, int64_t bandsNs, int64_t queueNs) {
    std::vector<bool> ways;
    for (int i = 0; i < scenes; ++i) {
        const bool bands = choice.sceneStarted();
        ways.push_back(bands);
        choice.sceneEnded(bands ? bandsNs : queueNs);
    }
    return ways;
}

int countBands(const std::vector<bool>& ways, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from; i < to; ++i) n += ways[i];
    return n;
}

// A new choice first warms up each way, alternately, without counting those scenes.
SplitChoice warmedUp(int64_t bandsNs, int64_t queueNs) {
    SplitChoice choice;
    const std::vector<bool> ways = run(choice, 2 * SplitChoice::kWarmScenes, bandsNs, queueNs);
    for (size_t i = 0; i < ways.size(); ++i) EXPECT_EQ(ways[i], i % 2 == 0) << "warm-up scene " << i;
    return choice;
}

TEST(SplitChoice, ATrialAlternatesAndTheFasterWayIsKeptUntilTheNext) {
    constexpr int kTrial = SplitChoice::kTrialScenes, kKept = SplitChoice::kKeptScenes;
    SplitChoice choice = warmedUp(90'000'000, 1'000);  // warm-up times alone would keep the queue
    std::vector<bool> ways = run(choice, kTrial + kKept, 4'000'000, 5'000'000);
    for (int i = 0; i < kTrial; ++i) EXPECT_EQ(ways[size_t(i)], i % 2 == 0) << "trial scene " << i;
    EXPECT_EQ(countBands(ways, kTrial, ways.size()), kKept) << "bands were faster";

    // The machine changed: the next trial finds the queue faster and keeps it.
    ways = run(choice, kTrial + kKept, 6'000'000, 3'500'000);  // no warm-up in later trials
    EXPECT_EQ(countBands(ways, 0, kTrial), kTrial / 2);
    EXPECT_EQ(countBands(ways, kTrial, ways.size()), 0) << "the queue was faster";

    // And back.
    ways = run(choice, kTrial + 1, 3'000'000, 3'500'000);
    EXPECT_TRUE(ways.back());
}

// A way's slowest scene in a trial (its first, making its buffers) and its fastest do not decide
// it; negative times (a clock that went back) count as nothing.
TEST(SplitChoice, TrialsLeaveOutEachWaysSlowestAndFastestScene) {
    SplitChoice choice = warmedUp(0, 0);
    for (int i = 0; i < SplitChoice::kTrialScenes; ++i) {
        const bool bands = choice.sceneStarted();
        // Bands win every scene but their first, which takes longer than all queue scenes together.
        choice.sceneEnded(bands ? (i == 0 ? 40'000'000 : 1'000'000) : 2'000'000);
    }
    EXPECT_TRUE(choice.sceneStarted());

    SplitChoice fastest = warmedUp(0, 0);  // the queue's one very fast scene does not win it the trial
    for (int i = 0; i < SplitChoice::kTrialScenes; ++i)
        fastest.sceneEnded(fastest.sceneStarted() ? 2'000'000 : (i == 1 ? 1'000 : 3'000'000));
    EXPECT_TRUE(fastest.sceneStarted());

    SplitChoice slower = warmedUp(0, 0);  // but a way slower in most scenes loses
    for (int i = 0; i < SplitChoice::kTrialScenes; ++i)
        slower.sceneEnded(slower.sceneStarted() ? (i == 2 ? 1'000 : 3'000'000) : 2'000'000);
    EXPECT_FALSE(slower.sceneStarted());

    SplitChoice other = warmedUp(0, 0);
    for (int i = 0; i < SplitChoice::kTrialScenes; ++i) other.sceneEnded(other.sceneStarted() ? -50'000'000 : 1'000);
    EXPECT_TRUE(other.sceneStarted());
}

// Kept scenes a quarter slower than the other way's trial scenes (but for single ones) start the
// next trial at once; a little slower, or one slow scene among them, does not.
TEST(SplitChoice, AKeptWayClearlySlowerThanTheOtherWayWasStartsTheNextTrialAtOnce) {
    constexpr int kTrial = SplitChoice::kTrialScenes, kRecent = SplitChoice::kRecentScenes;
    SplitChoice choice = warmedUp(0, 0);
    std::vector<bool> ways = run(choice, kTrial, 4'000'000, 5'000'000);
    ASSERT_TRUE(choice.sceneStarted()) << "bands were faster";
    // The machine changed: bands now take 7 ms (the queue took 5 in the trial).
    ways = run(choice, kRecent, 7'000'000, 3'500'000);
    EXPECT_EQ(countBands(ways, 0, ways.size()), kRecent) << "kept until the window was full";
    ways = run(choice, kTrial + 20, 7'000'000, 3'500'000);
    for (int i = 0; i < kTrial; ++i) EXPECT_EQ(ways[size_t(i)], i % 2 == 0) << "early trial scene " << i;
    EXPECT_EQ(countBands(ways, kTrial, ways.size()), 0) << "the queue is faster now";

    SplitChoice steady = warmedUp(0, 0);
    run(steady, kTrial, 4'000'000, 5'000'000);
    ways = run(steady, SplitChoice::kKeptScenes, 6'000'000, 1'000);  // 1.2 times the queue's trial
    EXPECT_EQ(countBands(ways, 0, ways.size()), SplitChoice::kKeptScenes) << "a little slower keeps the way";

    SplitChoice spikes = warmedUp(0, 0);
    run(spikes, kTrial, 4'000'000, 5'000'000);
    for (int i = 0; i < SplitChoice::kKeptScenes; ++i) {
        EXPECT_TRUE(spikes.sceneStarted()) << "kept scene " << i;
        spikes.sceneEnded(i % kRecent == 3 ? 90'000'000 : 4'000'000);  // one slow scene in every window
    }
}

}  // namespace
