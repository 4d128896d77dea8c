#include "platform/ddraw/widening_table.h"

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

}  // namespace platform::ddraw
