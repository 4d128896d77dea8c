// Pixel operations behind Blt and BltFast: rectangle fill and the nearest-neighbour stretched copy
// with optional source colour key and OR raster operation.
//
// Rectangles are RECTs in pixels (right and bottom exclusive) and must already lie inside their
// views; the caller checks them. A source pixel whose raw value lies in [keyLow, keyHigh] is not
// copied. When the formats differ, pixels go through 8-bit ARGB; the key is still compared with
// the raw source value. Source and destination memory must not overlap (copy the source first).
#pragma once

#include <cstdint>

#include "platform/ddraw/pixel_formats.h"
#include "platform/win/wintypes.h"

namespace platform::ddraw {

struct PixelView {
    uint8_t* base = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row
    PixelLayout layout;
    bool sameFormatAsOther = true;  // set by the caller for copies: raw pixels need no conversion
};

struct CopyOptions {
    bool keyed = false;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
    bool orOperation = false;  // SRCPAINT: destination = destination OR source
};

void fillRect(const PixelView& dest, const RECT& rect, uint32_t raw);
void stretchCopy(const PixelView& dest, const RECT& destRect, const PixelView& source, const RECT& sourceRect,
                 const CopyOptions& options);

// True when rect is non-empty and lies inside a width x height surface.
bool rectInside(const RECT& rect, int width, int height);

}  // namespace platform::ddraw
