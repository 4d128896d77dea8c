// ShellExecuteA with the "open" verb: a path ending in ".scr" starts that program with "/s"; an
// executable file starts as it is; anything else goes to xdg-open. Programs are started directly
// (fork/exec, never through a shell string) and not waited for. Returns a value above 32 on
// success, 2 (file not found) or another value <= 32 on failure, as Windows does.
#pragma once

#include "platform/win/wintypes.h"

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int showCommand);
