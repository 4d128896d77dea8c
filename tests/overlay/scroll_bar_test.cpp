#include <gtest/gtest.h>

#include <vector>

#include "saver/overlay/scroll_bar.h"
#include "saver/overlay/scroll_track.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

TEST(OverlayScrollTrack, ThumbOffsetsAndPositionsMapBothWays) {
    for (int32_t p = 0; p <= 40; ++p)
        EXPECT_EQ(positionForThumb(90, 8, thumbOffsetFor(90, 8, p, 40), 40), p) << p;
    EXPECT_EQ(thumbOffsetFor(90, 8, 0, 100), 0);
    EXPECT_EQ(thumbOffsetFor(90, 8, 100, 100), 82) << "the last position puts the thumb at the end";
    EXPECT_EQ(thumbOffsetFor(90, 8, 50, 100), 41);
    EXPECT_EQ(thumbOffsetFor(90, 8, 500, 100), 82);
    EXPECT_EQ(positionForThumb(90, 8, -5, 100), 0);
    EXPECT_EQ(positionForThumb(90, 8, 1000, 100), 100);
    EXPECT_EQ(positionForThumb(90, 8, 40, 100), 49) << "the nearest position";
    EXPECT_EQ(thumbOffsetFor(8, 8, 3, 10), 0) << "no room to travel";
    EXPECT_EQ(positionForThumb(8, 8, 3, 10), 0);
    EXPECT_EQ(thumbOffsetFor(90, 8, 3, 0), 0) << "a single position";
    EXPECT_EQ(thumbOffsetFor(INT32_MAX, 0, INT32_MAX, INT32_MAX), INT32_MAX);
}

// A bar at (20, 30), 110 wide: end buttons 10 x 10, a thumb 8 x 12, so the bar is 12 high and its
// track runs over x 30..120 on the screen (90 pixels, 82 of travel).
struct OverlayScrollBar : OverlaySurfaces {
    std::vector<int32_t> changes;
    T3dScrollBar* bar = nullptr;
    void SetUp() override {
        OverlaySurfaces::SetUp();
        provideImage("left.bmp", makeSurface(10, 30, kWhite));
        provideImage("right.bmp", makeSurface(10, 30, kWhite));
        provideImage("track.bmp", makeSurface(4, 4, kYellow));
        provideImage("thumb.bmp", makeSurface(8, 12, kBlue));
        bar = new T3dScrollBar(20, 30, 110, "bar", "left.bmp", "right.bmp", "track.bmp", "thumb.bmp",
                               [this](T3dScrollBar*, int32_t p) { changes.push_back(p); });
        controlContainer.add(bar);
    }
    void press(int x, int y) {
        controlContainer.dispatchMouseDown(x, y, kPrimaryButton);
        controlContainer.dispatchMouseUp(x, y, kPrimaryButton);
    }
};

TEST_F(OverlayScrollBar, EndButtonsSitAtTheEndsAndStepByALine) {
    EXPECT_EQ(bar->height, 12);
    T3dControl* leftButton = bar->children.findByName("T3dScrollBarBtnLeft");
    T3dControl* rightButton = bar->children.findByName("T3dScrollBarBtnRight");
    ASSERT_NE(leftButton, nullptr);
    ASSERT_NE(rightButton, nullptr);
    EXPECT_EQ(leftButton->left, 20);
    EXPECT_EQ(rightButton->left, 120);
    EXPECT_EQ(rightButton->top, 31);
    press(125, 35);
    press(125, 35);
    EXPECT_EQ(bar->position(), 2);
    bar->setSteps(5, 25);
    press(25, 35);
    EXPECT_EQ(bar->position(), 0) << "no step below the minimum";
    press(25, 35);
    EXPECT_EQ(changes, (std::vector<int32_t>{1, 2, 0})) << "only changes are reported";
}

TEST_F(OverlayScrollBar, TrackPagesAndTheThumbDragsToTheEnds) {
    ASSERT_EQ(bar->thumbRect().left, 30);
    EXPECT_EQ(pixel(bar->surface, 12, 6), kBlue);
    EXPECT_EQ(pixel(bar->surface, 50, 6), kYellow);
    press(100, 35);
    EXPECT_EQ(bar->position(), 10) << "a page after the thumb";
    const RECT thumb = bar->thumbRect();
    EXPECT_EQ(thumb.left, 30 + 8);
    EXPECT_EQ(pixel(bar->surface, thumb.left - 20 + 1, 6), kBlue);

    controlContainer.dispatchMouseDown(thumb.left + 2, 35, kPrimaryButton);
    controlContainer.dispatchMouseMove(1000, 0, 1);
    EXPECT_EQ(bar->position(), 100) << "dragged beyond the bar's end";
    EXPECT_EQ(bar->thumbRect().right, 120);
    controlContainer.dispatchMouseMove(30 + 41 + 2, 35, 1);
    EXPECT_EQ(bar->position(), 50);
    controlContainer.dispatchMouseMove(-1000, 35, 1);
    EXPECT_EQ(bar->position(), 0);
    controlContainer.dispatchMouseUp(0, 35, kPrimaryButton);
    controlContainer.dispatchMouseMove(100, 35, 1);
    EXPECT_EQ(bar->position(), 0) << "released";

    controlContainer.dispatchMouseDown(32, 35, kPrimaryButton);
    bar->setVisible(0);
    bar->setVisible(1);
    controlContainer.dispatchMouseMove(100, 35, 1);
    EXPECT_EQ(bar->position(), 0) << "hiding ends the drag";
}

TEST_F(OverlayScrollBar, RangeKeepsThePositionInside) {
    bar->setPosition(80);
    bar->setRange(-10, 40);
    EXPECT_EQ(bar->position(), 40);
    EXPECT_EQ(changes.back(), 40);
    bar->setPosition(-50);
    EXPECT_EQ(bar->position(), -10);
    EXPECT_EQ(bar->thumbRect().left, 30);
    bar->setRange(5, 0);
    EXPECT_EQ(bar->maximum, 5) << "a range upside down is one value";
    EXPECT_EQ(bar->position(), 5);
    bar->setRange(INT32_MIN, INT32_MAX);
    bar->setPosition(INT32_MAX);
    EXPECT_EQ(bar->thumbRect().right, 120);
    bar->setSteps(INT32_MAX, 0);
    bar->stepBy(3);
    EXPECT_EQ(bar->position(), INT32_MAX);
}

}  // namespace
