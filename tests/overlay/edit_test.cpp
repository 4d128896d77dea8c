#include <gtest/gtest.h>

#include <vector>

#include "saver/overlay/edit.h"
#include "platform/win/messages.h"
#include "saver/overlay/key_edit.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kBlack = 0x000000;

// Fields 60 x 20 at (10, 10) with 8 x 10 cells: characters from x 12, rows 15..25.
struct OverlayEdit : OverlaySurfaces {
    int32_t f = -1;
    void SetUp() override {
        OverlaySurfaces::SetUp();
        f = solidFont();
    }
    T3dEdit* addEdit(const char* text, int32_t maxLength = 255, T3dEdit::EnterCallback onEnter = nullptr) {
        auto* edit = new T3dEdit(10, 10, 60, 20, "edit", text, f, maxLength, std::move(onEnter));
        controlContainer.add(edit);
        return edit;
    }
    void type(const char* text) {
        for (const char* p = text; *p; ++p) controlContainer.dispatchCharacter(static_cast<uint8_t>(*p));
    }
    void click(int x, int y) {
        controlContainer.dispatchMouseDown(x, y, kPrimaryButton);
        controlContainer.dispatchMouseUp(x, y, kPrimaryButton);
    }
};

TEST_F(OverlayEdit, TypingNeedsTheFocusAndEditsAtTheCaret) {
    int enters = 0;
    T3dEdit* edit = addEdit("ace", 5, [&](T3dEdit*) { ++enters; });
    EXPECT_EQ(controlContainer.dispatchCharacter('x'), 0) << "without the focus";
    click(200, 200);
    EXPECT_EQ(edit->focused, 0);
    click(12 + 8 + 3, 15);  // nearest boundary: after "a"
    EXPECT_EQ(edit->focused, 1);
    EXPECT_EQ(edit->caret(), 1);
    type("b");
    EXPECT_EQ(edit->caption, "abce");
    EXPECT_EQ(controlContainer.dispatchKeyDown(VK_RIGHT), 1);
    type("d");
    EXPECT_EQ(edit->caption, "abcde");
    EXPECT_EQ(controlContainer.dispatchCharacter('f'), 1) << "a full field still takes the character";
    EXPECT_EQ(edit->caption, "abcde");
    controlContainer.dispatchKeyDown(VK_HOME);
    controlContainer.dispatchKeyDown(VK_DELETE);
    controlContainer.dispatchKeyDown(VK_END);
    controlContainer.dispatchKeyDown(VK_BACK);
    EXPECT_EQ(edit->caption, "bcd");
    EXPECT_EQ(edit->caret(), 3);
    controlContainer.dispatchKeyDown(VK_BACK);
    controlContainer.dispatchKeyDown(VK_LEFT);
    controlContainer.dispatchKeyDown(VK_LEFT);
    controlContainer.dispatchKeyDown(VK_LEFT);
    EXPECT_EQ(edit->caret(), 0) << "the caret stops at the start";
    controlContainer.dispatchKeyDown(VK_BACK);
    EXPECT_EQ(edit->caption, "bc");
    EXPECT_EQ(controlContainer.dispatchCharacter('\t'), 0) << "control characters are not text";
    EXPECT_EQ(controlContainer.dispatchKeyDown(VK_RETURN), 1);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(controlContainer.dispatchKeyDown(112), 0) << "keys it does not use go on";
    EXPECT_EQ(pixel(edit->surface, 2, 5), kFontNormal);
    EXPECT_EQ(pixel(edit->surface, 18, 5), kGreen) << "two characters drawn";

    edit->setEnabled(0);
    EXPECT_EQ(controlContainer.dispatchCharacter('z'), 0);
    EXPECT_EQ(edit->caption, "bc");
}

TEST_F(OverlayEdit, LongTextScrollsSoTheCaretStaysInTheField) {
    T3dEdit* edit = addEdit("");
    click(20, 15);
    type("0123456789ABCDEF");  // 16 characters: 128 pixels in a 56 pixel wide text area
    EXPECT_EQ(edit->caret(), 16);
    EXPECT_EQ(edit->firstShown(), 9) << "the last seven characters fill the field";
    EXPECT_EQ(pixel(edit->surface, 57, 10), kFontNormal);
    controlContainer.dispatchKeyDown(VK_HOME);
    EXPECT_EQ(edit->firstShown(), 0);
}

TEST_F(OverlayEdit, CaretBlinksFromItsLastMove) {
    T3dEdit* edit = addEdit("ab");
    IDirectDrawSurface7* target = makeSurface(100, 40, kBlack);
    // The caret is a full cell centred on the boundary; x 28..31 lies right of "ab" (12..27).
    auto caretShownAt = [&](int x) {
        paint(target, RECT{0, 0, 100, 40}, kBlack);
        controlContainer.drawAll(target);
        return pixel(target, x, 20) == kFontNormal;
    };
    EXPECT_FALSE(caretShownAt(30)) << "no caret without the focus";
    now = 5000;
    click(60, 15);
    ASSERT_EQ(edit->caret(), 2);
    EXPECT_TRUE(caretShownAt(30));
    now = 5499;
    EXPECT_TRUE(caretShownAt(30));
    now = 5500;
    EXPECT_FALSE(caretShownAt(30));
    now = 6000;
    EXPECT_TRUE(caretShownAt(30));
    now = 6700;  // hidden by the first move's count
    type("c");
    EXPECT_TRUE(caretShownAt(38)) << "typing moved the caret and showed it again";
    now = 7200;
    EXPECT_FALSE(caretShownAt(38));
}

TEST_F(OverlayEdit, KeyEditWaitsForTheNextKeyAndShowsItsName) {
    std::vector<int32_t> chosen;
    auto* field = new T3dKeyEdit(10, 10, 100, 20, "key", 0, f, [&](T3dKeyEdit*, int32_t k) { chosen.push_back(k); });
    controlContainer.add(field);
    EXPECT_EQ(field->caption, "None");
    EXPECT_EQ(controlContainer.dispatchKeyDown(65), 0) << "not waiting";
    click(20, 15);
    EXPECT_EQ(pixel(field->surface, 2, 10), kFontHighlighted) << "waiting shows the name highlighted";
    EXPECT_EQ(controlContainer.dispatchKeyDown(37), 1);
    EXPECT_EQ(field->keyCode(), 37);
    EXPECT_EQ(field->caption, "Arrow Left");
    EXPECT_EQ(field->focused, 0);
    EXPECT_EQ(chosen, (std::vector<int32_t>{37}));
    EXPECT_EQ(pixel(field->surface, 2, 10), kFontNormal);

    click(20, 15);
    EXPECT_EQ(controlContainer.dispatchCharacter('q'), 1) << "characters are taken while waiting";
    EXPECT_EQ(controlContainer.dispatchKeyDown(VK_ESCAPE), 1);
    EXPECT_EQ(field->keyCode(), 37) << "Escape keeps the key";
    EXPECT_EQ(field->focused, 0);
    EXPECT_EQ(chosen.size(), 1u);
    field->clearKey();
    EXPECT_EQ(field->caption, "None");
}

}  // namespace
