#include "saver/shell/frame_loop.h"

#include "saver/scene/surface_makers.h"
#include "tests/support/png_pixels.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win/window.h"
#include "saver/shell/lifecycle.h"
#include "saver/shell/shell_state.h"
#include "tests/display/display_fixture.h"

using namespace display_test;
using ddraw_test::g_presented;

namespace {

DWORD g_now = 0;
DWORD testClock() { return g_now; }

int g_sceneCalls = 0;
DWORD g_sceneTime = 0;
IDirect3DDevice7* g_sceneDevice = nullptr;
void recordScene(DWORD timeMs, IDirect3DDevice7* device) {
    ++g_sceneCalls;
    g_sceneTime = timeMs;
    g_sceneDevice = device;
}

class FrameLoop : public DisplaySetup {
protected:
    void SetUp() override {
        DisplaySetup::SetUp();
        resetShellState();
        resetFrameStats();
        g_now = 5000;
        setFrameClock(testClock);
        g_sceneCalls = 0;
        setSceneRenderer(recordScene);
        makeDisplay(640, 480, 32);
        ASSERT_EQ(create3DDevice(), S_OK);
        g_shell.isPreview = false;
        g_shell.renderReady = true;
        g_shell.window = ddraw_test::kWindow;
        presentedBefore = g_presented.count;
    }
    void TearDown() override {
        setSceneRenderer(nullptr);
        setFrameClock(nullptr);
        resetShellState();
        resetFrameStats();
        DisplaySetup::TearDown();
    }
    int framesShown() const { return g_presented.count - presentedBefore; }
    std::string shownRate() const {
        char text[64];
        formatFrameRate(g_frameStats.currentFps, text, sizeof text);
        return text;
    }
    int presentedBefore = 0;
};

TEST_F(FrameLoop, ATickComposesClearsRendersAndPresentsOneFrame) {
    g_now = 7777;
    EXPECT_EQ(onTimerTick(ddraw_test::kWindow), 0);
    EXPECT_EQ(framesShown(), 1);
    EXPECT_EQ(device.clears, 1);
    EXPECT_EQ(device.lastClearFlags, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    EXPECT_EQ(device.lastClearZ, 1.0f);
    EXPECT_EQ(device.begins, 1);
    EXPECT_EQ(device.ends, 1);
    EXPECT_EQ(g_sceneCalls, 1);
    EXPECT_EQ(g_sceneTime, 7777u);
    EXPECT_EQ(g_sceneDevice, &device);
    EXPECT_EQ(g_shell.inputGrace, kInitialInputGrace - 1);
}

TEST_F(FrameLoop, NothingHappensBeforeStartUpCompletedOrWhileTheDisplayIsTaken) {
    g_shell.renderReady = false;
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(framesShown(), 0);
    g_shell.renderReady = true;
    platform::bridge::raise(platform::bridge::DisplayEvent::Taken);
    for (int i = 0; i < 3; ++i) onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(framesShown(), 0);
    EXPECT_EQ(device.clears, 0);
    EXPECT_EQ(g_shell.inputGrace, kInitialInputGrace);
    // Given back: the first present finds the surfaces lost and restores them.
    platform::bridge::raise(platform::bridge::DisplayEvent::Given);
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_display.backBuffer->IsLost(), DD_OK);
    EXPECT_EQ(g_shell.inputGrace, kInitialInputGrace);
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_shell.inputGrace, kInitialInputGrace - 1);
}

TEST_F(FrameLoop, LostSurfacesAreRestoredWithoutCountingTheFrame) {
    g_shell.inputGrace = 10;
    platform::ddraw::markAllSurfacesLost();
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_shell.inputGrace, 10);
    EXPECT_EQ(g_display.primary->IsLost(), DD_OK);
    EXPECT_EQ(framesShown(), 1);  // the restore's black frame
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_shell.inputGrace, 9);
}

TEST_F(FrameLoop, AStillDrawingDisplayIsAskedAgainUntilItTakesTheFrame) {
    platform::ddraw::injectStillDrawing(3);
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(framesShown(), 1);
    EXPECT_EQ(device.clears, 1);
    EXPECT_EQ(g_shell.inputGrace, kInitialInputGrace - 1);
}

TEST_F(FrameLoop, TheGraceCountStopsAtZero) {
    g_shell.inputGrace = 1;
    onTimerTick(ddraw_test::kWindow);
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_shell.inputGrace, 0);
}

TEST_F(FrameLoop, AFailedBeginSceneSkipsTheSceneButStillPresents) {
    device.beginSceneResult = D3DERR_SCENE_IN_SCENE;
    onTimerTick(ddraw_test::kWindow);
    EXPECT_EQ(g_sceneCalls, 0);
    EXPECT_EQ(device.ends, 0);
    EXPECT_EQ(framesShown(), 1);
}

TEST_F(FrameLoop, TheRateShowsZeroUntilTheFirstMeasurementThenTwentyFivePerSecond) {
    g_now = 100000;
    for (int i = 0; i < 24; ++i) composeFrame(ddraw_test::kWindow);
    EXPECT_EQ(shownRate(), " FPS:  0.00");
    EXPECT_EQ(g_frameStats.framesSinceMeasure, 24);
    composeFrame(ddraw_test::kWindow);  // the first measurement spans the time since tick 0
    EXPECT_EQ(g_frameStats.framesSinceMeasure, 0);
    EXPECT_EQ(g_frameStats.lastMeasureTick, 100000u);
    EXPECT_EQ(shownRate(), " FPS:  0.25");
    g_now += 1000;
    for (int i = 0; i < 25; ++i) composeFrame(ddraw_test::kWindow);
    EXPECT_EQ(shownRate(), " FPS:  25.00");
    g_now += 2000;
    for (int i = 0; i < 25; ++i) composeFrame(ddraw_test::kWindow);
    EXPECT_EQ(shownRate(), " FPS:  12.50");
}

