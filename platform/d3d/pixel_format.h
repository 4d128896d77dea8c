// Pixel layouts of the surfaces the 3D device reads and writes.
//
// A PixelLayout is worked out once from a DDPIXELFORMAT: bytes per pixel (2 or 4; other depths are
// refused) and, per channel, the shift and bit count of its mask. Colours travel through the
// device as 8-bit channels packed 0xAARRGGBB; decoding widens narrow channels by bit replication
// (5 bits 0x1F -> 0xFF) and a layout without alpha decodes to alpha 0xFF. Encoding rounds to the
// nearest value, or, for dithered writes, adds a 4x4 ordered threshold so flat 8-bit colours keep
// their average on 16-bit targets. Depth layouts describe the z bits (and stencil bits) of a
// z-buffer format. Nothing here allocates or fails except makeLayout/makeDepthLayout (false).
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_formats.h"

namespace platform::d3d {

struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

struct PixelLayout {
    int bytesPerPixel = 0;
    ChannelMask a, r, g, b;
    bool hasAlpha() const { return a.bits > 0; }
};

// False when the format is not a 16- or 32-bit RGB format the device can draw into or sample.
bool makeLayout(const DDPIXELFORMAT& format, PixelLayout* out);

struct DepthLayout {
    int bytesPerPixel = 0;
    uint32_t zMask = 0;        // the depth bits; depth 1.0 is zMask >> zShift
    int zShift = 0;
    uint32_t stencilMask = 0;  // 0 when there is no stencil part
    int stencilShift = 0;
    uint32_t zMax() const { return zMask >> zShift; }
};

// False unless the format is a z-buffer format of 16 or 32 bits per pixel.
bool makeDepthLayout(const DDPIXELFORMAT& format, DepthLayout* out);

ChannelMask channelFromMask(uint32_t mask);

using ddraw::readRaw;
using ddraw::writeRaw;

// Raw pixel value <-> 0xAARRGGBB.
uint32_t decodeArgb(const PixelLayout& layout, uint32_t raw);
uint32_t encodeArgb(const PixelLayout& layout, uint32_t argb);
// As encodeArgb, with the ordered dither threshold of screen position (x, y).
uint32_t encodeArgbDithered(const PixelLayout& layout, uint32_t argb, int x, int y);

// One 8-bit channel value reduced to `bits` bits with a threshold in [0, 255).
uint32_t quantizeChannel(uint32_t value8, int bits, uint32_t threshold);
// The 4x4 ordered-dither threshold of a pixel, in [0, 255).
constexpr uint32_t ditherThreshold(int x, int y) {
    constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<uint32_t>(kBayer[y & 3][x & 3]) * 255u + 127u) / 16u;
}

}  // namespace platform::d3d
