#include <gtest/gtest.h>

#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/progress_bar.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kRed = 0x00FF0000, kBlue = 0x000000FF, kGrey = 0x00808080, kWhite = 0x00FFFFFF;

struct OverlayKinds : OverlaySurfaces {
    int presses = 0, clicks = 0;

    // Normal frame red with a green (transparent) strip on its left, pressed blue, disabled grey.
    void provideButtonBitmap() {
        IDirectDrawSurface7* sheet = makeSurface(20, 30, kRed);
        paint(sheet, RECT{0, 0, 5, 10}, kGreen);
        paint(sheet, RECT{0, 10, 20, 20}, kBlue);
        paint(sheet, RECT{0, 20, 20, 30}, kGrey);
        provideImage("button.bmp", sheet);
    }
    template <class Kind>
    Kind* makeButton() {
        auto* b = new Kind(100, 50, "Go", nullptr, "button.bmp", 0, [this](T3dControl*) { ++presses; },
                           [this](T3dControl*) { ++clicks; });
        controlContainer.add(b);
        return b;
    }
};

TEST_F(OverlayKinds, ButtonTakesItsSizeAndLookFromItsBitmap) {
    provideButtonBitmap();
    auto* b = makeButton<T3dBitmapButton>();
    EXPECT_EQ(b->width, 20);
    EXPECT_EQ(b->height, 10);
    ASSERT_NE(b->surface, nullptr);
    EXPECT_EQ(pixel(b->surface, 10, 5), kRed);
    EXPECT_EQ(b->colourKey.dwColorSpaceLowValue, kGreen);
    b->setEnabled(0);
    EXPECT_EQ(pixel(b->surface, 10, 5), kGrey);
    EXPECT_EQ(names.size(), 1u) << "the bitmap already in the store is used, not added again";
}

TEST_F(OverlayKinds, ButtonIsHitOnlyWhereItIsNotGreen) {
    provideButtonBitmap();
    auto* b = makeButton<T3dBitmapButton>();
    EXPECT_EQ(b->hitTest(110, 55), 1);
    EXPECT_EQ(b->hitTest(102, 55), 0) << "the green strip is see-through";
    EXPECT_EQ(b->hitTest(120, 55), 0) << "outside the rectangle";
    EXPECT_EQ(controlContainer.dispatchMouseDown(102, 55, kPrimaryButton), 0);
    EXPECT_EQ(presses, 0);
}

TEST_F(OverlayKinds, ButtonPressesAndClicksWithThePrimaryButton) {
    provideButtonBitmap();
    auto* b = makeButton<T3dBitmapButton>();
    EXPECT_EQ(controlContainer.dispatchMouseDown(110, 55, 0x0002), 0) << "the right button does nothing";
    EXPECT_EQ(controlContainer.dispatchMouseDown(110, 55, kPrimaryButton), 1);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(b->state, 1);
    EXPECT_EQ(b->captured, 1);
    EXPECT_EQ(pixel(b->surface, 10, 5), kBlue);
    EXPECT_EQ(controlContainer.dispatchMouseUp(111, 56, kPrimaryButton), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(b->state, 0);
    EXPECT_EQ(pixel(b->surface, 10, 5), kRed);

    controlContainer.dispatchMouseDown(110, 55, kPrimaryButton);
    controlContainer.dispatchMouseUp(300, 300, kPrimaryButton);
    EXPECT_EQ(clicks, 1) << "released off the button: no click";
    EXPECT_EQ(b->state, 0);
    EXPECT_EQ(b->captured, 0);
}

TEST_F(OverlayKinds, ToggleButtonKeepsItsPressedLookUntilTheNextClick) {
    provideButtonBitmap();
    auto* t = makeButton<T3dToggleButton>();
    controlContainer.dispatchMouseDown(110, 55, kPrimaryButton);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(t->state, 0) << "the look changes on release";
    controlContainer.dispatchMouseUp(110, 55, kPrimaryButton);
    EXPECT_EQ(t->state, 1);
    EXPECT_EQ(clicks, 1);
    controlContainer.dispatchMouseDown(110, 55, kPrimaryButton);
    controlContainer.dispatchMouseUp(110, 55, kPrimaryButton);
    EXPECT_EQ(t->state, 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(OverlayKinds, ButtonDrawsKeyedOrOredOntoTheTarget) {
    provideButtonBitmap();
    auto* b = makeButton<T3dBitmapButton>();
    IDirectDrawSurface7* target = makeSurface(800, 600, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 110, 55), kRed);
    EXPECT_EQ(pixel(target, 102, 55), kBlue) << "green stays transparent";
    b->setAdditive(1);
    paint(target, RECT{0, 0, 800, 600}, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 110, 55), kRed | kBlue);

    b->setVisible(0);
    paint(target, RECT{0, 0, 800, 600}, kWhite);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 110, 55), kWhite) << "a hidden button is not drawn";
}

