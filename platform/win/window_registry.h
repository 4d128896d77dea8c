// Inside the window layer: the records of this process's windows and classes.
//
// A record lives from CreateWindowExA until its WM_NCDESTROY has been sent. Pointers to records
// stay valid until the window is destroyed; code that sends messages looks the window up again
// afterwards, because a window procedure may destroy its own window. Not for use outside
// platform/win/.
#pragma once

#include <string>
#include <vector>

#include "platform/win/window.h"

namespace platform::win {

struct WindowRecord {
    HWND handle = nullptr;
    WNDPROC proc = nullptr;
    std::string className;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;      // may be another program's window
    HBRUSH background = nullptr;
    int screenX = 0, screenY = 0;  // client origin on the screen
    int width = 0, height = 0;     // client size
    bool enabled = true;
    bool destroying = false;
    bool invalid = false;
    bool erasePending = false;
    RECT invalidRect{0, 0, 0, 0};
    std::vector<uint32_t> pixels;  // client-area backing store, X8R8G8B8, width * height
};

WindowRecord* findRecord(HWND hwnd);
// Oldest first.
std::vector<HWND> allHandles();
// The window that receives keyboard and scripted input: the newest window of this process.
HWND inputWindow();
// The class's procedure, or null.
const WNDCLASSA* findClass(const std::string& name);

struct CreateRequest {
    DWORD exStyle;
    const char* className;
    const char* title;
    DWORD style;
    int x, y, width, height;
    HWND parent;
};
// Makes the backend window and its record; sends nothing.
HWND createWindow(const CreateRequest& req);
// WM_DESTROY, children, WM_NCDESTROY, timers, backend window (unless it is already gone), record.
bool destroyWindow(HWND hwnd, bool nativeGone);
LRESULT defaultHandling(HWND hwnd, UINT message, WPARAM wParam);
void resetAll();

// Timers (timers.cpp).
void forgetTimersOf(HWND hwnd);
void resetTimers();

}  // namespace platform::win
