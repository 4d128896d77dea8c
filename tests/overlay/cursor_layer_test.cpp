#include <gtest/gtest.h>

#include "tests/overlay/overlay_fixture.h"

namespace {

struct OverlayPointer : OverlayLayer {
    // A sheet of 4 frames of 16 x 16, two per row, at the store index the next image gets.
    int32_t addFourFrameShape(int32_t lastFrame, int32_t hotX = 0, int32_t hotY = 0) {
        images[static_cast<int>(imageNames.size())] = std::make_unique<FakeSurface>(32, 32);
        return cursorLayer.addShape(fakeDirectDraw(), "pointer.bmp", 16, 16, lastFrame, hotX, hotY);
    }
};

TEST_F(OverlayPointer, NothingIsDrawnWithoutASelectedShape) {
    FakeSurface target(800, 600);
    cursorLayer.draw(&target, 10, 10, 5000);
    ASSERT_EQ(addFourFrameShape(0), 0);
    cursorLayer.draw(&target, 10, 10, 5000);
    EXPECT_TRUE(target.copies.empty());
}

TEST_F(OverlayPointer, FrameZeroRestsASecondAndTheOthersPlayEveryFiftyMilliseconds) {
    ASSERT_EQ(addFourFrameShape(3), 0);
    cursorLayer.select(0);
    FakeSurface target(800, 600);
    auto frameAt = [&](uint32_t now) {
        cursorLayer.draw(&target, 100, 100, now);
        return cursorLayer.frame;
    };
    EXPECT_EQ(frameAt(5000), 1) << "the first draw after selecting already steps";
    EXPECT_EQ(frameAt(5050), 1);
    EXPECT_EQ(frameAt(5051), 2);
    EXPECT_EQ(frameAt(5102), 3);
    EXPECT_EQ(frameAt(5153), 0);
    EXPECT_EQ(frameAt(6153), 0);
    EXPECT_EQ(frameAt(6154), 1);
    // Frame 3 is the second row's second cell.
    frameAt(6205);
    frameAt(6256);
    ASSERT_EQ(cursorLayer.frame, 3);
    const RECT& r = target.copies.back().rect;
    EXPECT_EQ(r.left, 16);
    EXPECT_EQ(r.top, 16);
    EXPECT_EQ(target.copies.back().flags & DDBLTFAST_SRCCOLORKEY, DDBLTFAST_SRCCOLORKEY);
    EXPECT_EQ(target.copies.back().source, images[0].get());
}

TEST_F(OverlayPointer, ElapsedTimeSurvivesTheTickCountWrapping) {
    ASSERT_EQ(addFourFrameShape(3), 0);
    cursorLayer.select(0);
    cursorLayer.frame = 1;
    cursorLayer.lastStep = 0xFFFFFFF0u;
    CursorShape shape = *cursorLayer.shape(0);
    cursorLayer.stepFrame(shape, 0x10);  // 32 ms later
    EXPECT_EQ(cursorLayer.frame, 1);
    cursorLayer.stepFrame(shape, 0x30);  // 64 ms later
    EXPECT_EQ(cursorLayer.frame, 2);
}

TEST_F(OverlayPointer, SelectingTheSameShapeAgainKeepsItsAnimation) {
    ASSERT_EQ(addFourFrameShape(3), 0);
    ASSERT_EQ(addFourFrameShape(3), 1);
    cursorLayer.select(0);
    cursorLayer.frame = 2;
    cursorLayer.lastStep = 777;
    cursorLayer.select(0);
    EXPECT_EQ(cursorLayer.frame, 2);
    cursorLayer.select(1);
    EXPECT_EQ(cursorLayer.frame, 0);
    EXPECT_EQ(cursorLayer.lastStep, 0u);
}

TEST_F(OverlayPointer, FrameIsClippedToTheScreen) {
    CursorShape s{16, 16, 2, 3, 0, 0, 0};
    PointerBlit b = clipPointerFrame(s, 0, -5, -5, 800, 600);
    ASSERT_FALSE(b.empty);
    EXPECT_EQ(b.x, 0);
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(b.source.left, 5);
    EXPECT_EQ(b.source.top, 5);
    EXPECT_EQ(b.source.right, 16);
    EXPECT_EQ(b.source.bottom, 16);

    s.hotX = 4;
    s.hotY = 2;
    b = clipPointerFrame(s, 1, 794, 598, 800, 600);  // frame 1: x 16..32 in the sheet
    ASSERT_FALSE(b.empty);
    EXPECT_EQ(b.x, 790);
    EXPECT_EQ(b.y, 596);
    EXPECT_EQ(b.source.left, 16);
    EXPECT_EQ(b.source.right, 26);
    EXPECT_EQ(b.source.bottom, 4);

    EXPECT_TRUE(clipPointerFrame(s, 0, 900, 10, 800, 600).empty);
    EXPECT_TRUE(clipPointerFrame(s, 0, -40, 10, 800, 600).empty);
    EXPECT_TRUE(clipPointerFrame(s, 0, INT32_MIN, INT32_MAX, 800, 600).empty);
}

TEST_F(OverlayPointer, SheetNarrowerThanAFrameIsRefused) {
    images[0] = std::make_unique<FakeSurface>(10, 32);
    EXPECT_EQ(cursorLayer.addShape(fakeDirectDraw(), "thin.bmp", 16, 16, 0, 0, 0), -1);
    EXPECT_EQ(cursorLayer.addShape(fakeDirectDraw(), "missing.bmp", 16, 16, 0, 0, 0), -1) << "no image at index 1";
    EXPECT_EQ(cursorLayer.addShape(fakeDirectDraw(), "zero.bmp", 0, 16, 0, 0, 0), -1);
    EXPECT_EQ(cursorLayer.shapes.count, 0);
    EXPECT_EQ(imageNames, (std::vector<std::string>{"thin.bmp", "missing.bmp"}));
}

}  // namespace
