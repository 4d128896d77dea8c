// The screen-saver protocol: the default handling behind the saver's window procedure.
//
// Both modes: window-text changes are ignored; on destroy the input-method context is restored and
// the message loop is told to quit with code 0; help in a preview goes to the parent window.
// Full screen only, and only until closing has been accepted: key, system-key and button presses,
// losing the application's activation, power broadcasts and a critical resume request the end of
// the run (a close message is posted; there is no saver password to verify on Linux, so the
// request is accepted at once); a mouse move that reaches the protocol ends the run when the cursor
// is more than kWakeDistance pixels (|dx| + |dy|) from the wake point; the cursor is hidden on
// show-window, paint and set-cursor; the system commands next/previous window and start screen
// saver are ignored. After closing was accepted, key and button messages take the default path.
// Everything else goes to DefWindowProcA.
#pragma once

#include "platform/win/wintypes.h"

constexpr int kWakeDistance = 4;

struct ProtocolState {
    bool closing = false;
    POINT wakePoint{0, 0};
};

extern ProtocolState g_protocol;
void resetProtocolState();

// At window creation: the input-method context is detached, the cursor hidden (full screen) and
// its screen position recorded as the wake point.
void protocolWindowCreated(HWND window, bool preview);

bool wakePointExceeded(POINT wake, POINT now);
// Whether a message (apart from mouse moves) asks a full-screen run to end.
bool messageEndsFullScreenRun(UINT message, WPARAM wParam);

LRESULT screenSaverProtocol(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
