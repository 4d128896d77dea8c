// ShellState: the saver's one process-wide record of the run (window, preview or full screen,
// readiness, input grace, last mouse position, mode in use, archive, preview picture, timer).
//
// Created before the window with the initial values below and living until the process ends.
// `archive` and `previewLogo` are owned here: the end of the run deletes them (lifecycle.h).
// The protocol's own state (closing, wake point) lives in saver_protocol.h. Single-threaded.
#pragma once

#include "platform/win/wintypes.h"

class Archive;

// Large mouse jumps swallowed (and full-screen frames presented) before a jump may end the run.
constexpr int32_t kInitialInputGrace = 500;

struct ShellState {
    bool isPreview = true;
    bool renderReady = false;
    HWND window = nullptr;
    int32_t inputGrace = kInitialInputGrace;
    int32_t lastMouseX = 0;
    int32_t lastMouseY = 0;
    int32_t screenWidth = 800;
    int32_t screenHeight = 600;
    int32_t screenBits = 32;
    Archive* archive = nullptr;
    HBITMAP previewLogo = nullptr;
    UINT_PTR frameTimerId = 0;
};

extern ShellState g_shell;

// Back to the initial values (tests). Does not delete what the record points to.
void resetShellState();
