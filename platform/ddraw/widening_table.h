// 16-bit pixels widened to 0x00RRGGBB by table: one entry for each of the 65536 raw values of a
// layout, made the first time that layout is asked for (256 KiB) and kept while it stays the same.
// The entries are rawToArgb's colours without alpha, so a frame widened by table is the frame
// widened pixel by pixel. Used to present 16-bit screens.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw/pixel_formats.h"

namespace platform::ddraw {

class WideningTable {
public:
    // The table for `layout` (16 bits per pixel), made again only when the layout changed.
    const uint32_t* forLayout(const PixelLayout& layout);
    // Widens `width` pixels of a 16-bit row into out.
    static void widenRow(const uint32_t* table, const uint8_t* row, int width, uint32_t* out);

private:
    std::vector<uint32_t> entries_;
    PixelLayout layout_;
};

}  // namespace platform::ddraw
