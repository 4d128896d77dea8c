// Stand-in until the window layer exists: no window has pixels.
#include "platform/win/window_pixels.h"

namespace platform {

bool lockWindowPixels(HWND, WindowPixels*) { return false; }
void unlockWindowPixels(HWND) {}

}  // namespace platform
