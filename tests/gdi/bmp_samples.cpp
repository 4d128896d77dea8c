// Test helper: BMP encoders for every kind the decoder reads (see bmp_samples.h).
#include "bmp_samples.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace bmp_samples {

void putU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putU32(std::vector<uint8_t>& out, uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

namespace {

void patchU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> header(uint32_t headerSize, int32_t width, int32_t height, int bpp, uint32_t compression,
                            uint32_t colours) {
    std::vector<uint8_t> out{'B', 'M'};
    putU32(out, 0);  // file size, patched at the end
    putU32(out, 0);
    putU32(out, 0);  // pixel offset, patched when the pixels start
    putU32(out, headerSize);
    putU32(out, static_cast<uint32_t>(width));
    putU32(out, static_cast<uint32_t>(height));
    putU16(out, 1);
    putU16(out, static_cast<uint32_t>(bpp));
    putU32(out, compression);
    putU32(out, 0);
    putU32(out, 2835);
    putU32(out, 2835);
    putU32(out, colours);
    putU32(out, 0);
    return out;
}

std::vector<uint32_t> paletteOf(const Picture& p, size_t limit) {
    std::vector<uint32_t> colours;
    for (uint32_t c : p.pixels)
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    if (colours.size() > limit) throw std::invalid_argument("too many colours for the kind");
    return colours;
}

uint32_t indexOf(const std::vector<uint32_t>& palette, uint32_t c) {
    return static_cast<uint32_t>(std::find(palette.begin(), palette.end(), c) - palette.begin());
}

void putPalette(std::vector<uint8_t>& out, const std::vector<uint32_t>& palette, bool core) {
    for (uint32_t c : palette) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        if (!core) out.push_back(0);
    }
}

void padRow(std::vector<uint8_t>& out, size_t rowStart) {
    while ((out.size() - rowStart) % 4) out.push_back(0);
}

// Rows bottom-up (or top-down), each value packed at `bits` bits, MSB first for sub-byte depths.
template <typename ValueOf>
void putRows(std::vector<uint8_t>& out, const Picture& p, int bits, bool topDown, ValueOf valueOf) {
    for (int r = 0; r < p.height; ++r) {
        int y = topDown ? r : p.height - 1 - r;
        size_t start = out.size();
        uint32_t acc = 0;
        int filled = 0;
        for (int x = 0; x < p.width; ++x) {
            uint32_t v = valueOf(p.pixels[static_cast<size_t>(y) * p.width + x]);
            if (bits >= 8) {
                for (int b = 0; b < bits; b += 8) out.push_back(static_cast<uint8_t>(v >> b));
                continue;
            }
            acc = (acc << bits) | v;
            filled += bits;
            if (filled == 8) {
                out.push_back(static_cast<uint8_t>(acc));
                acc = 0;
                filled = 0;
            }
        }
        if (filled) out.push_back(static_cast<uint8_t>(acc << (8 - filled)));
        padRow(out, start);
    }
}

// RLE: runs of repeated indices, absolute blocks for 3 or more differing ones, end of line after
// every row and end of bitmap at the end.
void putRle(std::vector<uint8_t>& out, const Picture& p, const std::vector<uint32_t>& palette, bool rle4) {
    for (int y = p.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < p.width; ++x)
            row.push_back(static_cast<uint8_t>(indexOf(palette, p.pixels[static_cast<size_t>(y) * p.width + x])));
        size_t x = 0;
        while (x < row.size()) {
            size_t run = 1;
            while (x + run < row.size() && row[x + run] == row[x] && run < 255) ++run;
            if (run >= 2 || row.size() - x < 3) {
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(rle4 ? static_cast<uint8_t>(row[x] << 4 | row[x]) : row[x]);
                x += run;
                continue;
            }
            size_t n = 0;  // a literal stretch up to the next pair
            while (x + n < row.size() && n < 255 && (x + n + 1 >= row.size() || row[x + n] != row[x + n + 1])) ++n;
            if (n < 3) n = std::min<size_t>(3, row.size() - x);
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(n));
            size_t start = out.size();
            for (size_t i = 0; i < n; ++i) {
                if (!rle4) out.push_back(row[x + i]);
                else if (i % 2 == 0) out.push_back(static_cast<uint8_t>(row[x + i] << 4));
                else out.back() |= row[x + i];
            }
            if ((out.size() - start) % 2) out.push_back(0);
            x += n;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
}

uint32_t to555(uint32_t c) { return ((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F); }
uint32_t to565(uint32_t c) { return ((c >> 19) & 0x1F) << 11 | ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F); }

std::vector<uint8_t> encodeIndexed(const Picture& p, Kind kind) {
    int bits = kind == Kind::Bits1 ? 1 : (kind == Kind::Bits4 || kind == Kind::Rle4) ? 4 : 8;
    bool core = kind == Kind::Core8;
    std::vector<uint32_t> palette = paletteOf(p, size_t{1} << bits);
    uint32_t compression = kind == Kind::Rle8 ? 1 : kind == Kind::Rle4 ? 2 : 0;
    std::vector<uint8_t> out;
    if (core) {
        out = {'B', 'M'};
        putU32(out, 0);
        putU32(out, 0);
        putU32(out, 0);
        putU32(out, 12);
        putU16(out, static_cast<uint32_t>(p.width));
        putU16(out, static_cast<uint32_t>(p.height));
        putU16(out, 1);
        putU16(out, 8);
        palette.resize(256, 0);  // the core header's palette is always full
    } else {
        out = header(40, p.width, p.height, bits, compression, static_cast<uint32_t>(palette.size()));
    }
    putPalette(out, palette, core);
    patchU32(out, 10, static_cast<uint32_t>(out.size()));
    if (compression) putRle(out, p, palette, kind == Kind::Rle4);
    else putRows(out, p, bits, false, [&](uint32_t c) { return indexOf(palette, c); });
    return out;
}

}  // namespace

