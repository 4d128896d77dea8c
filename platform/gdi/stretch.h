// Nearest-pixel stretched copy between two pixel views, the heart of StretchBlt and BitBlt.
//
// The destination rectangle (x, y, width, height) receives the source rectangle (srcX, srcY,
// srcWidth, srcHeight); a negative width or height on either side mirrors the picture along that
// axis (the rectangle then extends left of / above its corner). Destination pixel i samples the
// source pixel under its centre: srcX + floor((i + 0.5) * srcWidth / width). Destination pixels
// outside the view, and those whose source pixel lies outside the source view, are left alone.
// Views may share memory (the source is read from a copy then). Both views must be usable.
#pragma once

#include "platform/gdi/pixel_view.h"

namespace platform::gdi {

struct BlitRect {
    int x, y, width, height;
};

void stretchCopy(const PixelView& dst, BlitRect to, const PixelView& src, BlitRect from);

}  // namespace platform::gdi
