// 16-bit frames shown by a window that fits them into an image of its own, row by row (the X11
// back-end's way): the window's picture is exactly the frame widened and then fitted, and the
// front keeps the flipped picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/backend/scale_frame.h"
#include "platform/ddraw/pixel_formats.h"
#include "tests/ddraw/ddraw_fixture.h"
#include "tests/ddraw/pattern_565.h"
#include "tests/support/fit_rule.h"
#include "tests/support/png_pixels.h"

using namespace ddraw_test;
namespace fs = std::filesystem;

namespace {

// The window's image: its size, a pitch wider than it, and what was shown.
struct WindowImage {
    int width = 0, height = 0, pitch = 0;
    std::vector<uint32_t> pixels;
    int shown = 0;
};
WindowImage g_window;
constexpr uint32_t kJunk = 0xA5A5A5A5u;  // what the image held before: bars must be painted over it

bool fitIntoWindow(HWND window, const platform::bridge::FrameRows& frame) {
    EXPECT_EQ(window, kWindow);
    g_window.pixels.assign(size_t(g_window.pitch) * g_window.height, kJunk);
    platform::backend::scaleRowsInto(frame, g_window.pixels.data(), g_window.width, g_window.height,
                                     g_window.pitch * 4);
    ++g_window.shown;
    return true;
}

class PresentingRows : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        platform::bridge::setPresentRows(fitIntoWindow);
        showIn(1920, 1080);
    }
    static void showIn(int width, int height) { g_window = WindowImage{width, height, width + 3, {}, 0}; }
};

// The pattern widened pixel by pixel, as the frame handed over whole would be.
std::vector<uint32_t> widenedPattern() {
    std::vector<uint32_t> wide(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            wide[size_t(y) * 640 + x] = platform::ddraw::rawToArgb(layout565(), patternAt(x, y)) & 0x00FFFFFFu;
    return wide;
}

TEST_F(PresentingRows, TheWindowShowsTheFrameWidenedThenFittedForEveryWindowSize) {
    makeChain(640, 480, 16);
    drawPattern(back);
    const std::vector<uint32_t> wide = widenedPattern();
    const int windows[][2] = {{1920, 1080}, {640, 480}, {1024, 768}, {333, 251}, {641, 480},
                              {640, 481},   {639, 479}, {1281, 961}, {7, 1080},  {1920, 5}};
    for (const auto& size : windows) {
        showIn(size[0], size[1]);
        ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
        ASSERT_EQ(g_window.shown, 1);
        // The padding beyond the window's width keeps what the image held.
        EXPECT_EQ(g_window.pixels, fit_rule::scaledByRule(wide, 640, 480, size[0], size[1], g_window.pitch, kJunk))
            << size[0] << "x" << size[1];
    }
    EXPECT_EQ(g_presented.count, 0);  // never handed over whole
}

// The front holds the flipped picture for a lock, however few of its rows the window asked for.
TEST_F(PresentingRows, TheFrontHoldsTheFlippedPictureWhateverRowsTheWindowTook) {
    makeChain(640, 480, 16);
    for (const auto& size : {std::pair{1920, 1080}, std::pair{333, 251}, std::pair{20, 3}}) {
        showIn(size.first, size.second);
        drawPattern(back);
        ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
        ASSERT_EQ(fill(back, 0x1234), DD_OK);
        EXPECT_EQ(offPattern(primary), 0) << size.first << "x" << size.second;
        setPixel(primary, 3, 4, 0xBEEF);
        ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
        EXPECT_EQ(pixelAt(primary, 3, 4), 0x1234u);
        EXPECT_EQ(pixelAt(primary, 639, 479), 0x1234u);
        for (int y : {0, 240, 479}) EXPECT_EQ(pixelAt(primary, 5, y), 0x1234u) << y;
    }
}

TEST_F(PresentingRows, ThirtyTwoBitFramesStillArriveWhole) {
    makeChain(640, 480, 32);
    ASSERT_EQ(fill(back, 0x00FF8040), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(g_window.shown, 0);  // the window's whole-frame way, as before
    ASSERT_EQ(g_presented.count, 1);
    EXPECT_EQ(g_presented.pixels[479 * 640 + 639] & 0xFFFFFF, 0xFF8040u);
}

TEST_F(PresentingRows, CapturedFramesAreTheWholeWidenedPicture) {
    const fs::path folder = fs::temp_directory_path() / ("vorel_rows_capture_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    setenv("VOREL_CAPTURE", folder.c_str(), 1);
    setenv("VOREL_CAPTURE_EVERY", "2", 1);
    makeChain(640, 480, 16);
    drawPattern(back);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    unsetenv("VOREL_CAPTURE");
    unsetenv("VOREL_CAPTURE_EVERY");
    EXPECT_EQ(g_window.shown, 3);
    EXPECT_FALSE(fs::exists(folder / "frame_000001.png"));
    const PngPixels png = readPngPixels((folder / "frame_000002.png").string());
    EXPECT_EQ(png.rgb, widenedPattern());
    fs::remove_all(folder);
}

}  // namespace
