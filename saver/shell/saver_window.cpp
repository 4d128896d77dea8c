#include "saver/shell/saver_window.h"

#include <csignal>

#include "platform/win/clock.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"
#include "platform/win/system_metrics.h"
#include "platform/win/window.h"
#include "saver/shell/lifecycle.h"
#include "saver/shell/mouse_filter.h"
#include "saver/shell/saver_protocol.h"
#include "saver/shell/shell_hooks.h"
#include "saver/shell/shell_state.h"

namespace {

// Whether start-up left the saver ready to render: enabling the window again only resumes then.
bool g_startUpCompleted = false;

// Any non-null brush is the window layer's black background.
HBRUSH blackBackground() { return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(4)); }

LRESULT onCreate(HWND window) {
    bool preview = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    protocolWindowCreated(window, preview);
    HRESULT status = startUp(window);
    g_startUpCompleted = g_shell.renderReady;
    return status;
}

LRESULT onEnable(HWND window, bool enabled) {
    if (enabled) {
        g_shell.renderReady = g_startUpCompleted;
        return 0;
    }
    g_shell.renderReady = false;
    if (!g_shell.isPreview) shell_hooks::showDesktopSurface();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    return 0;
}

void paintBlack(HWND window) {
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    platform::paintWindowRect(window, ps.rcPaint, RGB(0, 0, 0));
    EndPaint(window, &ps);
}

void catchTerminationSignals() {
    static const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    platform::closeWindowsOnSignals(kSignals, 3);
}

// The window is gone or never came: the loop still delivers a quit that start-up may have posted.
int exitWithoutWindow() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return static_cast<int>(static_cast<intptr_t>(msg.wParam));
        DispatchMessageA(&msg);
    }
    return -1;
}

}  // namespace

bool registerSaverClass() {
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = saverWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = blackBackground();
    wc.lpszClassName = kSaverClassName;
    return RegisterClassA(&wc) != 0;
}

LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return onCreate(window);
        case WM_DESTROY: {
            LRESULT answer = screenSaverProtocol(window, message, wParam, lParam);
            endRun(window);
            return answer;
        }
        case WM_ENABLE: return onEnable(window, wParam != 0);
        case WM_PAINT:
            if (!g_shell.renderReady) paintBlack(window);
            break;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (g_protocol.closing) return 0;
            Sleep(0);
            return onTimerTick(window);
        case WM_MOUSEMOVE:
            if (filterMouseMove(g_shell, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) == MouseVerdict::Swallowed)
                return 0;
            break;
        default: break;
    }
    return screenSaverProtocol(window, message, wParam, lParam);
}

int runMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (got < 0) return -1;
    return static_cast<int>(static_cast<intptr_t>(msg.wParam));
}

int runFullScreen() {
    if (HWND running = FindWindowA(kSaverClassName, kFullScreenTitle)) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!registerSaverClass()) return -1;
    catchTerminationSignals();
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kSaverClassName, kFullScreenTitle,
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return exitWithoutWindow();
    SetForegroundWindow(window);
    return runMessageLoop();
}

int runPreview(HWND parent) {
    RECT client{0, 0, 0, 0};
    if (!GetClientRect(parent, &client)) return -1;
    if (!registerSaverClass()) return -1;
    catchTerminationSignals();
    HWND window = CreateWindowExA(0, kSaverClassName, kPreviewTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  client.right - client.left, client.bottom - client.top, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return exitWithoutWindow();
    return runMessageLoop();
}

void resetSaverWindow() { g_startUpCompleted = false; }
