// Window messages and the message queue of the platform layer.
//
// One queue per process (the programs have one UI thread). GetMessageA returns, in this order:
// posted messages (PostMessageA, input from the backend and from VOREL_INPUT, the close request of
// a caught termination signal), WM_QUIT once PostQuitMessage was called, WM_PAINT for a window with
// an invalid region, and WM_TIMER for a due timer (platform/win/timers.h); otherwise it waits.
// GetMessageA answers 0 for WM_QUIT (msg.wParam carries the exit code), 1 otherwise, and -1 when it
// can never return anything (no window, no timer, no pending input, nothing that could wake it: the
// caller would wait forever). PeekMessageA never waits.
// SendMessageA calls the window procedure directly. Messages to windows that no longer exist are
// dropped. Input messages carry client coordinates in LPARAM (x low word, y high word, signed).
// Keys are Windows virtual-key codes.
#pragma once

#include "platform/win/wintypes.h"

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_POWERBROADCAST = 0x0218;
constexpr UINT WM_POWER = 0x0048;
constexpr UINT WM_USER = 0x0400;

// WM_POWER's critical-resume announcement.
constexpr WPARAM PWR_CRITICALRESUME = 3;

// WM_SYSCOMMAND values (the low four bits are the system's own and are masked off).
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_NEXTWINDOW = 0xF040;
constexpr WPARAM SC_PREVWINDOW = 0xF050;
constexpr WPARAM SC_CLOSE = 0xF060;

// Virtual keys the layer produces by name; any other key keeps its Windows code.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_F1 = 0x70;
constexpr WPARAM VK_F10 = 0x79;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt{0, 0};
};

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr LPARAM MAKELPARAM(int low, int high) {
    return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(low)) |
                               (static_cast<DWORD>(static_cast<WORD>(high)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(static_cast<WORD>(lp & 0xFFFF)); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<int16_t>(static_cast<WORD>((lp >> 16) & 0xFFFF)); }

// hwnd and the filter range are accepted for the Windows signature; the layer does not filter.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

namespace platform {

// Catches the given signals (SIGTERM, SIGINT, SIGHUP, ...) for the rest of the process: each one
// that arrives becomes a WM_CLOSE posted to every top-level window of this process, so a run
// stopped from outside still ends through its normal close path.
void closeWindowsOnSignals(const int* signals, int count);

// Forgets the queue, the quit request and pending signals (tests).
void resetMessageQueue();

}  // namespace platform
