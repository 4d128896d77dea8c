#include "saver/shell/saver_protocol.h"

#include <cstdlib>

#include "platform/win/cursor.h"
#include "platform/win/messages.h"
#include "platform/win/process.h"
#include "platform/win/window.h"

ProtocolState g_protocol;

namespace {

HIMC g_savedInputContext = nullptr;

bool isPreviewWindow(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0; }

LRESULT requestClose(HWND window) {
    g_protocol.closing = true;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

bool ignoredSystemCommand(WPARAM command) {
    WPARAM c = command & 0xFFF0;
    return c == SC_SCREENSAVE || c == SC_NEXTWINDOW || c == SC_PREVWINDOW;
}

// Full screen, before closing: answers true when the message was handled here.
bool fullScreenHandling(HWND window, UINT message, WPARAM wParam, LRESULT* answer) {
    if (messageEndsFullScreenRun(message, wParam)) {
        *answer = requestClose(window);
        return true;
    }
    switch (message) {
        case WM_MOUSEMOVE: {
            POINT now{0, 0};
            GetCursorPos(&now);
            if (wakePointExceeded(g_protocol.wakePoint, now)) {
                g_protocol.wakePoint = now;
                *answer = requestClose(window);
                return true;
            }
            *answer = 0;
            return true;
        }
        case WM_SHOWWINDOW:
            if (wParam) SetCursor(nullptr);
            return false;
        case WM_PAINT:
            SetCursor(nullptr);
            return false;
        case WM_SETCURSOR:
            SetCursor(nullptr);
            *answer = TRUE;
            return true;
        case WM_SYSCOMMAND:
            if (!ignoredSystemCommand(wParam)) return false;
            *answer = FALSE;
            return true;
        default:
            return false;
    }
}

}  // namespace

void resetProtocolState() {
    g_protocol = ProtocolState{};
    g_savedInputContext = nullptr;
}

void protocolWindowCreated(HWND window, bool preview) {
    g_savedInputContext = ImmAssociateContext(window, nullptr);
    if (!preview) ShowCursor(FALSE);
    GetCursorPos(&g_protocol.wakePoint);
}

bool wakePointExceeded(POINT wake, POINT now) {
    return std::abs(now.x - wake.x) + std::abs(now.y - wake.y) > kWakeDistance;
}

bool messageEndsFullScreenRun(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_POWERBROADCAST: return true;
        case WM_ACTIVATEAPP: return wParam == FALSE;
        case WM_POWER: return wParam == PWR_CRITICALRESUME;
        default: return false;
    }
}

LRESULT screenSaverProtocol(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: return FALSE;
        case WM_DESTROY:
            ImmAssociateContext(window, g_savedInputContext);
            PostQuitMessage(0);
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_HELP:
            if (isPreviewWindow(window)) return SendMessageA(GetParent(window), message, wParam, lParam);
            break;
        case WM_CLOSE:
            g_protocol.closing = true;  // a close from outside (window system, signal) is accepted too
            break;
        default: break;
    }
    if (!isPreviewWindow(window) && !g_protocol.closing) {
        LRESULT answer = 0;
        if (fullScreenHandling(window, message, wParam, &answer)) return answer;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
