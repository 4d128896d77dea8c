#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/gdi_objects.h"
#include "saver/overlay/gdi_text.h"
#include "tests/overlay/surface_fixture.h"

namespace {

constexpr DWORD kBlack = 0x000000, kWhite = 0xFFFFFF;

// The smallest rectangle holding every pixel that is not `background`; empty when there is none.
RECT inkBox(IDirectDrawSurface7* s, int w, int h, DWORD background, DWORD (*read)(IDirectDrawSurface7*, int, int)) {
    RECT box{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (read(s, x, y) != background) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

using OverlayGdiFonts = OverlaySurfaces;

TEST(OverlayFontDescription, SizeFromPointsAndDotsPerInchAndStyleFromItsBits) {
    LOGFONTA lf = overlayFontDescription("DejaVu Sans", 12, kFontBold | kFontUnderline, 96);
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_STREQ(lf.lfFaceName, "DejaVu Sans");
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfQuality, 0);

    lf = overlayFontDescription("x", 10, kFontItalic, 120);  // 16.7 pixels: the division truncates
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfItalic, 1);
    const std::string longName(60, 'f');
    lf = overlayFontDescription(longName.c_str(), 0, 0, 96);
    EXPECT_EQ(std::strlen(lf.lfFaceName), 31u);
    EXPECT_EQ(lf.lfHeight, 0);
}

TEST_F(OverlayGdiFonts, CellsAreTheExtentOfWAndTextMeasuresAsDrawn) {
    IDirectDrawSurface7* target = makeSurface(200, 60, kBlack);
    overlayDisplay().screenDpi = [] { return 72; };  // points are pixels
    const int32_t f = fontList.addGdiFont(target, "DejaVu Sans", 20, 0);
    ASSERT_EQ(f, 0);
    const FontEntry* entry = fontList.entry(f);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->isGdi, 1);
    LOGFONTA made{};
    ASSERT_EQ(GetObjectA(entry->font, sizeof made, &made), static_cast<int>(sizeof made));
    EXPECT_EQ(made.lfHeight, -20);

    SIZE w{};
    HDC dc = nullptr;
    ASSERT_EQ(target->GetDC(&dc), DD_OK);
    SelectObject(dc, entry->font);
    GetTextExtentPoint32A(dc, "W", 1, &w);
    SIZE text{};
    GetTextExtentPoint32A(dc, "Hello", 5, &text);
    target->ReleaseDC(dc);
    EXPECT_EQ(entry->cellWidth, w.cx);
    EXPECT_EQ(fontList.cellHeight(f), w.cy);
    EXPECT_GT(w.cx, 5);
    EXPECT_EQ(fontList.textWidth(f, "Hello", target), text.cx) << "no extra cell for GDI fonts";
    EXPECT_EQ(fontList.textExtent(f, "Hello", target), text.cx);
    EXPECT_EQ(fontList.textWidth(f, "Hello", nullptr), 0) << "nothing to measure on";

    const int32_t blind = fontList.addGdiFont(nullptr, "DejaVu Sans", 20, 0);
    EXPECT_EQ(fontList.entry(blind)->cellWidth, 0);
}

TEST_F(OverlayGdiFonts, TextIsAlignedOnTheAnchorWithoutABackground) {
    IDirectDrawSurface7* target = makeSurface(300, 100, kBlack);
    const int32_t f = fontList.addGdiFont(target, "DejaVu Sans", 18, kFontBold);
    const int32_t width = fontList.textWidth(f, "HHHH", target), height = fontList.cellHeight(f);
    fontList.drawText(f, 0, 1, 1, 1, target, 150, 50, "HHHH", RGB(255, 0, 0));
    const RECT ink = inkBox(target, 300, 100, kBlack, pixel);
    ASSERT_LT(ink.left, ink.right) << "something was written";
    EXPECT_GE(ink.left, 150 - width / 2);
    EXPECT_LE(ink.right, 150 - width / 2 + width);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 150.0, 2.0);
    EXPECT_GE(ink.top, 50 - height / 2);
    EXPECT_LE(ink.bottom, 50 - height / 2 + height);
    EXPECT_EQ(count(target, RECT{0, 0, 300, 100}, kWhite), 0) << "the background stays transparent";
    EXPECT_GT(count(target, ink, 0xFF0000), 20) << "the stems are solid red";

    IDirectDrawSurface7* right = makeSurface(300, 100, kBlack);
    fontList.drawText(f, 0, 1, 2, 2, right, 150, 50, "HHHH", RGB(255, 0, 0));
    const RECT ended = inkBox(right, 300, 100, kBlack, pixel);
    EXPECT_LE(ended.right, 150);
    EXPECT_GT(ended.right, 150 - 4) << "alignment 2 ends the text at x";
    EXPECT_LE(ended.bottom, 50);
}

