// Process-wide calls the saver makes that have little or nothing to do on Linux.
//
// SetPriorityClass: HIGH_PRIORITY_CLASS asks for a raised scheduling priority (nice -5) on a real
// display; best effort: answers FALSE when it could not, and the caller goes on. On the headless
// screen (tests and capture, nothing to keep smooth) it changes nothing and answers TRUE.
// ImmAssociateContext: there is no input-method context to detach on Linux; it answers null and
// changes nothing.
#pragma once

#include "platform/win/wintypes.h"

using HIMC = struct HIMC__*;

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;

HANDLE GetCurrentProcess();
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
HIMC ImmAssociateContext(HWND hwnd, HIMC context);
