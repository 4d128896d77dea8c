// A view of pixel memory in an RGB format, with colour conversion to and from COLORREF.
//
// The view does not own the memory. Formats are 16, 24 or 32 bits per pixel, little-endian, with
// red, green and blue given by masks (fields wider than 8 bits keep their top 8 bits). Storing a colour
// keeps the high bits of each 8-bit channel (pure colours map to all-ones fields, so they round-trip
// exactly); reading replicates a field's bits to fill 8 bits. Bits outside the colour masks are
// written as 0. get/set take coordinates already checked by the caller (see contains()).
#pragma once

#include <cstdint>

#include "platform/win/wintypes.h"

namespace platform::gdi {

struct ChannelField {
    int shift = 0;  // position of the lowest bit
    int bits = 0;   // width in bits (0: the channel is absent and reads as 0)
    bool operator==(const ChannelField&) const = default;
};

struct PixelFormat {
    int bitsPerPixel = 32;
    ChannelField red, green, blue;

    static PixelFormat fromMasks(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
    uint32_t pack(COLORREF colour) const;
    COLORREF unpack(uint32_t raw) const;
    bool operator==(const PixelFormat&) const = default;
};

// Field of a channel mask: lowest set bit and the span up to the highest set bit.
ChannelField fieldOfMask(uint32_t mask);
// Scales a field value of `bits` width to 8 bits by bit replication (all ones -> 255).
uint8_t expandTo8(uint32_t value, int bits);

struct PixelView {
    uint8_t* base = nullptr;
    int width = 0;
    int height = 0;
    int pitchBytes = 0;
    PixelFormat format;

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* row(int y) const { return base + static_cast<intptr_t>(y) * pitchBytes; }
    uint32_t getRaw(int x, int y) const;
    void setRaw(int x, int y, uint32_t raw) const;
    COLORREF get(int x, int y) const { return format.unpack(getRaw(x, y)); }
    void set(int x, int y, COLORREF colour) const { setRaw(x, y, format.pack(colour)); }
};

// A view is usable when it has memory, a positive size, a pitch that holds a row and a supported
// pixel size.
bool isUsableView(const PixelView& view);

}  // namespace platform::gdi