TEST_F(OverlayGdiFonts, DisabledAndHighlightedTextTakeTheirColours) {
    IDirectDrawSurface7* target = makeSurface(300, 100, kBlack);
    const int32_t f = fontList.addGdiFont(target, "DejaVu Sans", 18, kFontBold);
    fontList.drawText(f, 1, 0, 0, 0, target, 10, 10, "HH", RGB(200, 100, 40));
    EXPECT_GT(count(target, RECT{0, 0, 300, 100}, 0x643214), 20) << "disabled: every channel halved";
    IDirectDrawSurface7* lit = makeSurface(300, 100, kBlack);
    fontList.drawText(f, 1, 1, 0, 0, lit, 10, 10, "HH", RGB(200, 100, 40));
    EXPECT_GT(count(lit, RECT{0, 0, 300, 100}, 0xFFC88C), 20) << "highlighted: half the strongest channel added";
}

TEST_F(OverlayGdiFonts, OverTheKeyColourLettersGetHardEdgesElsewhereTheyStaySmooth) {
    IDirectDrawSurface7* keyed = makeSurface(120, 40, kGreen);  // keyed on green, as control surfaces are
    const int32_t f = fontList.addGdiFont(keyed, "DejaVu Sans", 11, kFontItalic);
    fontList.drawText(f, 0, 1, 0, 0, keyed, 4, 4, "Rows of Wq", RGB(255, 255, 255));
    const RECT all{0, 0, 120, 40};
    const int white = count(keyed, all, kWhite), green = count(keyed, all, kGreen);
    EXPECT_GT(white, 30);
    EXPECT_EQ(white + green, 120 * 40) << "every pixel is the text colour or the key";

    IDirectDrawSurface7* plain = makeSurface(120, 40, kBlack);  // no key: smooth edges stay
    ASSERT_EQ(plain->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    fontList.drawText(f, 0, 1, 0, 0, plain, 4, 4, "Rows of Wq", RGB(255, 255, 255));
    EXPECT_LT(count(plain, all, kWhite) + count(plain, all, kBlack), 120 * 40);

    IDirectDrawSurface7* half = makeSurface(120, 40, kGreen);  // text half over a face, half over the key
    paint(half, RECT{0, 0, 40, 40}, kBlack);
    fontList.drawText(f, 0, 1, 0, 0, half, 4, 4, "Rows of Wq", RGB(255, 255, 255));
    EXPECT_EQ(count(half, RECT{40, 0, 120, 40}, kWhite) + count(half, RECT{40, 0, 120, 40}, kGreen), 80 * 40);
    EXPECT_LT(count(half, RECT{0, 0, 40, 40}, kWhite) + count(half, RECT{0, 0, 40, 40}, kBlack), 40 * 40)
        << "over the face the letters blend as usual";
}

TEST_F(OverlayGdiFonts, DeletingTheListDeletesTheFonts) {
    IDirectDrawSurface7* target = makeSurface(50, 50, kBlack);
    const size_t before = platform::gdi::liveObjectCount();
    fontList.addGdiFont(target, "DejaVu Sans", 12, 0);
    fontList.addGdiFont(target, "DejaVu Serif", 14, kFontItalic);
    EXPECT_EQ(platform::gdi::liveObjectCount(), before + 2);
    fontList.deleteAll();
    EXPECT_EQ(platform::gdi::liveObjectCount(), before);
    EXPECT_EQ(fontList.count, 0);
    IDirectDrawSurface7* again = makeSurface(50, 50, kBlack);
    fontList.drawText(0, 0, 1, 0, 0, again, 0, 0, "gone", 0xFFFFFF);
    EXPECT_EQ(count(again, RECT{0, 0, 50, 50}, kBlack), 2500) << "a deleted font draws nothing";
}

}  // namespace
