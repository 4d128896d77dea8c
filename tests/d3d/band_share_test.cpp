// The filling thread's share of the bands: one step per filling towards whichever side waited,
// nothing for differences within a sixteenth of the filling, bounded at both ends, and fixed
// when asked.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d/band_share.h"

using platform::d3d::BandShare;

namespace {

constexpr int64_t kFilling = 1'600'000;  // a sixteenth: 100 000

// The shares after each of `n` fillings that all went the same way.
std::vector<int> shares(BandShare& share, int n, int64_t fillerOver, int64_t helperIdle) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
        share.fillingEnded(fillerOver, helperIdle, kFilling);
        out.push_back(share.every());
    }
    return out;
}

TEST(BandShare, MovesOneStepPerFillingTowardsTheSideThatWaitedAndStopsAtTheEnds) {
    BandShare share;
    EXPECT_EQ(share.every(), 3);
    // Helpers idle: the filling thread gives its bands away, down to none.
    EXPECT_EQ(shares(share, 6, 0, 400'000), (std::vector<int>{4, 6, 8, 0, 0, 0}));
    // The filling thread drew the helpers' bands: it takes more, up to half.
    EXPECT_EQ(shares(share, 7, 400'000, 0), (std::vector<int>{8, 6, 4, 3, 2, 2, 2}));
    // Both waited about as long: the share stays.
    EXPECT_EQ(shares(share, 2, 300'000, 250'000), (std::vector<int>{2, 2}));
    EXPECT_EQ(shares(share, 1, 250'000, 300'000), (std::vector<int>{2}));
    // Just past the margin either way.
    EXPECT_EQ(shares(share, 1, 100'001, 0), (std::vector<int>{2}));
    EXPECT_EQ(shares(share, 1, 0, 100'001), (std::vector<int>{3}));
    EXPECT_EQ(shares(share, 1, 100'000, 0), (std::vector<int>{3}));
}

TEST(BandShare, AFixedShareHoldsUntilReleasedAndTheChoiceResumesWhereItWas) {
    BandShare share;
    share.fix(1);
    EXPECT_EQ(shares(share, 3, 0, 900'000), (std::vector<int>{1, 1, 1}));
    share.fix(0);
    EXPECT_EQ(share.every(), 0);
    share.fix(-1);
    EXPECT_EQ(share.every(), 3);
    EXPECT_EQ(shares(share, 1, 900'000, 0), (std::vector<int>{2}));
}

}  // namespace
