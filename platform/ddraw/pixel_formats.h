// Pixel formats of the DirectDraw layer and conversions between raw pixels and 8-bit ARGB.
//
// Formats offered: R5G6B5 (16 bits) and X8R8G8B8 (32 bits) for displays and plain surfaces,
// A8R8G8B8 (32) and A4R4G4B4 (16) for textures with alpha, and the z formats Z16, Z32 and Z24S8
// (24-bit depth with an 8-bit stencil in the top byte). A PixelLayout is the decoded form of a
// colour DDPIXELFORMAT: bytes per pixel and the shift/width of each channel. Raw pixels are the
// little-endian values stored in surface memory (16 or 32 bits). Channels narrower than 8 bits are
// widened by bit replication (0x1F -> 0xFF), so pure colours survive a round trip. Nothing here
// allocates or fails except describeLayout, which returns false for a format it cannot handle.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/ddraw/ddraw.h"

namespace platform::ddraw {

// A colour format from its bit count and channel masks (alpha flagged when its mask is not 0).
DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a);

DDPIXELFORMAT formatR5G6B5();
DDPIXELFORMAT formatX8R8G8B8();
DDPIXELFORMAT formatA8R8G8B8();
DDPIXELFORMAT formatA4R4G4B4();
DDPIXELFORMAT formatZ16();
DDPIXELFORMAT formatZ32();
DDPIXELFORMAT formatZ24S8();

// The display format for a depth of 16 or 32 bits per pixel (anything else: X8R8G8B8).
DDPIXELFORMAT displayFormatForBits(int bits);

struct ChannelLayout {
    uint32_t mask = 0;
    int shift = 0;  // position of the lowest bit
    int width = 0;  // number of bits
};

struct PixelLayout {
    int bytesPerPixel = 4;
    ChannelLayout red, green, blue, alpha;  // alpha.width 0 when the format has no alpha
};

// True for the colour formats this layer stores (16 or 32 bits, RGB, contiguous masks) and for
// the z formats (then only bytesPerPixel is meaningful).
bool describeLayout(const DDPIXELFORMAT& format, PixelLayout* out);
bool isZBufferFormat(const DDPIXELFORMAT& format);
// Same bit count and the same masks.
bool sameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b);

// Raw pixel <-> 0xAARRGGBB. A format without alpha reads as opaque (alpha 0xFF).
uint32_t rawToArgb(const PixelLayout& layout, uint32_t raw);
uint32_t argbToRaw(const PixelLayout& layout, uint32_t argb);

// A pixel of 2 or 4 bytes at p, zero-extended, and its store (the low bytes of raw). Inline: the
// span routines read and write single pixels with them on their hot paths.
inline uint32_t readRaw(const uint8_t* p, int bytesPerPixel) {
    if (bytesPerPixel == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void writeRaw(uint8_t* p, int bytesPerPixel, uint32_t raw) {
    if (bytesPerPixel == 2) {
        const uint16_t v = static_cast<uint16_t>(raw);
        std::memcpy(p, &v, 2);
    } else {
        std::memcpy(p, &raw, 4);
    }
}

}  // namespace platform::ddraw
