// A small picture of the layer at work: two buttons (one pressed toggle, one disabled) and a
// progress bar drawn over a frame, written to overlay_demo.png beside the test binary's folder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/ddraw/frame_output.h"
#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/progress_bar.h"
#include "tests/overlay/surface_fixture.h"

namespace {

DWORD rgb(int r, int g, int b) { return static_cast<DWORD>(r << 16 | g << 8 | b); }

struct OverlayDemo : OverlaySurfaces {
    // A pill-shaped button face of w x h per frame, three frames: normal, pressed, disabled.
    IDirectDrawSurface7* buttonSheet(int w, int h) {
        IDirectDrawSurface7* s = makeSurface(w, h * 3, kGreen);
        const DWORD looks[3] = {rgb(40, 150, 170), rgb(120, 220, 235), rgb(110, 110, 110)};
        for (int frame = 0; frame < 3; ++frame)
            for (int y = 0; y < h; ++y) {
                // Round ends: the row's inset follows a half circle of radius h / 2.
                const double dy = y + 0.5 - h / 2.0;
                const int inset = static_cast<int>(h / 2.0 - std::sqrt(std::max(0.0, h * h / 4.0 - dy * dy)));
                const double shade = 1.0 - 0.35 * y / h;
                const DWORD c = looks[frame];
                const DWORD shaded = rgb(static_cast<int>((c >> 16 & 255) * shade), static_cast<int>((c >> 8 & 255) * shade),
                                         static_cast<int>((c & 255) * shade));
                paint(s, RECT{inset, frame * h + y, w - inset, frame * h + y + 1}, shaded);
            }
        return s;
    }
    std::vector<uint32_t> pixelsOf(IDirectDrawSurface7* s, int w, int h) {
        std::vector<uint32_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.push_back(pixel(s, x, y));
        return out;
    }
};

TEST_F(OverlayDemo, ButtonsAndAProgressBarOverAFrame) {
    const int w = 320, h = 160;
    IDirectDrawSurface7* frame = makeSurface(w, h, 0);
    for (int y = 0; y < h; ++y) paint(frame, RECT{0, y, w, y + 1}, rgb(8, 12 + y / 4, 40 + y / 2));
    provideImage("pill.bmp", buttonSheet(96, 28));
    IDirectDrawSurface7* cell = makeSurface(24, 24, rgb(250, 160, 40));
    paint(cell, RECT{19, 0, 24, 24}, kGreen);
    provideImage("cell.bmp", cell);

    auto* play = new T3dToggleButton(24, 24, "play", nullptr, "pill.bmp", 0, nullptr, nullptr);
    auto* stop = new T3dBitmapButton(24, 64, "stop", nullptr, "pill.bmp", 0, nullptr, nullptr);
    screenWidth = w;
    screenHeight = h;
    auto* bar = new T3dProgressBar(280, 420, 10, "bar", "cell.bmp");  // 800 x 600 layout
    controlContainer.add(play);
    controlContainer.add(stop);
    controlContainer.add(bar);
    controlContainer.dispatchMouseDown(70, 38, kPrimaryButton);
    controlContainer.dispatchMouseUp(70, 38, kPrimaryButton);
    stop->setEnabled(0);
    bar->setPosition(60);
    controlContainer.drawAll(frame);
    redrawNeeded = false;

    EXPECT_EQ(play->state, 1);
    EXPECT_EQ(pixel(frame, 70, 24), rgb(120, 220, 235)) << "the pressed look";
    EXPECT_EQ(pixel(frame, 70, 64), rgb(110, 110, 110)) << "the disabled look";
    EXPECT_NE(pixel(frame, 25, 25), kGreen) << "round corners let the frame through";

    std::vector<uint32_t> picture = pixelsOf(frame, w, h);
    const std::string path = std::string(VOREL_BIN_DIR) + "/../overlay_demo.png";
    EXPECT_TRUE(platform::ddraw::writePng(path.c_str(), picture.data(), w, h, w * 4));
}

}  // namespace
