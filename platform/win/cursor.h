// The mouse cursor.
//
// ShowCursor keeps the Windows display counter (starts at 0; the cursor shows while it is >= 0) and
// answers the new count. SetCursor(null) hides the cursor over this process's windows until a
// non-null cursor is set; it answers the previous cursor. The cursor is hidden on the screen (x11:
// a blank cursor on our windows) while either says so. GetCursorPos gives screen coordinates: the
// pointer on X, the last scripted position on the headless screen (starting at 0,0).
#pragma once

#include "platform/win/wintypes.h"

int ShowCursor(BOOL show);
HCURSOR SetCursor(HCURSOR cursor);
BOOL GetCursorPos(POINT* point);
// Only IDC_ARROW exists.
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(static_cast<uintptr_t>(32512));

namespace platform {
void resetCursor();  // tests
}  // namespace platform
