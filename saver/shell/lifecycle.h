// The entry points the saver window calls for its create, destroy and timer messages.
//
// startUp: run for the create message; its status is the create message's answer (0 normally; a
// failed start-up destroys the window itself and answers the failure). endRun: run for the destroy
// message, once, also after a failed start-up; it skips whatever does not exist. onTimerTick: one
// frame, run for every timer message; always answers 0.
#pragma once

#include "platform/win/wintypes.h"

HRESULT startUp(HWND window);
void endRun(HWND window);
LRESULT onTimerTick(HWND window);
