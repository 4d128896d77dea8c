// Window timers of the platform layer.
//
// SetTimer(window, id, periodMs, null) makes timer `id` of that window post WM_TIMER (wParam = id)
// through the message queue. Timers fire on the platform's clock tick of 1/64 s, as Windows' default
// timer resolution does: a timer is due at the first tick boundary that is at least `periodMs` after
// its previous firing (or its setting) and later than it, so a 0 ms timer fires at most 64 times a
// second. At most one WM_TIMER per timer is pending; a late timer fires once, not in a burst.
// On the virtual clock (VOREL_TICK_MS, platform/win/clock.h) there is no waiting: a timer is due once
// the virtual tick count has reached its time, delivering WM_TIMER advances the clock by the step,
// and when nothing is due the clock jumps to the next timer or scripted event.
// Setting an existing id again replaces its period. Answers the id (non-zero) or 0 on failure (no
// such window, id 0). Timer procedures are not supported (must be null). KillTimer answers FALSE for
// an unknown timer. Destroying a window kills its timers.
#pragma once

#include "platform/win/wintypes.h"

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
