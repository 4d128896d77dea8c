#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/overlay/memo.h"
#include "saver/overlay/rich_memo.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

std::vector<std::string> rows(const std::string& text, int32_t width) {
    std::vector<std::string> out;
    for (const TextSpan& s : wrapText(text, width, [](std::string_view piece) { return static_cast<int32_t>(piece.size()); }))
        out.push_back(text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)));
    return out;
}

using Rows = std::vector<std::string>;

TEST(OverlayWrap, BreaksAtSpacesAndCutsWordsTooLongForARow) {
    EXPECT_EQ(rows("the quick brown fox", 10), (Rows{"the quick", "brown fox"}));
    EXPECT_EQ(rows("the quick brown fox", 9), (Rows{"the quick", "brown fox"})) << "a row may fill the width exactly";
    EXPECT_EQ(rows("abcdefghijkl xy", 5), (Rows{"abcde", "fghij", "kl xy"}));
    EXPECT_EQ(rows("a   b", 1), (Rows{"a", "b"})) << "the spaces of a break belong to no row";
    EXPECT_EQ(rows("  indented", 20), (Rows{"  indented"}));
    EXPECT_EQ(rows("", 10), (Rows{""}));
    EXPECT_EQ(rows("no room", 0), (Rows{"no room"}));
    EXPECT_EQ(rows("     ", 2).size(), 3u) << "spaces alone still end";
}

// A memo of 100 x 54 with 8 x 10 cells: buttons of 10 x 10 at the right end of a track column
// 10 wide, a thumb 10 x 6; the text area is 86 x 50 (10 characters, 5 rows).
struct OverlayMemo : OverlaySurfaces {
    int32_t f = -1;
    void SetUp() override {
        OverlaySurfaces::SetUp();
        f = solidFont();
        provideImage("up.bmp", makeSurface(10, 30, kWhite));
        provideImage("down.bmp", makeSurface(10, 30, kWhite));
        provideImage("thumb.bmp", makeSurface(10, 6, kBlue));
        provideImage("track.bmp", makeSurface(4, 4, kYellow));
    }
    template <class Memo, class... Extra>
    Memo* addMemo(Extra... extra) {
        auto* memo = new Memo(0, 0, 100, 54, "memo", f, "up.bmp", "down.bmp", "thumb.bmp", "track.bmp", extra...);
        controlContainer.add(memo);
        return memo;
    }
    static std::string numbered(int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            if (i) text.push_back('\n');
            text.append("line ").append(std::to_string(i));
        }
        return text;
    }
};

TEST_F(OverlayMemo, LinesWrapToTheTextAreaAndTheTopRowsAreDrawn) {
    T3dMemo* memo = addMemo<T3dMemo>();
    ASSERT_NE(memo->children.findByName("T3dMemoBtnUp"), nullptr);
    EXPECT_EQ(memo->children.findByName("T3dMemoBtnDown")->top, 44);
    memo->setText("aaaa bbbb cccc\r\nd");
    EXPECT_EQ(memo->lines(), (std::vector<std::string>{"aaaa bbbb cccc", "d"}));
    EXPECT_EQ(memo->rowCount(), 3);
    EXPECT_EQ(memo->visibleRows(), 5);
    EXPECT_EQ(pixel(memo->surface, 73, 2), kFontNormal) << "row 0: nine characters";
    EXPECT_EQ(pixel(memo->surface, 74, 2), kGreen);
    EXPECT_EQ(pixel(memo->surface, 33, 12), kFontNormal) << "row 1: the wrapped word";
    EXPECT_EQ(pixel(memo->surface, 34, 12), kGreen);
    EXPECT_EQ(pixel(memo->surface, 2, 22), kFontNormal) << "row 2: the second line";
    EXPECT_EQ(pixel(memo->surface, 10, 22), kGreen);
    EXPECT_EQ(pixel(memo->surface, 95, 12), kBlue) << "the thumb at the top of the track";
    EXPECT_EQ(pixel(memo->surface, 95, 30), kYellow);
}

