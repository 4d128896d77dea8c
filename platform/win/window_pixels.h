// The pixels of a window, for drawing into windows with GDI (the preview picture, painting black).
//
// lockWindowPixels gives the window's client-area backing store as 32-bit X8R8G8B8 pixels (pitch in
// bytes); unlockWindowPixels hands it back and shows what was drawn. Returns false for a handle that
// is not a window of this process. Single-threaded.
#pragma once

#include <cstdint>

#include "platform/win/wintypes.h"

namespace platform {

struct WindowPixels {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchBytes = 0;
};

bool lockWindowPixels(HWND window, WindowPixels* out);
void unlockWindowPixels(HWND window);

}  // namespace platform
