#include "saver/shell/mouse_filter.h"

#include <gtest/gtest.h>

namespace {

TEST(MouseFilter, MovesBelowFiftyPixelsOnBothAxesAreSwallowedWithoutUsingGrace) {
    ShellState s;
    s.inputGrace = 0;
    for (int i = 1; i <= 100; ++i) EXPECT_EQ(filterMouseMove(s, 49 * i, -49 * i), MouseVerdict::Swallowed);
    EXPECT_EQ(s.lastMouseX, 4900);
    EXPECT_EQ(s.lastMouseY, -4900);
    EXPECT_EQ(s.inputGrace, 0);
}

TEST(MouseFilter, FiftyPixelsOnEitherAxisIsAJump) {
    ShellState s;
    s.inputGrace = 0;
    EXPECT_EQ(filterMouseMove(s, 50, 0), MouseVerdict::PassOn);
    EXPECT_EQ(filterMouseMove(s, 50, 50), MouseVerdict::PassOn);
    EXPECT_EQ(filterMouseMove(s, 99, 99), MouseVerdict::Swallowed);
}

TEST(MouseFilter, JumpsUseUpTheGraceThenPassOn) {
    ShellState s;
    ASSERT_EQ(s.inputGrace, 500);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(filterMouseMove(s, i % 2 ? 0 : 300, 0), MouseVerdict::Swallowed);
    EXPECT_EQ(s.inputGrace, 0);
    EXPECT_EQ(filterMouseMove(s, 300, 300), MouseVerdict::PassOn);
    EXPECT_EQ(s.lastMouseX, 300);
    EXPECT_EQ(s.inputGrace, 0);
}

TEST(ShellStateRecord, StartsWithTheDocumentedValues) {
    ShellState s;
    EXPECT_TRUE(s.isPreview);
    EXPECT_FALSE(s.renderReady);
    EXPECT_EQ(s.window, nullptr);
    EXPECT_EQ(s.inputGrace, 500);
    EXPECT_EQ(s.screenWidth, 800);
    EXPECT_EQ(s.screenHeight, 600);
    EXPECT_EQ(s.screenBits, 32);
    EXPECT_EQ(s.archive, nullptr);
    EXPECT_EQ(s.frameTimerId, 0u);
}

}  // namespace
