// The cursor's display counter, the null cursor and the pointer position.
#include "platform/win/cursor.h"

#include "platform/backend/backend.h"

namespace {

int g_showCount = 0;
bool g_nullCursor = false;
HCURSOR g_current = nullptr;

HCURSOR arrow() { return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(32512)); }

void apply() { platform::backend::current().setCursorHidden(g_showCount < 0 || g_nullCursor); }

}  // namespace

int ShowCursor(BOOL show) {
    g_showCount += show ? 1 : -1;
    apply();
    return g_showCount;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = g_current;
    g_current = cursor;
    g_nullCursor = cursor == nullptr;
    apply();
    return previous;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    int x = 0, y = 0;
    if (!platform::backend::current().cursorPosition(&x, &y)) return FALSE;
    *point = POINT{x, y};
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE, const char* name) { return name == IDC_ARROW ? arrow() : nullptr; }

namespace platform {
void resetCursor() {
    g_showCount = 0;
    g_nullCursor = false;
    g_current = nullptr;
}
}  // namespace platform
