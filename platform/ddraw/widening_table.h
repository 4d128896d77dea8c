// 16-bit pixels widened to 0x00RRGGBB, used to present 16-bit screens. The values are rawToArgb's
// colours without alpha, so a frame widened here is the frame widened pixel by pixel.
//
// By table: one entry for each of the 65536 raw values of a layout, made the first time that
// layout is asked for (256 KiB) and kept while it stays the same. By arithmetic: when the
// processor has AVX2 or AVX-512 and each colour channel is 4 to 8 bits wide (565, 555, 4444 and
// the like), several pixels a step as widening_arithmetic.h describes; no table.
//
// The way back: where every one of the 16 bits belongs to the red, green or blue channel and each
// channel is at most 8 bits wide (565), a widened pixel holds each channel's bits at the top of
// its byte, so narrowing (argbToRaw) gives the raw value again exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw/pixel_formats.h"
#include "platform/ddraw/widening_arithmetic.h"

namespace platform::ddraw {

class WideningTable {
public:
    // The table for `layout` (16 bits per pixel), made again only when the layout changed.
    const uint32_t* forLayout(const PixelLayout& layout);
    // Widens `width` pixels of a 16-bit row into out.
    static void widenRow(const uint32_t* table, const uint8_t* row, int width, uint32_t* out);

    // Widens `width` pixels of a 16-bit row of `layout` into out, by arithmetic where it can, else
    // by table: widenPicture's rows one at a time. `stores` as widenRowByArithmetic takes them.
    void widenRowOf(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out,
                    WideningStores stores = WideningStores::Cached);
    // Widens a picture of `layout` (16 bits per pixel; rows `pitch` bytes apart, any alignment)
    // into out (width * height pixels, rows packed), by arithmetic where it can, else by table.
    void widenPicture(const PixelLayout& layout, const uint8_t* pixels, int pitch, int width, int height,
                      uint32_t* out, WideningStores stores = WideningStores::Cached);

    // Whether narrowPicture gives back every raw value of `layout` from its widened value.
    static bool narrowsExactly(const PixelLayout& layout);
    // widenPicture's reverse for such layouts: `wide` (width * height pixels, rows packed) into
    // rows `pitch` bytes apart.
    static void narrowPicture(const PixelLayout& layout, const uint32_t* wide, int width, int height, uint8_t* pixels,
                              int pitch);

private:
    std::vector<uint32_t> entries_;
    PixelLayout layout_;
};

}  // namespace platform::ddraw
