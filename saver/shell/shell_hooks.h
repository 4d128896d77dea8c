// What the shell calls in the display layer without depending on it: set by the display code
// when it exists; unset hooks do nothing.
//
// showDesktopSurface: the window was disabled; return the display to the desktop surface
// (IDirectDraw7::FlipToGDISurface) so the desktop's own drawing shows. Full screen only.
#pragma once

namespace shell_hooks {

using Hook = void (*)();
void setShowDesktopSurface(Hook hook);
void showDesktopSurface();

}  // namespace shell_hooks