TEST_F(FrameLoop, TheRateSurvivesTheTickCountWrappingAndZeroElapsedTime) {
    g_frameStats.lastMeasureTick = 0xFFFFFF00u;
    g_now = 0x000002E8u;  // 1000 ms after the last measurement, across the wrap
    for (int i = 0; i < 25; ++i) composeFrame(ddraw_test::kWindow);
    EXPECT_EQ(shownRate(), " FPS:  25.00");
    for (int i = 0; i < 25; ++i) composeFrame(ddraw_test::kWindow);  // no time passed at all
    EXPECT_EQ(shownRate(), " FPS:  25000.00");
}

LRESULT plainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST_F(FrameLoop, WithoutA3DDeviceTheFirstTickEndsTheRun) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainWindowProc;
    wc.lpszClassName = "FrameLoopTestWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "FrameLoopTestWindow", "t", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_display.device->Release();
    g_display.device = nullptr;
    onTimerTick(window);
    EXPECT_EQ(g_display.directDraw, nullptr);
    EXPECT_EQ(g_display.primary, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(g_shell.renderReady);
}

HWND g_painted = nullptr;
void paintPreview(HWND window) { g_painted = window; }

TEST_F(FrameLoop, APreviewTickOnlyPaintsThePreviewPicture) {
    g_shell.isPreview = true;
    setPreviewPainter(paintPreview);
    onTimerTick(ddraw_test::kWindow);
    setPreviewPainter(nullptr);
    EXPECT_EQ(g_painted, ddraw_test::kWindow);
    EXPECT_EQ(framesShown(), 0);
    EXPECT_EQ(device.clears, 0);
}

}  // namespace

namespace {

// Counts white and black pixels in the top-left 120 x 16 of the last presented frame.
void countTextPixels(int* white, int* black) {
    *white = *black = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = g_presented.pixels[static_cast<size_t>(y) * g_presented.width + x] & 0xFFFFFF;
            if (p == 0xFFFFFF) ++*white;
            if (p == 0) ++*black;
        }
}

TEST_F(FrameLoop, TheRateTextIsDrawnOnlyWhenAskedBlackOnWhiteAtTheTopLeft) {
    g_settings.fpsOn = 0;
    onTimerTick(ddraw_test::kWindow);
    int white = 0, black = 0;
    countTextPixels(&white, &black);
    EXPECT_EQ(white, 0);
    g_settings.fpsOn = 1;
    onTimerTick(ddraw_test::kWindow);
    countTextPixels(&white, &black);
    EXPECT_GT(white, 500);  // the opaque background of " FPS:  0.00"
    EXPECT_GT(black, 40);   // the glyphs
    // Nothing of the text below its line.
    for (int x = 0; x < 120; ++x) EXPECT_EQ(g_presented.pixels[static_cast<size_t>(40) * g_presented.width + x] & 0xFFFFFF, 0u);
}

}  // namespace


#include <filesystem>

namespace {

IDirectDrawSurface7* g_sprite = nullptr;

// A scene that blits a keyed sprite, enlarged four times, into the middle of the back buffer.
void blitSprite(DWORD, IDirect3DDevice7*) {
    RECT to{200, 150, 456, 406};
    g_display.backBuffer->Blt(&to, g_sprite, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
}

// An 64 x 64 sprite: a red ring and a blue dot on pure green, green keyed.
IDirectDrawSurface7* makeSprite() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = desc.dwHeight = 64;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface7* s = nullptr;
    if (g_display.directDraw->CreateSurface(&desc, &s, nullptr) != DD_OK) return nullptr;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int r2 = (x - 32) * (x - 32) + (y - 32) * (y - 32);
            const uint32_t c = r2 < 64 ? 0x2040FF : (r2 > 500 && r2 < 900) ? 0xE02020 : 0x00FF00;
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = c;
        }
    s->Unlock(nullptr);
    setSourceColorKey(s, RGB(0, 255, 0));
    return s;
}

uint32_t pngPixel(const std::string& path, int x, int y, int* width) {
    const PngPixels png = readPngPixels(path);
    if (png.rgb.empty()) return 0xFFFFFFFF;
    *width = png.width;
    return png.at(x, y);
}

TEST_F(FrameLoop, ACapturedFrameShowsTheKeyedBlitAndTheRateText) {
    namespace fs = std::filesystem;
    const char* keep = std::getenv("VOREL_TEST_KEEP_CAPTURE");
    const fs::path folder = keep ? fs::path(keep) : fs::temp_directory_path() / ("vorel_frame_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    setenv("VOREL_CAPTURE", folder.c_str(), 1);
    platform::ddraw::resetFrameOutput();
    g_sprite = makeSprite();
    ASSERT_NE(g_sprite, nullptr);
    setSceneRenderer(blitSprite);
    g_settings.fpsOn = 1;
    onTimerTick(ddraw_test::kWindow);
    unsetenv("VOREL_CAPTURE");
    g_sprite->Release();
    const std::string png = (folder / "frame_000000.png").string();
    int width = 0;
    EXPECT_EQ(pngPixel(png, 328, 278, &width), 0x2040FFu);  // the dot, in the middle
    EXPECT_EQ(width, 640);
    EXPECT_EQ(pngPixel(png, 328, 278 - 4 * 26, &width), 0xE02020u);  // the ring
    EXPECT_EQ(pngPixel(png, 204, 154, &width), 0x000000u);           // keyed green: the black behind
    EXPECT_EQ(pngPixel(png, 1, 1, &width), 0xFFFFFFu);               // the text's background
    if (!keep) fs::remove_all(folder);
}

}  // namespace
