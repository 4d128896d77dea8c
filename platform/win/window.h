// Window classes and windows of the platform layer.
//
// Windows of this process live in the backend (an X window, or a record of the headless screen);
// a window handle is the backend's window number (platform/win/wintypes.h handleFromNumber), so a
// handle given on the command line names the same window. Handles of other programs' windows are
// windows too (IsWindow, GetClientRect, SetForegroundWindow, FindWindowA work on them) but have no
// window procedure here.
//
// What exists: popup windows (WS_POPUP, placed where asked; full screen when the rectangle covers
// the desktop) and child windows of any window (WS_CHILD with a parent handle). Window text,
// enabling (WM_ENABLE), showing (WM_SHOWWINDOW at creation when WS_VISIBLE), destruction (WM_DESTROY
// then WM_NCDESTROY, children destroyed after their parent's WM_DESTROY), the class background
// brush (null erases nothing; any other brush erases black, the only background the programs use).
// CreateWindowExA sends WM_CREATE with a CREATESTRUCTA in LPARAM; an answer of -1, or a window that
// destroyed itself during WM_CREATE, makes it return null. What is not implemented: menus, icons
// (hIcon is kept, never drawn), window moving and resizing after creation, owned-window
// relations beyond the parent.
// Failures answer the Windows way: null handle, FALSE, 0.
#pragma once

#include "platform/win/wintypes.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using ATOM = WORD;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;

constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000u;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008u;

constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;

struct WNDCLASSA {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
};

struct CREATESTRUCTA {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    const char* lpszName;
    const char* lpszClass;
    DWORD dwExStyle;
};

// Registering a class name twice fails (answer 0).
ATOM RegisterClassA(const WNDCLASSA* wc);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

BOOL IsWindow(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
// Sends WM_ENABLE when the state changes. Answers TRUE when the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
HWND GetParent(HWND hwnd);
LONG GetWindowLongA(HWND hwnd, int index);
BOOL GetClientRect(HWND hwnd, RECT* rect);
// Top-level windows (of any program on the same display) with that class and title; null ones match
// anything. Null when none.
HWND FindWindowA(const char* className, const char* title);
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HINSTANCE GetModuleHandleA(const char* name);

namespace platform {

// The handles of this process's windows, oldest first (tests, the signal close path).
int ownWindows(HWND* out, int capacity);

// Destroys every window and forgets every class (tests).
void resetWindows();

}  // namespace platform
