// BMP file and info headers, colour masks and palette: every field is checked against the data.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/bmp_layout.h"

namespace platform::gdi::bmp {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;

struct InfoFields {
    size_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t planes = 0;
    uint32_t colourCount = 0;  // palette entries stored (0: the full palette for the depth)
    size_t paletteEntrySize = 4;
};

bool readInfoFields(const uint8_t* data, size_t size, InfoFields* f, Layout* out) {
    const uint8_t* h = data + kFileHeaderSize;
    f->headerSize = readU32(h);
    if (f->headerSize > size - kFileHeaderSize) return false;
    if (f->headerSize == kCoreHeaderSize) {
        f->width = readU16(h + 4);
        f->height = readU16(h + 6);
        f->planes = readU16(h + 8);
        out->bitsPerPixel = static_cast<int>(readU16(h + 10));
        out->compression = kBiRgb;
        f->paletteEntrySize = 3;
        return true;
    }
    if (f->headerSize < kInfoHeaderSize) return false;
    f->width = static_cast<int32_t>(readU32(h + 4));
    f->height = static_cast<int32_t>(readU32(h + 8));
    f->planes = readU16(h + 12);
    out->bitsPerPixel = static_cast<int>(readU16(h + 14));
    out->compression = readU32(h + 16);
    f->colourCount = readU32(h + 32);
    return true;
}

bool checkSizes(const InfoFields& f, Layout* out) {
    if (f.planes != 1) return false;
    if (f.width <= 0 || f.width > kMaxBmpSide) return false;
    if (f.height == 0 || std::llabs(f.height) > kMaxBmpSide) return false;
    out->width = static_cast<int>(f.width);
    out->height = static_cast<int>(std::llabs(f.height));
    out->topDown = f.height < 0;
    return true;
}

bool checkDepthAndCompression(const Layout& l) {
    switch (l.bitsPerPixel) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return false;
    }
    switch (l.compression) {
        case kBiRgb: return true;
        case kBiRle8: return l.bitsPerPixel == 8 && !l.topDown;
        case kBiRle4: return l.bitsPerPixel == 4 && !l.topDown;
        case kBiBitfields:
        case kBiAlphaBitfields: return l.bitsPerPixel == 16 || l.bitsPerPixel == 32;
        default: return false;
    }
}

// Masks: inside the longer info headers, or right after the 40-byte one. Returns the end of the
// masks (where the palette would start), 0 on failure.
size_t readMasks(const uint8_t* data, size_t size, const InfoFields& f, Layout* out) {
    size_t headerEnd = kFileHeaderSize + f.headerSize;
    bool withMasks = out->compression == kBiBitfields || out->compression == kBiAlphaBitfields;
    if (!withMasks) {
        if (out->bitsPerPixel == 16) {
            out->red = fieldOfMask(0x7C00);
            out->green = fieldOfMask(0x03E0);
            out->blue = fieldOfMask(0x001F);
        } else {
            out->red = fieldOfMask(0xFF0000);
            out->green = fieldOfMask(0x00FF00);
            out->blue = fieldOfMask(0x0000FF);
        }
        return headerEnd;
    }
    size_t maskStart = kFileHeaderSize + kInfoHeaderSize;
    size_t maskBytes = out->compression == kBiAlphaBitfields ? 16 : 12;
    if (maskStart + 12 > size) return 0;
    out->red = fieldOfMask(readU32(data + maskStart));
    out->green = fieldOfMask(readU32(data + maskStart + 4));
    out->blue = fieldOfMask(readU32(data + maskStart + 8));
    if (f.headerSize > kInfoHeaderSize) return headerEnd;
    if (maskStart + maskBytes > size) return 0;
    return maskStart + maskBytes;
}

// Reads the palette that starts at `start`; *end receives where it ends.
bool readPalette(const uint8_t* data, size_t size, size_t start, size_t offBits, const InfoFields& f,
                 Layout* out, size_t* end) {
    *end = start;
    if (out->bitsPerPixel > 8) return true;
    if (start > size) return false;
    uint64_t fullCount = uint64_t{1} << out->bitsPerPixel;
    uint64_t stored = f.colourCount ? f.colourCount : fullCount;
    if (f.paletteEntrySize == 3) {
        // The core header has no count; its palette fills the room before the pixels.
        size_t limit = (offBits > start && offBits <= size) ? offBits : size;
        stored = std::min<uint64_t>(fullCount, (limit - start) / 3);
    }
    if (stored * f.paletteEntrySize > size - start) return false;
    *end = start + static_cast<size_t>(stored * f.paletteEntrySize);
    uint64_t used = std::min(stored, fullCount);
    out->palette.resize(used);
    for (uint64_t i = 0; i < used; ++i) {
        const uint8_t* p = data + start + i * f.paletteEntrySize;
        out->palette[i] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    return true;
}

}  // namespace

bool parseLayout(const uint8_t* data, size_t size, Layout* out) {
    if (!data || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return false;
    InfoFields f;
    if (!readInfoFields(data, size, &f, out)) return false;
    if (!checkSizes(f, out) || !checkDepthAndCompression(*out)) return false;
    uint32_t offBits = readU32(data + 10);
    size_t paletteStart = readMasks(data, size, f, out);
    size_t paletteEnd = 0;
    if (paletteStart == 0 || !readPalette(data, size, paletteStart, offBits, f, out, &paletteEnd))
        return false;
    out->pixelOffset = offBits ? offBits : paletteEnd;
    return out->pixelOffset < size;
}

}  // namespace platform::gdi::bmp
