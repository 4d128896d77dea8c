// The saver window: its class, the full-screen and preview windows, the program's window procedure
// and the message loop.
//
// Class "WindowsScreenSaverClass" (redraw on resize, double clicks, own device context, black
// background). Full screen: title "Screen Saver", topmost popup covering the desktop; only one
// runs: when a window of the class with that title exists, it is brought to the foreground and the
// new process ends with 0. Preview: title "Preview", a child at (0, 0) filling the parent's client
// area. The window procedure handles, in this order: create, destroy, enable, paint, erase
// background, timer, mouse move (the mouse filter); everything else, and what "passes on", goes to
// the screen-saver protocol (saver_protocol.h). Termination signals (SIGTERM, SIGINT, SIGHUP) close
// the window through the same path as user input. Run functions answer the process exit code: the
// quit message's code, or -1 when no window could be made.
#pragma once

#include "platform/win/wintypes.h"

constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
constexpr const char* kFullScreenTitle = "Screen Saver";
constexpr const char* kPreviewTitle = "Preview";

bool registerSaverClass();
LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int runFullScreen();
int runPreview(HWND parent);
int runMessageLoop();

// Forgets whether the start-up completed (tests).
void resetSaverWindow();
