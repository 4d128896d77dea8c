// Text: the built-in default font, named faces through FreeType, extents against drawing.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "gdi_test_support.h"

using gdi_test::Surface;

namespace {

constexpr uint32_t kPaper = 0x123456;

void paint(Surface& s, int w, int h, uint32_t raw) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setRaw(x, y, raw);
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
};

// Where the pixels differ from `paper`.
Box changed(const Surface& s, int w, int h, uint32_t paper) {
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (s.raw(x, y) != paper) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
                ++b.count;
            }
    return b;
}

TEST(GdiText, DefaultFontIsBlackOnOpaqueWhiteInEightBySixteenCells) {
    Surface s(40, 20, gdi_test::kX8R8G8B8);
    paint(s, 40, 20, kPaper);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(s.dc(), "Hi!", 3, &size));
    EXPECT_EQ(size.cx, 24);
    EXPECT_EQ(size.cy, 16);
    ASSERT_TRUE(TextOutA(s.dc(), 2, 1, "Hi!", 3));
    Box b = changed(s, 40, 20, kPaper);
    EXPECT_EQ(b.left, 2);
    EXPECT_EQ(b.top, 1);
    EXPECT_EQ(b.right, 26);
    EXPECT_EQ(b.bottom, 17);
    int ink = 0;
    for (int y = 1; y < 17; ++y)
        for (int x = 2; x < 26; ++x) {
            uint32_t v = s.raw(x, y);
            ASSERT_TRUE(v == 0 || v == 0xFFFFFF) << x << "," << y;
            ink += v == 0;
        }
    EXPECT_GT(ink, 20);
    EXPECT_LT(ink, 24 * 16 / 2);
}

TEST(GdiText, TransparentModeKeepsThePaperAndTheTextColourInks) {
    Surface opaque(16, 16, gdi_test::kX8R8G8B8), clear(16, 16, gdi_test::kX8R8G8B8);
    paint(clear, 16, 16, kPaper);
    TextOutA(opaque.dc(), 0, 0, "Ag", 2);
    EXPECT_EQ(SetBkMode(clear.dc(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetTextColor(clear.dc(), RGB(255, 0, 0)), RGB(0, 0, 0));
    TextOutA(clear.dc(), 0, 0, "Ag", 2);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(clear.raw(x, y), opaque.raw(x, y) == 0 ? 0xFF0000u : kPaper) << x << "," << y;
}

TEST(GdiText, BackgroundColourFillsTheCells) {
    Surface s(8, 16, gdi_test::kR5G6B5);
    EXPECT_EQ(SetBkColor(s.dc(), RGB(0, 255, 0)), RGB(255, 255, 255));
    TextOutA(s.dc(), 0, 0, " ", 1);
    EXPECT_EQ(s.raw(0, 0), 0x07E0u);
    EXPECT_EQ(s.raw(7, 15), 0x07E0u);
}

// The ink of one character of the default font, as 16 rows of 8 bits.
std::vector<uint8_t> glyphOf(char c) {
    Surface s(8, 16, gdi_test::kX8R8G8B8);
    TextOutA(s.dc(), 0, 0, &c, 1);
    std::vector<uint8_t> rows(16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            if (s.raw(x, y) == 0) rows[static_cast<size_t>(y)] |= static_cast<uint8_t>(0x80 >> x);
    return rows;
}

TEST(GdiText, EveryPrintableCharacterHasAGlyphOfItsOwn) {
    std::set<std::vector<uint8_t>> seen;
    EXPECT_EQ(glyphOf(' '), std::vector<uint8_t>(16, 0));
    for (int c = 33; c < 127; ++c) {
        std::vector<uint8_t> g = glyphOf(static_cast<char>(c));
        EXPECT_NE(g, std::vector<uint8_t>(16, 0)) << "'" << char(c) << "' has no ink";
        EXPECT_TRUE(seen.insert(g).second) << "'" << char(c) << "' looks like another character";
        EXPECT_EQ(g[0] | g[1] | g[15], 0) << "'" << char(c) << "' touches the cell's top or bottom";
    }
    std::vector<uint8_t> unknown = glyphOf(static_cast<char>(200));
    EXPECT_NE(unknown, std::vector<uint8_t>(16, 0)) << "bytes without a glyph draw a box";
    EXPECT_FALSE(seen.count(unknown));
}

TEST(GdiText, DrawingIsClippedToTheTarget) {
    Surface s(10, 10, gdi_test::kX8R8G8B8);
    paint(s, 10, 10, kPaper);
    EXPECT_TRUE(TextOutA(s.dc(), -5, -8, "WWWWWWWW", 8));
    Box b = changed(s, 10, 10, kPaper);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.bottom, 8);
}

TEST(GdiText, BadArgumentsFail) {
    Surface s(8, 8, gdi_test::kX8R8G8B8);
    SIZE size{};
    EXPECT_FALSE(TextOutA(s.dc(), 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutA(s.dc(), 0, 0, "a", -1));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "a", 1));
    EXPECT_FALSE(GetTextExtentPoint32A(s.dc(), "a", 1, nullptr));
    EXPECT_TRUE(GetTextExtentPoint32A(s.dc(), nullptr, 0, &size));
    EXPECT_EQ(size.cx, 0);
}

// ---- named faces ----------------------------------------------------------------------------

LOGFONTA fontOf(const char* face, LONG height, LONG weight = FW_NORMAL) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

class NamedFont : public ::testing::Test {
protected:
    Surface s{200, 60, gdi_test::kX8R8G8B8};
    std::vector<HFONT> fonts;

    void TearDown() override {
        SelectObject(s.dc(), GetStockObject(SYSTEM_FONT));
        for (HFONT f : fonts) DeleteObject(f);
    }
    SIZE extentWith(const LOGFONTA& lf, const char* text) {
        fonts.push_back(CreateFontIndirectA(&lf));
        SelectObject(s.dc(), fonts.back());
        SIZE size{};
        GetTextExtentPoint32A(s.dc(), text, static_cast<int>(std::strlen(text)), &size);
        return size;
    }
    void SetUp() override {
        SIZE probe = extentWith(fontOf("DejaVu Sans", -20), "iiii");
        if (probe.cx == 32 && probe.cy == 16) GTEST_SKIP() << "no scalable fonts on this machine";
    }
};

TEST_F(NamedFont, NegativeHeightsAreCharacterHeightsAndPositiveOnesCellHeights) {
    SIZE character = extentWith(fontOf("DejaVu Sans", -20), "W");
    EXPECT_GT(character.cy, 20);
    EXPECT_LT(character.cy, 28);
    SIZE cell = extentWith(fontOf("DejaVu Sans", 24), "W");
    EXPECT_NEAR(cell.cy, 24, 1);
    EXPECT_LT(extentWith(fontOf("DejaVu Sans", -10), "Wide").cx, extentWith(fontOf("DejaVu Sans", -30), "Wide").cx);
}

TEST_F(NamedFont, InkStaysInsideTheMeasuredBox) {
    SIZE size = extentWith(fontOf("DejaVu Sans", -18), "Hello, gjy|");
    paint(s, 200, 60, kPaper);
    SetBkMode(s.dc(), TRANSPARENT);
    TextOutA(s.dc(), 10, 20, "Hello, gjy|", 11);
    Box b = changed(s, 200, 60, kPaper);
    ASSERT_GT(b.count, 0);
    EXPECT_GE(b.left, 10);
    EXPECT_GE(b.top, 20);
    EXPECT_LE(b.right, 10 + size.cx);
    EXPECT_LE(b.bottom, 20 + size.cy);
    EXPECT_GT(b.right, 10 + size.cx - 6) << "the text reaches the end of its box";
}

TEST_F(NamedFont, BoldIsWiderAndUnderlineRunsUnderTheText) {
    EXPECT_GT(extentWith(fontOf("DejaVu Sans", -16, FW_BOLD), "mmmm").cx,
              extentWith(fontOf("DejaVu Sans", -16), "mmmm").cx);
    LOGFONTA lf = fontOf("DejaVu Sans", -16);
    lf.lfUnderline = 1;
    SIZE size = extentWith(lf, "  ");
    paint(s, 200, 60, kPaper);
    SetBkMode(s.dc(), TRANSPARENT);
    TextOutA(s.dc(), 0, 0, "  ", 2);
    Box b = changed(s, 200, 60, kPaper);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, size.cx);
    EXPECT_GT(b.top, size.cy / 2) << "below the middle of the cell";
}

