// Start-up and end of the run, until the display and the scene exist: a full-screen run shows its
// black window and ticks; a preview stays black.
#include "platform/win/process.h"
#include "platform/win/timers.h"
#include "platform/win/window.h"
#include "saver/shell/lifecycle.h"
#include "saver/shell/shell_state.h"

HRESULT startUp(HWND window) {
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    g_shell.isPreview = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    g_shell.window = window;
    if (g_shell.isPreview) return S_OK;
    g_shell.renderReady = true;
    g_shell.frameTimerId = SetTimer(window, 1, 0, nullptr);
    return S_OK;
}

void endRun(HWND window) {
    if (g_shell.frameTimerId) KillTimer(window, 1);
    g_shell.frameTimerId = 0;
}
