// Stand-in until the platform's shell open exists: nothing is started.
#include "platform/win/shell_open.h"

HINSTANCE ShellExecuteA(HWND, const char*, const char*, const char*, const char*, int) {
    return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(2));
}