TEST_F(NamedFont, NonAntialiasedQualityInksOnlyInTheTextColour) {
    LOGFONTA lf = fontOf("DejaVu Sans", -15);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    extentWith(lf, "x");
    paint(s, 200, 60, kPaper);
    TextOutA(s.dc(), 0, 0, "Sharp edges", 11);
    std::set<uint32_t> colours;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) colours.insert(s.raw(x, y));
    EXPECT_EQ(colours, (std::set<uint32_t>{kPaper, 0x000000, 0xFFFFFF})) << "no blended edge pixels";
}

TEST_F(NamedFont, DescriptionComesBackAndDeletingTheSelectedFontRestoresTheDefault) {
    LOGFONTA lf = fontOf("DejaVu Serif", -13, FW_BOLD);
    lf.lfItalic = 1;
    HFONT f = CreateFontIndirectA(&lf);
    LOGFONTA back{};
    EXPECT_EQ(GetObjectA(f, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfItalic, 1);
    EXPECT_STREQ(back.lfFaceName, "DejaVu Serif");
    SelectObject(s.dc(), f);
    EXPECT_TRUE(DeleteObject(f));
    SIZE size{};
    GetTextExtentPoint32A(s.dc(), "ab", 2, &size);
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(size.cy, 16);
}

TEST(GdiFonts, AnEmptyDescriptionIsTheDefaultFont) {
    Surface s(8, 8, gdi_test::kX8R8G8B8);
    LOGFONTA lf{};
    HFONT f = CreateFontIndirectA(&lf);
    SelectObject(s.dc(), f);
    SIZE size{};
    GetTextExtentPoint32A(s.dc(), "abc", 3, &size);
    EXPECT_EQ(size.cx, 24);
    EXPECT_EQ(size.cy, 16);
    SelectObject(s.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
}

}  // namespace
