// Colour conversion between COLORREF and raw pixels, and pixel access on a view.
#include "platform/gdi/pixel_view.h"

#include <bit>
#include <cstring>

namespace platform::gdi {

ChannelField fieldOfMask(uint32_t mask) {
    if (mask == 0) return {};
    int low = std::countr_zero(mask);
    int high = 31 - std::countl_zero(mask);
    return {low, high - low + 1};
}

uint8_t expandTo8(uint32_t value, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
    uint32_t result = 0;
    int filled = 0;
    while (filled < 8) {  // repeat the field's bits from the top down
        result = (result << bits) | value;
        filled += bits;
    }
    return static_cast<uint8_t>(result >> (filled - 8));
}

namespace {

uint32_t packChannel(uint8_t value, ChannelField field) {
    if (field.bits <= 0) return 0;
    uint64_t v;
    if (field.bits <= 8) {
        v = value >> (8 - field.bits);
    } else {
        uint64_t maxValue = (field.bits >= 32) ? 0xFFFFFFFFull : ((1ull << field.bits) - 1);
        v = (value * maxValue + 127) / 255;
    }
    return static_cast<uint32_t>(v << field.shift);
}

uint8_t unpackChannel(uint32_t raw, ChannelField field) {
    if (field.bits <= 0) return 0;
    uint64_t mask = (field.bits >= 32) ? 0xFFFFFFFFull : ((1ull << field.bits) - 1);
    return expandTo8(static_cast<uint32_t>((raw >> field.shift) & mask), field.bits);
}

}  // namespace

PixelFormat PixelFormat::fromMasks(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    PixelFormat f;
    f.bitsPerPixel = bitsPerPixel;
    f.red = fieldOfMask(redMask);
    f.green = fieldOfMask(greenMask);
    f.blue = fieldOfMask(blueMask);
    return f;
}

uint32_t PixelFormat::pack(COLORREF colour) const {
    return packChannel(GetRValue(colour), red) | packChannel(GetGValue(colour), green) |
           packChannel(GetBValue(colour), blue);
}

COLORREF PixelFormat::unpack(uint32_t raw) const {
    return RGB(unpackChannel(raw, red), unpackChannel(raw, green), unpackChannel(raw, blue));
}

uint32_t PixelView::getRaw(int x, int y) const {
    const uint8_t* p = row(y);
    switch (format.bitsPerPixel) {
        case 16: {
            uint16_t v;
            std::memcpy(&v, p + x * 2, 2);
            return v;
        }
        case 24: {
            const uint8_t* q = p + x * 3;
            return q[0] | (q[1] << 8) | (static_cast<uint32_t>(q[2]) << 16);
        }
        default: {
            uint32_t v;
            std::memcpy(&v, p + x * 4, 4);
            return v;
        }
    }
}

void PixelView::setRaw(int x, int y, uint32_t raw) const {
    uint8_t* p = row(y);
    switch (format.bitsPerPixel) {
        case 16: {
            uint16_t v = static_cast<uint16_t>(raw);
            std::memcpy(p + x * 2, &v, 2);
            break;
        }
        case 24: {
            uint8_t* q = p + x * 3;
            q[0] = static_cast<uint8_t>(raw);
            q[1] = static_cast<uint8_t>(raw >> 8);
            q[2] = static_cast<uint8_t>(raw >> 16);
            break;
        }
        default:
            std::memcpy(p + x * 4, &raw, 4);
            break;
    }
}

bool isUsableView(const PixelView& view) {
    int bpp = view.format.bitsPerPixel;
    if (bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (!view.base || view.width <= 0 || view.height <= 0) return false;
    return static_cast<int64_t>(view.pitchBytes) >= static_cast<int64_t>(view.width) * (bpp / 8);
}

}  // namespace platform::gdi