std::vector<uint8_t> infoHeader(int32_t width, int32_t height, int bitsPerPixel, uint32_t compression,
                                uint32_t colours) {
    std::vector<uint8_t> out = header(40, width, height, bitsPerPixel, compression, colours);
    patchU32(out, 10, static_cast<uint32_t>(out.size() + 4 * colours));
    return out;
}

std::vector<uint8_t> encode(const Picture& p, Kind kind) {
    std::vector<uint8_t> out;
    switch (kind) {
        case Kind::Bits1: case Kind::Bits4: case Kind::Bits8: case Kind::Rle4: case Kind::Rle8: case Kind::Core8:
            out = encodeIndexed(p, kind);
            break;
        case Kind::Rgb555:
            out = header(40, p.width, p.height, 16, 0, 0);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 16, false, to555);
            break;
        case Kind::Bitfields565:
            out = header(40, p.width, p.height, 16, 3, 0);
            for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) putU32(out, m);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 16, false, to565);
            break;
        case Kind::Bits24:
        case Kind::Bits24TopDown: {
            bool topDown = kind == Kind::Bits24TopDown;
            out = header(40, p.width, topDown ? -p.height : p.height, 24, 0, 0);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 24, topDown, [](uint32_t c) { return c; });
            break;
        }
        case Kind::Bits32:
            out = header(40, p.width, p.height, 32, 0, 0);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 32, false, [](uint32_t c) { return c | 0xFF000000u; });
            break;
        case Kind::Bitfields32:
            // Blue in the high byte: masks are honoured, not assumed.
            out = header(40, p.width, p.height, 32, 3, 0);
            for (uint32_t m : {0x0000FF00u, 0x00FF0000u, 0xFF000000u}) putU32(out, m);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 32, false, [](uint32_t c) {
                return ((c >> 16) & 0xFF) << 8 | ((c >> 8) & 0xFF) << 16 | (c & 0xFF) << 24;
            });
            break;
        case Kind::V5Bitfields32: {
            out = header(124, p.width, p.height, 32, 3, 0);
            for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) putU32(out, m);
            out.resize(14 + 124, 0);
            patchU32(out, 10, static_cast<uint32_t>(out.size()));
            putRows(out, p, 32, false, [](uint32_t c) { return c; });
            break;
        }
    }
    patchU32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

Picture pureColourPicture(int width, int height) {
    static const uint32_t colours[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                        0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Runs in the left half, a changing pattern in the right half (RLE literal blocks).
            int i = x < width / 2 ? (y + x / 3) % 8 : (x * 7 + y * 3) % 8;
            p.pixels.push_back(colours[i]);
        }
    return p;
}

const char* kindName(Kind kind) {
    static const std::map<Kind, const char*> names = {
        {Kind::Bits1, "Bits1"}, {Kind::Bits4, "Bits4"}, {Kind::Bits8, "Bits8"}, {Kind::Rle4, "Rle4"},
        {Kind::Rle8, "Rle8"}, {Kind::Core8, "Core8"}, {Kind::Rgb555, "Rgb555"},
        {Kind::Bitfields565, "Bitfields565"}, {Kind::Bits24, "Bits24"}, {Kind::Bits24TopDown, "Bits24TopDown"},
        {Kind::Bits32, "Bits32"}, {Kind::Bitfields32, "Bitfields32"}, {Kind::V5Bitfields32, "V5Bitfields32"}};
    return names.at(kind);
}

std::vector<Kind> allKinds() {
    return {Kind::Bits1, Kind::Bits4, Kind::Bits8, Kind::Rle4, Kind::Rle8, Kind::Core8, Kind::Rgb555,
            Kind::Bitfields565, Kind::Bits24, Kind::Bits24TopDown, Kind::Bits32, Kind::Bitfields32,
            Kind::V5Bitfields32};
}

}  // namespace bmp_samples
