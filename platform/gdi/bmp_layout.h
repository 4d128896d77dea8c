// Inner parts of the BMP decoder: the parsed layout of a file, shared by the header parser, the
// row decoder and the RLE decoder. Not for use outside platform/gdi.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/bmp_codec.h"
#include "platform/gdi/pixel_view.h"

namespace platform::gdi::bmp {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = kBiRgb;
    std::vector<uint32_t> palette;  // 0x00RRGGBB, at most 2^bitsPerPixel entries
    ChannelField red, green, blue;  // for 16 and 32 bits per pixel
    size_t pixelOffset = 0;         // start of the pixel data, within the file
};

// Parses the file and info headers, masks and palette. False for anything malformed.
bool parseLayout(const uint8_t* data, size_t size, Layout* out);

// Colour of palette index `i`, black past the palette.
inline uint32_t paletteColour(const Layout& layout, uint32_t i) {
    return i < layout.palette.size() ? layout.palette[i] : 0;
}

// Decodes RLE8/RLE4 data (`data`, `size`: from the pixel offset to the end of the file) into
// out->pixels, already sized width * height and zeroed. False when the stream is malformed.
bool decodeRle(const uint8_t* data, size_t size, const Layout& layout, DecodedBitmap* out);

inline uint32_t readU16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t readU32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace platform::gdi::bmp
