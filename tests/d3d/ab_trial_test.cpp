// vorel_bench --ab: which setting each frame takes in each order, and the figures made from the
// frames' times.
#include "tools/vorel_bench/ab_trial.h"

#include <gtest/gtest.h>

namespace bench {
namespace {

TEST(AbTrial, FramesAlternateAndTheSecondOrderTurnsEveryFrame) {
    for (int frame = 0; frame < 9; ++frame) {
        EXPECT_EQ(abSetting(frame, 0), frame % 2) << frame;
        EXPECT_EQ(abSetting(frame, 1), 1 - frame % 2) << frame;
    }
}

TEST(AbTrial, MediansSplitTheCountedFramesBySetting) {
    // Counted frames start at frame 2 (after two warm-ups): frames 2, 4, 6, 8 are A's in order 0.
    const std::vector<double> times = {1.0, 10.0, 3.0, 30.0, 2.0, 20.0, 40.0};
    const AbMedians first = abMedians(times, 2, 0);
    EXPECT_DOUBLE_EQ(first.a, 2.5);   // 1, 3, 2, 40: the middle two's mean
    EXPECT_DOUBLE_EQ(first.b, 20.0);  // 10, 30, 20
    const AbMedians second = abMedians(times, 2, 1);
    EXPECT_DOUBLE_EQ(second.a, 20.0);
    EXPECT_DOUBLE_EQ(second.b, 2.5);
    // Counting from an odd frame turns the split.
    const AbMedians odd = abMedians(times, 3, 0);
    EXPECT_DOUBLE_EQ(odd.a, 20.0);
    EXPECT_DOUBLE_EQ(odd.b, 2.5);
}

TEST(AbTrial, NoFramesGiveZeroMedians) {
    const AbMedians none = abMedians({}, 2, 0);
    EXPECT_EQ(none.a, 0.0);
    EXPECT_EQ(none.b, 0.0);
    const AbMedians one = abMedians({5.0}, 2, 1);
    EXPECT_EQ(one.a, 0.0);
    EXPECT_EQ(one.b, 5.0);
}

TEST(AbTrial, TheDifferenceAveragesBothOrders) {
    AbFigures f;
    // Even frames cost 0.4 more whatever they run; B itself costs 0.1 more than A.
    f.order[0] = {4.4, 4.1};  // even A, odd B
    f.order[1] = {4.0, 4.9};  // even B, odd A
    EXPECT_NEAR(f.deltaMs(), 0.3, 1e-12);  // ((4.1 - 4.4) + (4.9 - 4.0)) / 2
    EXPECT_NEAR(f.meanA(), 4.2, 1e-12);
    EXPECT_NEAR(f.deltaPercent(), 100.0 * 0.3 / 4.2, 1e-9);
}

TEST(AbTrial, ACheaperBGivesANegativeDifference) {
    AbFigures f;
    f.order[0] = {5.0, 4.0};
    f.order[1] = {5.5, 4.5};
    EXPECT_NEAR(f.deltaMs(), -1.0, 1e-12);
    EXPECT_NEAR(f.deltaPercent(), -100.0 / 5.25, 1e-9);
    AbFigures free;  // A took no time: no per cent to give
    free.order[0] = {0.0, 1.0};
    free.order[1] = {0.0, 1.0};
    EXPECT_EQ(free.deltaPercent(), 0.0);
}

}  // namespace
}  // namespace bench
