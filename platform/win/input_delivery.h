// Inside the window layer: turns what the backend and the input script report into window
// messages (posted, in the order they happened) or into display events (platform/backend/bridge.h).
// Not for use outside platform/win/.
#pragma once

#include "platform/backend/backend.h"
#include "platform/win/scripted_input.h"
#include "platform/win/wintypes.h"

namespace platform::win {

void deliverBackendEvent(const backend::BackendEvent& event);
void deliverScriptedEvent(const ScriptedEvent& event);
// Posts WM_CLOSE to every window of this process that is not the child of another of ours.
// Answers false when there is none.
bool postCloseToTopLevelWindows();

}  // namespace platform::win
