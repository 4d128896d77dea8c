#include "platform/ddraw/pixel_formats.h"

#include <bit>
#include <cstring>

namespace platform::ddraw {

DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
    f.dwRGBBitCount = bits;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    f.dwRGBAlphaBitMask = a;
    return f;
}

namespace {

DDPIXELFORMAT zFormat(DWORD bits, DWORD zMask, DWORD stencilBits, DWORD stencilMask) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = DDPF_ZBUFFER | (stencilBits ? DDPF_STENCILBUFFER : 0);
    f.dwZBufferBitDepth = bits;
    f.dwStencilBitDepth = stencilBits;
    f.dwZBitMask = zMask;
    f.dwStencilBitMask = stencilMask;
    return f;
}

// A mask must be one run of set bits; an empty mask is a missing channel.
bool decodeChannel(uint32_t mask, ChannelLayout* out) {
    out->mask = mask;
    if (mask == 0) {
        out->shift = 0;
        out->width = 0;
        return true;
    }
    out->shift = std::countr_zero(mask);
    out->width = std::popcount(mask);
    const uint64_t run = ((uint64_t{1} << out->width) - 1) << out->shift;
    return run == mask;
}

// Widens a channel value of `width` bits to 8 bits by repeating its bits.
uint32_t widen(uint32_t v, int width) {
    if (width >= 8) return v >> (width - 8);
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << width) | v;
        filled += width;
    }
    return out >> (filled - 8);
}

uint32_t extract(const ChannelLayout& c, uint32_t raw) {
    if (c.width == 0) return 0;
    return widen((raw & c.mask) >> c.shift, c.width);
}

uint32_t insert(const ChannelLayout& c, uint32_t value8) {
    if (c.width == 0) return 0;
    const uint32_t v = c.width >= 8 ? value8 << (c.width - 8) : value8 >> (8 - c.width);
    return (v << c.shift) & c.mask;
}

}  // namespace

DDPIXELFORMAT formatR5G6B5() { return rgbFormat(16, 0xF800, 0x07E0, 0x001F, 0); }
DDPIXELFORMAT formatX8R8G8B8() { return rgbFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0); }
DDPIXELFORMAT formatA8R8G8B8() { return rgbFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000); }
DDPIXELFORMAT formatA4R4G4B4() { return rgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000); }
DDPIXELFORMAT formatZ16() { return zFormat(16, 0xFFFF, 0, 0); }
DDPIXELFORMAT formatZ32() { return zFormat(32, 0xFFFFFFFF, 0, 0); }
DDPIXELFORMAT formatZ24S8() { return zFormat(32, 0x00FFFFFF, 8, 0xFF000000); }

DDPIXELFORMAT displayFormatForBits(int bits) { return bits == 16 ? formatR5G6B5() : formatX8R8G8B8(); }

bool isZBufferFormat(const DDPIXELFORMAT& format) { return (format.dwFlags & DDPF_ZBUFFER) != 0; }

bool describeLayout(const DDPIXELFORMAT& format, PixelLayout* out) {
    PixelLayout layout;
    if (isZBufferFormat(format)) {
        if (format.dwZBufferBitDepth != 16 && format.dwZBufferBitDepth != 32) return false;
        layout.bytesPerPixel = static_cast<int>(format.dwZBufferBitDepth / 8);
        *out = layout;
        return true;
    }
    if (!(format.dwFlags & DDPF_RGB)) return false;
    if (format.dwFlags & (DDPF_FOURCC | DDPF_PALETTEINDEXED8 | DDPF_LUMINANCE | DDPF_BUMPDUDV)) return false;
    if (format.dwRGBBitCount != 16 && format.dwRGBBitCount != 32) return false;
    layout.bytesPerPixel = static_cast<int>(format.dwRGBBitCount / 8);
    const uint32_t alphaMask = (format.dwFlags & DDPF_ALPHAPIXELS) ? format.dwRGBAlphaBitMask : 0;
    const bool ok = decodeChannel(format.dwRBitMask, &layout.red) && decodeChannel(format.dwGBitMask, &layout.green) &&
                    decodeChannel(format.dwBBitMask, &layout.blue) && decodeChannel(alphaMask, &layout.alpha);
    if (!ok || layout.red.width == 0 || layout.green.width == 0 || layout.blue.width == 0) return false;
    const uint64_t limit = uint64_t{1} << format.dwRGBBitCount;
    const uint64_t all = uint64_t{format.dwRBitMask} | format.dwGBitMask | format.dwBBitMask | alphaMask;
    if (all >= limit) return false;
    *out = layout;
    return true;
}

bool sameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    const DWORD flagsOfInterest = DDPF_RGB | DDPF_ALPHAPIXELS | DDPF_ZBUFFER | DDPF_STENCILBUFFER;
    return (a.dwFlags & flagsOfInterest) == (b.dwFlags & flagsOfInterest) && a.dwRGBBitCount == b.dwRGBBitCount &&
           a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask && a.dwBBitMask == b.dwBBitMask &&
           a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

uint32_t rawToArgb(const PixelLayout& layout, uint32_t raw) {
    const uint32_t a = layout.alpha.width ? extract(layout.alpha, raw) : 0xFF;
    return (a << 24) | (extract(layout.red, raw) << 16) | (extract(layout.green, raw) << 8) | extract(layout.blue, raw);
}

uint32_t argbToRaw(const PixelLayout& layout, uint32_t argb) {
    return insert(layout.alpha, argb >> 24) | insert(layout.red, (argb >> 16) & 0xFF) |
           insert(layout.green, (argb >> 8) & 0xFF) | insert(layout.blue, argb & 0xFF);
}

}  // namespace platform::ddraw
