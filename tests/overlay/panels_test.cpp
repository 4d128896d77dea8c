#include <gtest/gtest.h>

#include "saver/overlay/image_panel.h"
#include "saver/overlay/text_panel.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kYellow = 0xFFFF00;

struct OverlayPanels : OverlaySurfaces {
    // A 20 x 20 picture: red, with a green (see-through) left half of its top ten rows.
    T3dImagePanel* addPanel(int x, int y) {
        IDirectDrawSurface7* picture = makeSurface(20, 20, kRed);
        paint(picture, RECT{0, 0, 10, 10}, kGreen);
        provideImage("panel.bmp", picture);
        auto* panel = new T3dImagePanel(x, y, "panel", "panel.bmp");
        controlContainer.add(panel);
        return panel;
    }
};

// A control below the panels that counts the presses that reach it.
struct Floor : T3dControl {
    int presses = 0;
    int mouseDown(int, int, int) override { return ++presses, 1; }
};

TEST_F(OverlayPanels, CaptionIsPlacedByItsAlignmentAndCentredVertically) {
    const int32_t f = solidFont();  // cells 8 x 10
    auto* panel = new T3dTextPanel(0, 0, 100, 20, "label", "AB", f, 0);
    controlContainer.add(panel);
    ASSERT_NE(panel->surface, nullptr);
    EXPECT_EQ(pixel(panel->surface, 2, 5), kFontNormal) << "left: from the inset";
    EXPECT_EQ(pixel(panel->surface, 17, 14), kFontNormal);
    EXPECT_EQ(pixel(panel->surface, 18, 10), kGreen);
    EXPECT_EQ(pixel(panel->surface, 2, 4), kGreen) << "centred on the middle row";
    panel->setAlign(1);
    EXPECT_EQ(pixel(panel->surface, 42, 10), kFontNormal);
    EXPECT_EQ(pixel(panel->surface, 41, 10), kGreen);
    EXPECT_EQ(pixel(panel->surface, 57, 10), kFontNormal);
    panel->setAlign(2);
    EXPECT_EQ(pixel(panel->surface, 97, 10), kFontNormal) << "right: up to the inset";
    EXPECT_EQ(pixel(panel->surface, 98, 10), kGreen);
    EXPECT_EQ(pixel(panel->surface, 82, 10), kFontNormal);
    panel->setEnabled(0);
    EXPECT_EQ(pixel(panel->surface, 90, 10), kFontDisabled);

    IDirectDrawSurface7* target = makeSurface(120, 30, kWhite);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 90, 10), kFontDisabled);
    EXPECT_EQ(pixel(target, 10, 10), kWhite) << "the panel's background is see-through";
}

TEST_F(OverlayPanels, SecondLookCastsAShadowDownAndRight) {
    const int32_t f = solidFont();
    auto* panel = new T3dShadowTextPanel(0, 0, 60, 20, "label", "A", f, 0);
    controlContainer.add(panel);
    // The character covers x 2..10, y 5..15; its shadow x 3..11, y 6..16.
    EXPECT_EQ(pixel(panel->surface, 5, 10), kFontNormal) << "the caption lies over its shadow";
    EXPECT_EQ(pixel(panel->surface, 10, 10), kFontDisabled);
    EXPECT_EQ(pixel(panel->surface, 5, 15), kFontDisabled);
    EXPECT_EQ(pixel(panel->surface, 2, 15), kGreen);
    EXPECT_EQ(pixel(panel->surface, 11, 10), kGreen);
    panel->setState(1);
    EXPECT_EQ(pixel(panel->surface, 5, 10), kFontHighlighted);
}

TEST_F(OverlayPanels, ImagePanelDrawsItsPictureKeyedAndIsSolidOnlyWhereItIsNotGreen) {
    auto* floor = new Floor;
    floor->width = floor->height = 100;
    T3dImagePanel* panel = addPanel(30, 40);
    controlContainer.add(floor);  // after the panel: below it
    EXPECT_EQ(panel->width, 20);
    EXPECT_EQ(panel->height, 20);
    IDirectDrawSurface7* target = makeSurface(100, 100, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 45, 45), kRed);
    EXPECT_EQ(pixel(target, 35, 45), kBlue);
    EXPECT_EQ(pixel(target, 35, 55), kRed);

    EXPECT_EQ(controlContainer.dispatchMouseDown(45, 45, kPrimaryButton), 1);
    EXPECT_EQ(floor->presses, 0) << "the panel takes presses on its picture";
    EXPECT_EQ(controlContainer.dispatchMouseUp(45, 45, kPrimaryButton), 1);
    controlContainer.dispatchMouseDown(35, 45, kPrimaryButton);
    EXPECT_EQ(floor->presses, 1) << "presses on green go through";
    panel->setAdditive(1);
    paint(target, RECT{0, 0, 100, 100}, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 45, 45), kRed | kBlue);
}

TEST_F(OverlayPanels, MovablePanelFollowsTheHeldMouseWithItsChildren) {
    T3dImagePanel* panel = addPanel(30, 40);
    auto* child = new T3dControl;
    child->left = 32, child->top = 52;
    panel->addChild(child);
    controlContainer.dispatchMouseDown(45, 45, kPrimaryButton);
    controlContainer.dispatchMouseMove(75, 65, 1);
    EXPECT_EQ(panel->left, 30) << "a panel that is not movable stays";
    controlContainer.dispatchMouseUp(75, 65, kPrimaryButton);

    panel->movable = 1;
    EXPECT_EQ(controlContainer.dispatchMouseDown(45, 45, kPrimaryButton), 1);
    EXPECT_EQ(controlContainer.dispatchMouseMove(75, 65, 1), 1);
    EXPECT_EQ(panel->left, 60);
    EXPECT_EQ(panel->top, 60);
    EXPECT_EQ(child->left, 62);
    EXPECT_EQ(child->top, 72);
    controlContainer.dispatchMouseUp(75, 65, kPrimaryButton);
    controlContainer.dispatchMouseMove(90, 90, 1);
    EXPECT_EQ(panel->left, 60) << "released: no more following";

    controlContainer.dispatchMouseDown(75, 75, kPrimaryButton);
    panel->setVisible(0);
    panel->setVisible(1);
    controlContainer.dispatchMouseMove(10, 10, 1);
    EXPECT_EQ(panel->left, 60) << "hiding ends the drag";
}

TEST_F(OverlayPanels, SecondKindStretchesItsPictureToItsSize) {
    IDirectDrawSurface7* picture = makeSurface(2, 2, kRed);
    paint(picture, RECT{1, 0, 2, 1}, kGreen);
    paint(picture, RECT{0, 1, 1, 2}, kYellow);
    provideImage("quad.bmp", picture);
    auto* panel = new T3dStretchImagePanel(10, 10, 40, 30, "quad", "quad.bmp");
    controlContainer.add(panel);
    ASSERT_NE(panel->surface, nullptr);
    EXPECT_EQ(pixel(panel->surface, 19, 14), kRed);
    EXPECT_EQ(pixel(panel->surface, 20, 14), kGreen);
    EXPECT_EQ(pixel(panel->surface, 5, 20), kYellow);
    EXPECT_EQ(panel->hitTest(15, 15), 1);
    EXPECT_EQ(panel->hitTest(45, 15), 0) << "the green quarter is see-through";
    EXPECT_EQ(panel->hitTest(50, 15), 0) << "outside";
    IDirectDrawSurface7* target = makeSurface(60, 60, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 45, 15), kBlue);
    EXPECT_EQ(pixel(target, 45, 35), kRed);
}

}  // namespace
