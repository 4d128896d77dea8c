// One frame per timer tick: ownership test, composition, flip and recovery from lost surfaces.
#include "saver/shell/frame_loop.h"

#include <cstdio>
#include <cstring>

#include "common/settings.h"
#include "platform/gdi/gdi.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/overlay/t3d_control.h"
#include "saver/shell/lifecycle.h"
#include "saver/shell/shell_state.h"

FrameStats g_frameStats;

namespace {

SceneRenderer g_renderer = nullptr;
PreviewPainter g_previewPainter = nullptr;
FrameClock g_clock = GetTickCount;

void measureFrameRate() {
    if (++g_frameStats.framesSinceMeasure < 25) return;
    const DWORD now = g_clock();
    uint32_t elapsed = now - g_frameStats.lastMeasureTick;  // wraps like the tick count
    if (elapsed == 0) elapsed = 1;                          // 25 frames within one ms: no division by 0
    g_frameStats.currentFps = 25000.0f / static_cast<float>(elapsed);
    g_frameStats.lastMeasureTick = now;
    g_frameStats.framesSinceMeasure = 0;
}

void renderScene(IDirect3DDevice7* device) {
    const DWORD timeMs = g_clock();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    if (FAILED(device->BeginScene())) return;
    if (g_renderer) g_renderer(timeMs, device);
    device->EndScene();
}

void drawFrameRateText(IDirectDrawSurface7* backBuffer) {
    HDC dc = nullptr;
    if (FAILED(backBuffer->GetDC(&dc)) || !dc) return;
    char text[64];
    formatFrameRate(g_frameStats.currentFps, text, sizeof text);
    TextOutA(dc, 0, 0, text, static_cast<int>(std::strlen(text)));
    backBuffer->ReleaseDC(dc);
}

// Flips until the display takes the frame; true when it was presented.
bool present() {
    for (;;) {
        const HRESULT hr = g_display.primary->Flip(nullptr, 0);
        if (hr == DDERR_WASSTILLDRAWING) continue;
        if (hr == DDERR_SURFACELOST) {
            restoreAfterLoss();  // on failure the next tick tries again
            return false;
        }
        return SUCCEEDED(hr);
    }
}

}  // namespace

void resetFrameStats() { g_frameStats = FrameStats{}; }
void setSceneRenderer(SceneRenderer renderer) { g_renderer = renderer; }
void setPreviewPainter(PreviewPainter painter) { g_previewPainter = painter; }
void setFrameClock(FrameClock clock) { g_clock = clock ? clock : GetTickCount; }

void formatFrameRate(float fps, char* out, int size) {
    std::snprintf(out, static_cast<size_t>(size), " FPS:  %.2f", static_cast<double>(fps));
}

void composeFrame(HWND) {
    measureFrameRate();
    renderScene(g_display.device);
    controlContainer.drawAll(g_display.backBuffer);
    redrawNeeded = false;
    if (g_settings.fpsOn) drawFrameRateText(g_display.backBuffer);
}

LRESULT onTimerTick(HWND window) {
    if (!g_shell.renderReady) return 0;
    if (g_shell.isPreview) {
        if (g_previewPainter) g_previewPainter(window);
        return 0;
    }
    if (!g_display.directDraw || !g_display.primary || !g_display.backBuffer) return 0;
    if (!g_display.device) {
        // Without a 3D device no frame can be drawn: the run ends as a failed presentation does.
        g_shell.renderReady = false;
        releaseDisplay(window);
        DestroyWindow(window);
        return 0;
    }
    if (FAILED(g_display.directDraw->TestCooperativeLevel())) return 0;
    composeFrame(window);
    if (present() && g_shell.inputGrace > 0) --g_shell.inputGrace;
    return 0;
}