TEST_F(OverlayKinds, ButtonAtTheScreenEdgeIsCutToIt) {
    provideButtonBitmap();
    auto* b = makeButton<T3dBitmapButton>();
    IDirectDrawSurface7* target = makeSurface(800, 600, kWhite);
    b->moveTo(790, -4);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 799, 0), kRed);
    EXPECT_EQ(pixel(target, 789, 0), kWhite);
}

TEST_F(OverlayKinds, ProgressBarShowsOneCellPerTenthOfItsRange) {
    IDirectDrawSurface7* cell = makeSurface(6, 4, kRed);
    paint(cell, RECT{5, 0, 6, 4}, kGreen);  // a keyed gap between cells
    provideImage("cell.bmp", cell);
    auto* bar = new T3dProgressBar(40, 30, 10, "bar", "cell.bmp");
    controlContainer.add(bar);
    EXPECT_EQ(bar->width, 60);
    EXPECT_EQ(bar->height, 4);
    bar->setPosition(25);
    EXPECT_EQ(bar->cellsShown(), 3);
    EXPECT_EQ(pixel(bar->surface, 12, 1), kRed);
    EXPECT_EQ(pixel(bar->surface, 17, 1), kGreen) << "the gap keeps the key colour";
    EXPECT_EQ(pixel(bar->surface, 18, 1), kGreen) << "the fourth cell is empty";
    bar->setPosition(1000);
    EXPECT_EQ(bar->cellsShown(), 10) << "never more cells than the bar has";

    screenWidth = 1600;
    screenHeight = 1200;
    bar->setPosition(10);
    IDirectDrawSurface7* target = makeSurface(1600, 1200, kBlue);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 81, 61), kRed) << "laid out for 800 x 600, stretched to the screen";
    EXPECT_EQ(pixel(target, 79, 61), kBlue);
    EXPECT_EQ(pixel(target, 100, 61), kBlue) << "only the first cell is shown";
}

TEST_F(OverlayKinds, BitmapFontMeasuresOneCellMoreThanItDraws) {
    int32_t f = solidFont();  // cells of 8 x 10: the normal look red, highlighted blue, disabled grey
    EXPECT_EQ(fontList.cellHeight(f), 10);
    EXPECT_EQ(fontList.textWidth(f, "ABCDE", nullptr), 48);
    EXPECT_EQ(fontList.textWidth(f + 1, "ABCDE", nullptr), 0);

    IDirectDrawSurface7* target = makeSurface(200, 100, kWhite);
    fontList.drawText(f, 0, 1, 0, 0, target, 10, 20, "ABCDE", 0);
    EXPECT_EQ(pixel(target, 10, 20), kRed);
    EXPECT_EQ(pixel(target, 49, 29), kRed);
    EXPECT_EQ(pixel(target, 50, 20), kWhite) << "five characters cover 40 pixels";

    fontList.drawText(f, 1, 1, 2, 1, target, 100, 60, "A\x01" "B", 0);  // ends at x 100, centred on y 60
    EXPECT_EQ(pixel(target, 76, 55), kBlue);
    EXPECT_EQ(pixel(target, 99, 64), kBlue);
    EXPECT_EQ(pixel(target, 75, 55), kWhite);
    EXPECT_EQ(pixel(target, 88, 58), kWhite) << "a character without a cell leaves a blank";
    EXPECT_EQ(pixel(target, 90, 54), kWhite);

    fontList.drawText(f, 0, 0, 0, 0, target, -4, 90, "A", 0);  // cut at the left and bottom edges
    EXPECT_EQ(pixel(target, 0, 99), kGrey);
    EXPECT_EQ(pixel(target, 4, 99), kWhite);
}

TEST(OverlayTextColour, DisabledHalvesAndHighlightedBrightens) {
    EXPECT_EQ(overlayTextColour(0x969696, false, false), 0x4B4B4Bu);
    EXPECT_EQ(overlayTextColour(RGB(200, 100, 50), true, true), RGB(255, 200, 150));
    EXPECT_EQ(overlayTextColour(RGB(200, 100, 50), true, false), RGB(100, 50, 25)) << "disabled wins";
    EXPECT_EQ(overlayTextColour(RGB(1, 2, 3), false, true), RGB(1, 2, 3));
}

}  // namespace
