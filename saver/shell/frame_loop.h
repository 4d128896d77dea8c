// The frame loop: one frame per tick of the saver window's timer 1 (onTimerTick, lifecycle.h).
//
// A tick does nothing until the start-up completed (renderReady); a preview tick paints the preview
// picture; a full-screen tick checks that the display is still the saver's, composes the frame into
// the back buffer and flips it: lost surfaces are restored (and the tick ends without counting the
// frame against inputGrace), a flip that finds the display still drawing is tried again, any other
// failure ends the tick. A run whose 3D device could not be made ends at its first tick: the display
// is released and the window destroyed, as when the presentation fails.
//
// composeFrame: counts the frame for the rate measurement (every 25 frames: 25000 / elapsed ms),
// clears target and depth, lets the scene render inside a begin/end-scene bracket (skipped when the
// scene cannot begin), draws the on-screen controls, and writes " FPS:  %.2f" at (0, 0) with the
// default font when fpsOn is set. Time is GetTickCount unless a test replaces the clock.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

struct FrameStats {
    int32_t framesSinceMeasure = 0;
    uint32_t lastMeasureTick = 0;
    float currentFps = 0.0f;
};

extern FrameStats g_frameStats;
void resetFrameStats();

// The scene's drawing for one frame (Scene::renderFrame), given the time in ms and the device.
using SceneRenderer = void (*)(DWORD timeMs, IDirect3DDevice7* device);
void setSceneRenderer(SceneRenderer renderer);

// Paints the preview picture into the preview window (every preview tick).
using PreviewPainter = void (*)(HWND window);
void setPreviewPainter(PreviewPainter painter);

// The millisecond clock of the frame loop (GetTickCount; null goes back to it).
using FrameClock = DWORD (*)();
void setFrameClock(FrameClock clock);

void composeFrame(HWND window);

// The frame-rate text for a rate, as drawn: " FPS:  %.2f".
void formatFrameRate(float fps, char* out, int size);
