// BMP decoding: uncompressed rows of every depth, dispatch to the RLE decoder, file loading.
#include <cstdio>
#include <memory>

#include "platform/gdi/bmp_layout.h"

namespace platform::gdi {

namespace {

using bmp::Layout;

uint32_t fromFields(uint32_t raw, const Layout& l) {
    auto channel = [raw](ChannelField f) -> uint32_t {
        if (f.bits <= 0) return 0;
        uint32_t mask = f.bits >= 32 ? 0xFFFFFFFFu : ((1u << f.bits) - 1);
        return expandTo8((raw >> f.shift) & mask, f.bits);
    };
    return (channel(l.red) << 16) | (channel(l.green) << 8) | channel(l.blue);
}

void decodeRow(const uint8_t* src, const Layout& l, uint32_t* dst) {
    int w = l.width;
    switch (l.bitsPerPixel) {
        case 1:
            for (int x = 0; x < w; ++x) dst[x] = bmp::paletteColour(l, (src[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = bmp::paletteColour(l, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
            break;
        case 8:
            for (int x = 0; x < w; ++x) dst[x] = bmp::paletteColour(l, src[x]);
            break;
        case 16:
            for (int x = 0; x < w; ++x) dst[x] = fromFields(bmp::readU16(src + 2 * x), l);
            break;
        case 24:
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = src + 3 * x;
                dst[x] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
            }
            break;
        default:
            for (int x = 0; x < w; ++x) dst[x] = fromFields(bmp::readU32(src + 4 * x), l);
            break;
    }
}

bool decodeUncompressed(const uint8_t* data, size_t size, const Layout& l, DecodedBitmap* out) {
    int64_t rowBits = static_cast<int64_t>(l.width) * l.bitsPerPixel;
    int64_t stride = ((rowBits + 31) / 32) * 4;
    // The last row may come without its padding.
    int64_t needed = stride * (l.height - 1) + (rowBits + 7) / 8;
    if (needed > static_cast<int64_t>(size - l.pixelOffset)) return false;
    out->pixels.assign(static_cast<size_t>(l.width) * l.height, 0);
    const uint8_t* base = data + l.pixelOffset;
    for (int r = 0; r < l.height; ++r) {
        int y = l.topDown ? r : l.height - 1 - r;
        decodeRow(base + stride * r, l, out->pixels.data() + static_cast<size_t>(y) * l.width);
    }
    return true;
}

}  // namespace

bool decodeBmp(const uint8_t* data, size_t size, DecodedBitmap* out) {
    *out = DecodedBitmap{};
    Layout layout;
    if (!bmp::parseLayout(data, size, &layout)) return false;
    DecodedBitmap result;
    result.width = layout.width;
    result.height = layout.height;
    bool ok;
    if (layout.compression == bmp::kBiRle8 || layout.compression == bmp::kBiRle4) {
        if (static_cast<int64_t>(layout.width) * layout.height > kMaxRlePixels) return false;
        result.pixels.assign(static_cast<size_t>(layout.width) * layout.height, 0);
        ok = bmp::decodeRle(data + layout.pixelOffset, size - layout.pixelOffset, layout, &result);
    } else {
        ok = decodeUncompressed(data, size, layout, &result);
    }
    if (ok) *out = std::move(result);
    return ok;
}

bool loadBmpFile(const std::string& path, DecodedBitmap* out) {
    *out = DecodedBitmap{};
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    long length = std::ftell(file.get());
    if (length <= 0 || length > kMaxBmpFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
    return decodeBmp(bytes.data(), bytes.size(), out);
}

}  // namespace platform::gdi
