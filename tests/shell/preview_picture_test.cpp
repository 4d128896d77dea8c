// The preview picture is drawn centred in the preview window, and nothing is drawn without one.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/win/window.h"
#include "platform/win/window_pixels.h"
#include "saver/shell/preview_picture.h"
#include "saver/shell/shell_state.h"
#include "tests/archive/scratch_dir.h"
#include "tools/lib/assets/picture.h"

namespace {

LRESULT plain(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

uint32_t pixelAt(HWND window, int x, int y) {
    platform::WindowPixels p;
    if (!platform::lockWindowPixels(window, &p)) return 0xDEADBEEF;
    const uint32_t v = p.pixels[static_cast<size_t>(y) * static_cast<size_t>(p.pitchBytes / 4) + static_cast<size_t>(x)] & 0xFFFFFF;
    platform::unlockWindowPixels(window);
    return v;
}

TEST(PreviewPicture, IsDrawnCentredInThePreviewWindow) {
    ScratchDir dir;
    assets::Picture red(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) red.at(x, y) = {1, 0, 0};
    const std::string file = dir.path("logo.bmp");
    ScratchDir::write(file, assets::encodeBmp24(red));

    WNDCLASSA wc{};
    wc.lpfnWndProc = plain;
    wc.lpszClassName = "PreviewHost";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "PreviewHost", "", WS_POPUP, 0, 0, 20, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    resetShellState();
    g_shell.screenWidth = 20;
    g_shell.screenHeight = 10;

    paintPreviewPicture(window);  // no picture yet: nothing drawn
    EXPECT_EQ(pixelAt(window, 9, 4), 0u);

    g_shell.previewLogo = static_cast<HBITMAP>(LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(g_shell.previewLogo, nullptr);
    paintPreviewPicture(window);
    EXPECT_EQ(pixelAt(window, 8, 4), 0xFF0000u);   // the picture spans x 8..11, y 4..5
    EXPECT_EQ(pixelAt(window, 11, 5), 0xFF0000u);
    EXPECT_EQ(pixelAt(window, 7, 4), 0u);
    EXPECT_EQ(pixelAt(window, 12, 5), 0u);
    EXPECT_EQ(pixelAt(window, 8, 3), 0u);

    DeleteObject(g_shell.previewLogo);
    resetShellState();
    DestroyWindow(window);
}

}  // namespace