TEST_F(OverlayMemo, ButtonsStepTrackPagesAndTheThumbDrags) {
    T3dMemo* memo = addMemo<T3dMemo>();
    memo->setText(numbered(20));
    ASSERT_EQ(memo->lastTopRow(), 15);
    controlContainer.dispatchMouseDown(95, 49, kPrimaryButton);
    controlContainer.dispatchMouseUp(95, 49, kPrimaryButton);
    EXPECT_EQ(memo->topRow(), 1) << "down button";
    controlContainer.dispatchMouseDown(95, 5, kPrimaryButton);
    controlContainer.dispatchMouseUp(95, 5, kPrimaryButton);
    controlContainer.dispatchMouseDown(95, 5, kPrimaryButton);
    EXPECT_EQ(memo->topRow(), 0) << "up button, and no further than the top";
    controlContainer.dispatchMouseUp(95, 5, kPrimaryButton);
    controlContainer.dispatchMouseDown(95, 40, kPrimaryButton);
    EXPECT_EQ(memo->topRow(), 4) << "the track after the thumb: a page of the rows shown less one";
    controlContainer.dispatchMouseUp(95, 40, kPrimaryButton);

    memo->scrollTo(0);
    EXPECT_EQ(controlContainer.dispatchMouseDown(95, 12, kPrimaryButton), 1);  // on the thumb
    controlContainer.dispatchMouseMove(95, 500, 1);
    EXPECT_EQ(memo->topRow(), 15) << "dragged past the end";
    EXPECT_EQ(pixel(memo->surface, 95, 43), kBlue);
    controlContainer.dispatchMouseMove(95, 26, 1);  // the thumb's top at 24: about halfway
    EXPECT_EQ(memo->topRow(), 8);
    controlContainer.dispatchMouseUp(95, 26, kPrimaryButton);
    controlContainer.dispatchMouseMove(95, 12, 1);
    EXPECT_EQ(memo->topRow(), 8) << "released";
    memo->scrollTo(99);
    EXPECT_EQ(memo->topRow(), 15);
}

TEST_F(OverlayMemo, ALogScrolledToItsEndStaysThere) {
    T3dMemo* memo = addMemo<T3dMemo>();
    memo->setText(numbered(5));
    EXPECT_EQ(memo->lastTopRow(), 0);
    memo->addLine("six");
    EXPECT_EQ(memo->topRow(), 1);
    memo->addLine("seven");
    EXPECT_EQ(memo->topRow(), 2);
    memo->scrollTo(0);
    memo->addLine("eight");
    EXPECT_EQ(memo->topRow(), 0) << "a reader further up is left where they are";
    memo->clearLines();
    EXPECT_EQ(memo->rowCount(), 0);
    EXPECT_EQ(count(memo->surface, RECT{0, 0, 88, 54}, kFontNormal), 0);
}

TEST(OverlayRichLine, MarksSetColourAndHighlightAndUnknownBracesStay) {
    const RichLine line = parseRichLine("a{c=FF8000}b{h}c{/h}{c}d{x}{c=12345}");
    EXPECT_EQ(line.text, "abcd{x}{c=12345}");
    ASSERT_EQ(line.looks.size(), line.text.size());
    EXPECT_FALSE(line.looks[0].ownColour);
    EXPECT_TRUE(line.looks[1].ownColour);
    EXPECT_EQ(line.looks[1].colour, RGB(255, 128, 0));
    EXPECT_FALSE(line.looks[1].highlighted);
    EXPECT_TRUE(line.looks[2].highlighted);
    EXPECT_TRUE(line.looks[2].ownColour);
    EXPECT_FALSE(line.looks[3].highlighted);
    EXPECT_FALSE(line.looks[3].ownColour);
    EXPECT_EQ(parseRichLine("{h").text, "{h");
}

TEST_F(OverlayMemo, RichMemoDrawsMarkedRunsAndPicksLinesWithTheMouse) {
    std::vector<int32_t> picks;
    auto* memo = addMemo<T3dRichMemo>([&](T3dRichMemo*, int32_t line) { picks.push_back(line); });
    memo->setText("ab{h}cd{/h}e\nlong line that wraps\nlast");
    EXPECT_EQ(memo->rowCount(), 4);
    EXPECT_EQ(pixel(memo->surface, 10, 5), kFontNormal);
    EXPECT_EQ(pixel(memo->surface, 20, 5), kFontHighlighted) << "the marks take no room";
    EXPECT_EQ(pixel(memo->surface, 34, 5), kFontNormal);
    EXPECT_EQ(pixel(memo->surface, 42, 5), kGreen);

    EXPECT_EQ(controlContainer.dispatchMouseDown(5, 25, kPrimaryButton), 1);  // row 2: the wrapped part of line 1
    EXPECT_EQ(picks, (std::vector<int32_t>{1}));
    EXPECT_EQ(memo->selectedLine, 1);
    EXPECT_EQ(pixel(memo->surface, 5, 15), kFontHighlighted) << "the whole picked line is highlighted";
    EXPECT_EQ(pixel(memo->surface, 5, 25), kFontHighlighted);
    EXPECT_EQ(pixel(memo->surface, 5, 35), kFontNormal);
    controlContainer.dispatchMouseUp(5, 25, kPrimaryButton);
    controlContainer.dispatchMouseDown(5, 47, kPrimaryButton);  // below the last row
    EXPECT_EQ(picks.size(), 1u);
    memo->setText("new");
    EXPECT_EQ(memo->selectedLine, -1);
    controlContainer.dispatchMouseDown(5, 5, kPrimaryButton);
    memo->setVisible(0);
    EXPECT_EQ(memo->selectedLine, -1);
}

}  // namespace
