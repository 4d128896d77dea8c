// Pixel layouts: masks to shifts, raw pixels to and from 0xAARRGGBB, ordered dithering.
#include "platform/d3d/pixel_format.h"

#include <bit>
#include <initializer_list>

namespace platform::d3d {

ChannelMask channelFromMask(uint32_t mask) {
    ChannelMask c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.bits = std::popcount(mask);
    return c;
}

bool makeLayout(const DDPIXELFORMAT& format, PixelLayout* out) {
    if (!(format.dwFlags & DDPF_RGB)) return false;
    if (format.dwRGBBitCount != 16 && format.dwRGBBitCount != 32) return false;
    PixelLayout layout;
    layout.bytesPerPixel = static_cast<int>(format.dwRGBBitCount / 8);
    layout.r = channelFromMask(format.dwRBitMask);
    layout.g = channelFromMask(format.dwGBitMask);
    layout.b = channelFromMask(format.dwBBitMask);
    if (format.dwFlags & DDPF_ALPHAPIXELS) layout.a = channelFromMask(format.dwRGBAlphaBitMask);
    for (const ChannelMask* c : {&layout.a, &layout.r, &layout.g, &layout.b}) {
        // A mask must be one run of at most 8 bits; anything else is not a format we know.
        if (c->bits > 8) return false;
        if (c->mask != 0 && (c->mask >> c->shift) != (1u << c->bits) - 1u) return false;
    }
    if (layout.r.bits == 0 || layout.g.bits == 0 || layout.b.bits == 0) return false;
    *out = layout;
    return true;
}

bool makeDepthLayout(const DDPIXELFORMAT& format, DepthLayout* out) {
    if (!(format.dwFlags & DDPF_ZBUFFER)) return false;
    DWORD depth = format.dwZBufferBitDepth;
    if (depth != 16 && depth != 32) return false;
    DepthLayout layout;
    layout.bytesPerPixel = static_cast<int>(depth / 8);
    uint32_t zMask = format.dwZBitMask;
    if (zMask == 0) zMask = depth == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    ChannelMask z = channelFromMask(zMask);
    if ((zMask >> z.shift) != (z.bits == 32 ? 0xFFFFFFFFu : (1u << z.bits) - 1u)) return false;
    layout.zMask = zMask;
    layout.zShift = z.shift;
    if (format.dwFlags & DDPF_STENCILBUFFER) {
        ChannelMask s = channelFromMask(format.dwStencilBitMask);
        layout.stencilMask = s.mask;
        layout.stencilShift = s.shift;
    }
    *out = layout;
    return true;
}

namespace {

uint32_t widen(uint32_t raw, const ChannelMask& c, uint32_t absent) {
    if (c.bits == 0) return absent;
    uint32_t v = (raw & c.mask) >> c.shift;
    // Replicate the high bits into the low ones so the channel's maximum becomes 255.
    uint32_t out = v << (8 - c.bits);
    for (int filled = c.bits; filled < 8; filled += c.bits) out |= out >> c.bits;
    return out & 0xFF;
}

uint32_t place(uint32_t value8, const ChannelMask& c, uint32_t threshold) {
    if (c.bits == 0) return 0;
    return (quantizeChannel(value8, c.bits, threshold) << c.shift) & c.mask;
}

uint32_t encodeWith(const PixelLayout& l, uint32_t argb, uint32_t threshold) {
    return place(argb >> 24, l.a, threshold) | place((argb >> 16) & 0xFF, l.r, threshold) |
           place((argb >> 8) & 0xFF, l.g, threshold) | place(argb & 0xFF, l.b, threshold);
}

}  // namespace

uint32_t decodeArgb(const PixelLayout& l, uint32_t raw) {
    return (widen(raw, l.a, 0xFF) << 24) | (widen(raw, l.r, 0) << 16) | (widen(raw, l.g, 0) << 8) |
           widen(raw, l.b, 0);
}

uint32_t quantizeChannel(uint32_t value8, int bits, uint32_t threshold) {
    if (bits >= 8) return value8;
    uint32_t top = (1u << bits) - 1u;
    // floor((v * top + t) / 255): exact at 0 and 255, and with t spread over [0, 255) the average
    // of the quantised values equals the 8-bit value.
    return (value8 * top + threshold) / 255u;
}

uint32_t encodeArgb(const PixelLayout& l, uint32_t argb) { return encodeWith(l, argb, 127); }

uint32_t encodeArgbDithered(const PixelLayout& l, uint32_t argb, int x, int y) {
    return encodeWith(l, argb, ditherThreshold(x, y));
}

}  // namespace platform::d3d
