#include <gtest/gtest.h>

#include <vector>

#include "platform/win/messages.h"
#include "saver/overlay/message_box.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kDark = 0x404040, kWhite = 0xFFFFFF, kBlue = 0x0000FF, kBlack = 0x000000;

// A control below the box that counts what reaches it.
struct Floor : T3dControl {
    int events = 0;
    Floor() { width = height = 1000; }
    int mouseDown(int, int, int) override { return ++events, 1; }
    int keyDown(uint16_t) override { return ++events, 1; }
};

// A box of 200 x 150 at (100, 100) with buttons of 40 x 20.
struct OverlayMessageBox : OverlaySurfaces {
    std::vector<int32_t> results;
    T3dMessageBox* box = nullptr;
    Floor* floor = nullptr;
    void SetUp() override {
        OverlaySurfaces::SetUp();
        const int32_t f = solidFont();
        provideImage("box.bmp", makeSurface(200, 150, kDark));
        for (const char* name : {"ok_btn.bmp", "stoptime_btn.bmp", "cancel_btn.bmp", "atack_btn.bmp", "enterPort_btn.bmp"})
            provideImage(name, makeSurface(40, 60, kWhite));
        provideImage("up_btn.bmp", makeSurface(10, 30, kWhite));
        provideImage("down_btn.bmp", makeSurface(10, 30, kWhite));
        provideImage("bar3.bmp", makeSurface(10, 6, kBlue));
        provideImage("warea3.bmp", makeSurface(4, 4, kBlack));
        box = new T3dMessageBox(100, 100, "box", "box.bmp", f, [this](T3dMessageBox*, int32_t b) { results.push_back(b); });
        floor = new Floor;
        controlContainer.add(box);
        controlContainer.add(floor);
    }
    T3dControl* part(const char* name) { return box->children.findByName(name); }
    void click(int x, int y) {
        controlContainer.dispatchMouseDown(x, y, kPrimaryButton);
        controlContainer.dispatchMouseUp(x, y, kPrimaryButton);
    }
};

TEST_F(OverlayMessageBox, ShowsItsTextAndOnlyTheChosenButtonsCentredAtTheBottom) {
    EXPECT_EQ(box->visible, 0) << "made hidden";
    EXPECT_EQ(controlContainer.dispatchKeyDown(13), 1);
    EXPECT_EQ(floor->events, 1) << "a hidden box takes nothing";
    for (const char* name : {"MessageBoxCaption", "MessageBoxText01", "ButtonOk", "ButtonOkPause", "ButtonCancel",
                             "ButtonAttack", "ButtonEnter", "T3dMemoBtnUp"})
        EXPECT_NE(controlContainer.findByName(name), nullptr) << name;

    box->show("Title", "Line one\nLine two", kMessageOk | kMessageCancel);
    EXPECT_EQ(box->visible, 1);
    EXPECT_EQ(part("MessageBoxCaption")->caption, "Title");
    EXPECT_EQ(box->textMemo->lines().size(), 2u);
    EXPECT_EQ(part("ButtonOk")->visible, 1);
    EXPECT_EQ(part("ButtonCancel")->visible, 1);
    EXPECT_EQ(part("ButtonOkPause")->visible, 0);
    EXPECT_EQ(part("ButtonAttack")->visible, 0);
    EXPECT_EQ(part("ButtonEnter")->visible, 0);
    EXPECT_EQ(part("ButtonOk")->left, 156);
    EXPECT_EQ(part("ButtonCancel")->left, 204);
    EXPECT_EQ(part("ButtonOk")->top, 222);
    EXPECT_LE(box->textMemo->top + box->textMemo->height, 222) << "the text ends above the buttons";

    IDirectDrawSurface7* target = makeSurface(400, 300, kBlack);
    controlContainer.drawAll(target);
    EXPECT_EQ(pixel(target, 160, 230), kWhite) << "a shown button";
    EXPECT_EQ(pixel(target, 110, 230), kDark) << "the background where the hidden ones would be";
}

TEST_F(OverlayMessageBox, AClickedButtonHidesTheBoxAndIsReported) {
    box->show("", "", kMessageOk | kMessageCancel);
    click(210, 230);
    EXPECT_EQ(results, (std::vector<int32_t>{kMessageCancel}));
    EXPECT_EQ(box->visible, 0);
    click(160, 230);
    EXPECT_EQ(results.size(), 1u) << "hidden buttons do not click";
    EXPECT_EQ(floor->events, 1);
}

TEST_F(OverlayMessageBox, WhileShownItTakesEveryEventAndAnswersEnterAndEscape) {
    box->show("", "", kMessageOkPause | kMessageEnter);
    EXPECT_EQ(controlContainer.dispatchMouseDown(10, 10, kPrimaryButton), 1);
    EXPECT_EQ(controlContainer.dispatchMouseMove(10, 10, 1), 1);
    EXPECT_EQ(controlContainer.dispatchCharacter('a'), 1);
    EXPECT_EQ(controlContainer.dispatchKeyUp(65), 1);
    EXPECT_EQ(controlContainer.dispatchKeyDown(27), 1);
    EXPECT_EQ(box->visible, 1) << "no Cancel to answer Escape";
    EXPECT_EQ(floor->events, 0);
    controlContainer.dispatchKeyDown(VK_RETURN);
    EXPECT_EQ(results, (std::vector<int32_t>{kMessageOkPause})) << "the first shown button";

    box->show("", "", kMessageCancel);
    controlContainer.dispatchKeyDown(VK_RETURN);
    box->show("", "", kMessageAttack | kMessageCancel);
    controlContainer.dispatchKeyDown(VK_ESCAPE);
    EXPECT_EQ(results, (std::vector<int32_t>{kMessageOkPause, kMessageCancel, kMessageCancel}));
}

TEST_F(OverlayMessageBox, DraggedByItsBackgroundWithEverythingOnIt) {
    box->show("", "", kMessageOk);
    const int okLeft = part("ButtonOk")->left;
    controlContainer.dispatchMouseDown(105, 105, kPrimaryButton);
    controlContainer.dispatchMouseMove(125, 95, 1);
    controlContainer.dispatchMouseUp(125, 95, kPrimaryButton);
    EXPECT_EQ(box->left, 120);
    EXPECT_EQ(box->top, 90);
    EXPECT_EQ(part("ButtonOk")->left, okLeft + 20);
    EXPECT_EQ(box->textMemo->left, 128);
}

}  // namespace
