// The display modes the layer offers for a desktop of a given size: the standard sizes 640x480 …
// 3840x2160 whose sides both fit the desktop, plus the desktop's own size, each at 16 and 32 bits
// per pixel, ordered by width, then height, then depth. Pure function of its arguments.
#pragma once

#include <vector>

namespace platform::ddraw {

struct ModeSize {
    int width;
    int height;
    int bits;
};

std::vector<ModeSize> displayModesFor(int desktopWidth, int desktopHeight);

}  // namespace platform::ddraw
