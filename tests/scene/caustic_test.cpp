// The caustic flip-book table: the records, the frame names and their registration order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/scene/caustic.h"

namespace {

struct CausticTest : ::testing::Test {
    void TearDown() override { clearAnimatedTextures(); }
};

TEST_F(CausticTest, FrameNamesUseTwoDigitsThroughout) {
    EXPECT_EQ(animatedFrameName("caust", 1), "caust01.bmp");
    EXPECT_EQ(animatedFrameName("caust", 9), "caust09.bmp");
    EXPECT_EQ(animatedFrameName("causty", 10), "causty10.bmp");
    EXPECT_EQ(animatedFrameName("caustg", 16), "caustg16.bmp");
}

TEST_F(CausticTest, RegistersSixtyFourFramesInKindOrderAtConsecutiveIndices) {
    appendCausticRecords();
    std::vector<std::string> names;
    registerAnimatedTextures([&](const std::string& name, bool masked) {
        EXPECT_FALSE(masked);
        names.push_back(name);
        return static_cast<int32_t>(names.size() - 1 + 5);  // the store already held five
    });
    ASSERT_EQ(names.size(), 64u);
    EXPECT_EQ(names[0], "caust01.bmp");
    EXPECT_EQ(names[15], "caust16.bmp");
    EXPECT_EQ(names[16], "causty01.bmp");
    EXPECT_EQ(names[32], "caustb01.bmp");
    EXPECT_EQ(names[63], "caustg16.bmp");
    for (int32_t kind = 0; kind < 4; ++kind) {
        const CausticFrames range = causticRangeOf(kind);
        EXPECT_EQ(range.firstEntry, 5 + 16 * kind);
        EXPECT_EQ(range.frameCount, 16);
    }
}

TEST_F(CausticTest, AlphaMaskedRecordsRegisterAsMasked) {
    appendCausticRecords();
    animatedTextures().at<AnimatedTexture>(2)->alphaMasked = 1;
    int masked = 0;
    registerAnimatedTextures([&](const std::string&, bool m) {
        masked += m ? 1 : 0;
        return 0;
    });
    EXPECT_EQ(masked, 16);
}

TEST_F(CausticTest, AKindWithoutARecordHasNoFrames) {
    appendCausticRecords();
    EXPECT_EQ(causticRangeOf(4).firstEntry, -1);
    EXPECT_EQ(causticRangeOf(-1).frameCount, 0);
    clearAnimatedTextures();
    EXPECT_EQ(animatedTextures().count, 0);
    EXPECT_EQ(causticRangeOf(0).firstEntry, -1);
}

TEST_F(CausticTest, AppendingAgainReplacesTheRecords) {
    appendCausticRecords();
    appendCausticRecords();
    ASSERT_EQ(animatedTextures().count, 4);
    EXPECT_EQ(animatedTextures().at<AnimatedTexture>(3)->baseName, "caustg");
}

}  // namespace
