#include "platform/ddraw/widening_table.h"

#include <cstddef>
#include <cstring>

namespace platform::ddraw {

namespace {

bool sameChannel(const ChannelLayout& a, const ChannelLayout& b) {
    return a.mask == b.mask && a.shift == b.shift && a.width == b.width;
}

bool sameLayout(const PixelLayout& a, const PixelLayout& b) {
    return a.bytesPerPixel == b.bytesPerPixel && sameChannel(a.red, b.red) && sameChannel(a.green, b.green) &&
           sameChannel(a.blue, b.blue) && sameChannel(a.alpha, b.alpha);
}

}  // namespace

const uint32_t* WideningTable::forLayout(const PixelLayout& layout) {
    if (entries_.empty() || !sameLayout(layout, layout_)) {
        entries_.resize(65536);
        for (uint32_t raw = 0; raw < 65536; ++raw) entries_[raw] = rawToArgb(layout, raw) & 0x00FFFFFFu;
        layout_ = layout;
    }
    return entries_.data();
}

void WideningTable::widenRow(const uint32_t* table, const uint8_t* row, int width, uint32_t* out) {
    for (int x = 0; x < width; ++x) {
        uint16_t raw;
        std::memcpy(&raw, row + 2 * x, 2);
        out[x] = table[raw];
    }
}

void WideningTable::widenRowOf(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out,
                               WideningStores stores) {
    if (!widenRowByArithmetic(layout, row, width, out, WideningWay::Fastest, stores))
        widenRow(forLayout(layout), row, width, out);
}

void WideningTable::widenPicture(const PixelLayout& layout, const uint8_t* pixels, int pitch, int width, int height,
                                 uint32_t* out, WideningStores stores) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y)
        widenRowOf(layout, pixels + ptrdiff_t(y) * pitch, width, out + ptrdiff_t(y) * width, stores);
}

bool WideningTable::narrowsExactly(const PixelLayout& layout) {
    const auto fits = [](const ChannelLayout& c) { return c.width >= 1 && c.width <= 8; };
    return layout.bytesPerPixel == 2 && layout.alpha.width == 0 && fits(layout.red) && fits(layout.green) &&
           fits(layout.blue) && (layout.red.mask | layout.green.mask | layout.blue.mask) == 0xFFFFu;
}

void WideningTable::narrowPicture(const PixelLayout& layout, const uint32_t* wide, int width, int height,
                                  uint8_t* pixels, int pitch) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* from = wide + ptrdiff_t(y) * width;
        uint8_t* row = pixels + ptrdiff_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const uint16_t raw = static_cast<uint16_t>(argbToRaw(layout, from[x]));
            std::memcpy(row + 2 * ptrdiff_t(x), &raw, 2);
        }
    }
}

}  // namespace platform::ddraw
