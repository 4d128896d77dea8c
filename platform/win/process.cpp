#include "platform/win/process.h"

#include <sys/resource.h>

#include "platform/backend/backend.h"

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL SetPriorityClass(HANDLE, DWORD priorityClass) {
    if (platform::backend::current().headless()) return TRUE;
    int nice = priorityClass == HIGH_PRIORITY_CLASS ? -5 : 0;
    return setpriority(PRIO_PROCESS, 0, nice) == 0 ? TRUE : FALSE;
}

HIMC ImmAssociateContext(HWND, HIMC) { return nullptr; }
