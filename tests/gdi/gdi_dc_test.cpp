// Bitmaps, device contexts, block transfers and pixels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "gdi_test_support.h"
#include "platform/gdi/bmp_codec.h"
#include "platform/gdi/gdi_objects.h"

using gdi_test::Surface;

namespace {

// A temporary BMP file of a w x h picture whose pixel (x, y) is colourAt(x, y) (0x00RRGGBB).
class BmpFile {
public:
    template <typename ColourAt>
    BmpFile(int w, int h, ColourAt colourAt) {
        std::vector<uint8_t> rgb;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = colourAt(x, y);
                rgb.push_back(uint8_t(c >> 16));
                rgb.push_back(uint8_t(c >> 8));
                rgb.push_back(uint8_t(c));
            }
        char name[] = "/tmp/vorel_gdi_test_XXXXXX";
        int fd = mkstemp(name);
        close(fd);
        path_ = name;
        platform::gdi::writeBmp24(path_, w, h, rgb.data());
    }
    ~BmpFile() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

HBITMAP load(const BmpFile& f) { return LoadImageA(nullptr, f.path(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION); }

TEST(GdiBitmaps, LoadImageReadsFilesAndGetObjectGivesTheirSize) {
    BmpFile f(5, 3, [](int x, int y) { return uint32_t(x * 40 + y); });
    HBITMAP b = load(f);
    ASSERT_NE(b, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(b, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 5);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidthBytes, 20);
    EXPECT_EQ(GetObjectA(b, 0, nullptr), static_cast<int>(sizeof info));
    EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiBitmaps, LoadImageRefusesWhatItCannotLoad) {
    BmpFile f(2, 2, [](int, int) { return 0u; });
    EXPECT_EQ(LoadImageA(nullptr, "/nonexistent/x.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, f.path(), IMAGE_BITMAP, 0, 0, 0), nullptr) << "no resources";
    EXPECT_EQ(LoadImageA(nullptr, f.path(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    char notBmp[] = "/tmp/vorel_gdi_notbmp_XXXXXX";
    int fd = mkstemp(notBmp);
    ASSERT_EQ(write(fd, "hello, this is not a picture", 28), 28);
    close(fd);
    EXPECT_EQ(LoadImageA(nullptr, notBmp, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    std::remove(notBmp);
}

TEST(GdiBitmaps, LoadImageScalesToARequestedSize) {
    BmpFile f(2, 1, [](int x, int) { return x ? 0xFF0000u : 0x0000FFu; });
    HBITMAP b = LoadImageA(nullptr, f.path(), IMAGE_BITMAP, 4, 2, LR_LOADFROMFILE);
    ASSERT_NE(b, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, b);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);
    DeleteDC(dc);
    DeleteObject(b);
}

TEST(GdiPixels, PureColoursRoundTripOnSixteenAndThirtyTwoBits) {
    Surface s565(4, 4, gdi_test::kR5G6B5), s444(4, 4, gdi_test::kA4R4G4B4), s888(4, 4, gdi_test::kX8R8G8B8);
    ASSERT_NE(s565.dc(), nullptr);
    EXPECT_EQ(SetPixel(s565.dc(), 0, 0, RGB(0, 255, 0)), RGB(0, 255, 0));
    EXPECT_EQ(s565.raw(0, 0), 0x07E0u);
    EXPECT_EQ(SetPixel(s444.dc(), 0, 0, RGB(0, 255, 0)), RGB(0, 255, 0));
    EXPECT_EQ(s444.raw(0, 0), 0x00F0u) << "no alpha bits written";
    EXPECT_EQ(SetPixel(s888.dc(), 0, 0, RGB(0, 255, 0)), RGB(0, 255, 0));
    EXPECT_EQ(s888.raw(0, 0), 0x0000FF00u);
    for (COLORREF c : {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 255), RGB(255, 0, 255)})
        for (Surface* s : {&s565, &s444, &s888}) {
            SetPixel(s->dc(), 2, 3, c);
            EXPECT_EQ(GetPixel(s->dc(), 2, 3), c);
        }
}

TEST(GdiPixels, SetPixelAnswersTheColourActuallyStored) {
    Surface s(2, 2, gdi_test::kR5G6B5);
    // 0x13 keeps its top 5 bits (00010) and reads back as 00010000 | 000 = 0x10; green 6 bits.
    EXPECT_EQ(SetPixel(s.dc(), 1, 1, RGB(0x13, 0x13, 0x13)), RGB(0x10, 0x10, 0x10));
    EXPECT_EQ(s.raw(1, 1), (2u << 11) | (4u << 5) | 2u);
}

TEST(GdiPixels, OutsideTheTargetIsInvalid) {
    Surface s(3, 2, gdi_test::kX8R8G8B8);
    EXPECT_EQ(GetPixel(s.dc(), 3, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(s.dc(), 0, -1), CLR_INVALID);
    EXPECT_EQ(SetPixel(s.dc(), -1, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

TEST(GdiPixels, RowsFollowThePitch) {
    Surface s(2, 3, gdi_test::kR5G6B5, 12);
    SetPixel(s.dc(), 1, 2, RGB(255, 255, 255));
    EXPECT_EQ(s.raw(1, 2), 0xFFFFu);
    size_t written = 0;
    for (uint8_t b : s.memory()) written += b != 0;
    EXPECT_EQ(written, 2u) << "one 16-bit pixel and nothing else";
}

TEST(GdiContexts, TargetsMustDescribeUsableMemory) {
    std::vector<uint8_t> memory(64);
    platform::gdi::DcTarget t{memory.data(), 4, 4, 16, 32};
    HDC good = platform::gdi::CreateDCForTarget(t);
    EXPECT_NE(good, nullptr);
    platform::gdi::DeleteTargetDC(good);
    auto refused = [&](auto change) {
        platform::gdi::DcTarget bad = t;
        change(bad);
        return platform::gdi::CreateDCForTarget(bad) == nullptr;
    };
    EXPECT_TRUE(refused([](auto& b) { b.pixels = nullptr; }));
    EXPECT_TRUE(refused([](auto& b) { b.width = 0; }));
    EXPECT_TRUE(refused([](auto& b) { b.height = -2; }));
    EXPECT_TRUE(refused([](auto& b) { b.pitchBytes = 15; }));
    EXPECT_TRUE(refused([](auto& b) { b.bitsPerPixel = 8; }));
}

TEST(GdiBlits, StretchBltCopiesABitmapOntoASurfaceInItsFormat) {
    // The texture loaders' path: a bitmap in a memory context stretched over a whole surface.
    BmpFile f(2, 2, [](int x, int y) { return (x + y) % 2 ? 0x00FF00u : 0xFF00FFu; });
    HBITMAP b = load(f);
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(SelectObject(memory, b), nullptr);
    Surface s(4, 4, gdi_test::kR5G6B5);
    ASSERT_TRUE(StretchBlt(s.dc(), 0, 0, 4, 4, memory, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(s.raw(x, y), ((x / 2 + y / 2) % 2) ? 0x07E0u : 0xF81Fu) << x << "," << y;
    DeleteDC(memory);
    DeleteObject(b);
}

TEST(GdiBlits, ShrinkingSamplesPixelCentresAndMirroringFlips) {
    BmpFile f(4, 1, [](int x, int) { return uint32_t(x + 1) * 0x10; });
    HBITMAP b = load(f);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, b);
    Surface s(4, 1, gdi_test::kX8R8G8B8);
    StretchBlt(s.dc(), 0, 0, 2, 1, memory, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(s.raw(0, 0), 0x20u) << "centre of the first half lies on source pixel 1";
    EXPECT_EQ(s.raw(1, 0), 0x40u);
    StretchBlt(s.dc(), 4, 0, -4, 1, memory, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(s.raw(0, 0), 0x40u);
    EXPECT_EQ(s.raw(3, 0), 0x10u);
    DeleteDC(memory);
    DeleteObject(b);
}

TEST(GdiBlits, BitBltClipsToBothContexts) {
    Surface src(2, 2, gdi_test::kX8R8G8B8), dst(3, 3, gdi_test::kX8R8G8B8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) src.setRaw(x, y, 0x111111u * uint32_t(1 + x + 2 * y));
    ASSERT_TRUE(BitBlt(dst.dc(), 2, -1, 5, 5, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst.raw(2, 0), 0x333333u);
    EXPECT_EQ(dst.raw(1, 0), 0u);
    EXPECT_EQ(dst.raw(2, 1), 0u) << "source row 2 does not exist";
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 0x00EE0086)) << "only SRCCOPY copies";
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

TEST(GdiBlits, OverlappingCopyWithinOneContextReadsTheOriginal) {
    Surface s(4, 1, gdi_test::kX8R8G8B8);
    for (int x = 0; x < 4; ++x) s.setRaw(x, 0, uint32_t(x + 1));
    BitBlt(s.dc(), 1, 0, 3, 1, s.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(s.raw(1, 0), 1u);
    EXPECT_EQ(s.raw(2, 0), 2u);
    EXPECT_EQ(s.raw(3, 0), 3u);
}

TEST(GdiBlits, BlacknessWhitenessAndFillRect) {
    Surface s(3, 3, gdi_test::kR5G6B5);
    EXPECT_TRUE(BitBlt(s.dc(), 0, 0, 3, 3, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(s.raw(2, 2), 0xFFFFu);
    RECT r{1, 1, 5, 2};
    EXPECT_EQ(FillRect(s.dc(), &r, GetStockObject(BLACK_BRUSH)), 1);
    EXPECT_EQ(s.raw(1, 1), 0u);
    EXPECT_EQ(s.raw(2, 1), 0u);
    EXPECT_EQ(s.raw(0, 1), 0xFFFFu);
    EXPECT_EQ(s.raw(1, 2), 0xFFFFu);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 3, 3};
    FillRect(s.dc(), &all, green);
    EXPECT_EQ(s.raw(0, 0), 0x07E0u);
    FillRect(s.dc(), &all, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(s.raw(0, 0), 0x07E0u);
    DeleteObject(green);
}

TEST(GdiObjects, DeletingASelectedBitmapLeavesTheContextSafe) {
    size_t objects = platform::gdi::liveObjectCount(), contexts = platform::gdi::liveDcCount();
    BmpFile f(2, 2, [](int, int) { return 0xFFFFFFu; });
    HBITMAP b = load(f);
    HDC one = CreateCompatibleDC(nullptr), two = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(one, b);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(SelectObject(two, b), nullptr) << "a bitmap is in one context at a time";
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(GetPixel(one, 1, 1), CLR_INVALID) << "the context is back on its 1x1 default";
    EXPECT_FALSE(DeleteObject(b)) << "a stale handle is refused";
    EXPECT_EQ(SelectObject(one, b), nullptr);
    EXPECT_TRUE(DeleteDC(one));
    EXPECT_TRUE(DeleteDC(two));
    EXPECT_FALSE(DeleteDC(two));
    EXPECT_EQ(platform::gdi::liveObjectCount(), objects);
    EXPECT_EQ(platform::gdi::liveDcCount(), contexts);
}

TEST(GdiObjects, SelectObjectAnswersThePreviousObjectOfThatKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateCompatibleBitmap(dc, 2, 2), b = CreateCompatibleBitmap(dc, 3, 3);
    HGDIOBJ original = SelectObject(dc, a);
    EXPECT_EQ(SelectObject(dc, b), a);
    EXPECT_EQ(SelectObject(dc, original), b);
    HGDIOBJ brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(brush, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))) << "harmless";
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(BLACK_BRUSH));
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiContexts, CapabilitiesAndTheScreenContext) {
    Surface s(8, 4, gdi_test::kR5G6B5);
    EXPECT_EQ(GetDeviceCaps(s.dc(), LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(s.dc(), BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(s.dc(), HORZRES), 8);
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(screen, &box), 2);
    EXPECT_GT(box.right, 0);
    EXPECT_GT(box.bottom, 0);
    EXPECT_EQ(SetPixel(screen, 0, 0, 0), CLR_INVALID) << "the screen context has no pixels to draw on";
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
}

}  // namespace
