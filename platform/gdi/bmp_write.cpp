// Writing plain 24-bit bottom-up BMP files.
#include <cstdio>
#include <memory>

#include "platform/gdi/bmp_codec.h"

namespace platform::gdi {

namespace {

void putU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putU32(std::vector<uint8_t>& out, uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> encodeBmp24(int width, int height, const uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide || !rgb) return {};
    uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    uint32_t imageBytes = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putU32(out, 54 + imageBytes);
    putU32(out, 0);
    putU32(out, 54);
    putU32(out, 40);
    putU32(out, static_cast<uint32_t>(width));
    putU32(out, static_cast<uint32_t>(height));
    putU16(out, 1);
    putU16(out, 24);
    putU32(out, 0);  // BI_RGB
    putU32(out, imageBytes);
    putU32(out, 2835);  // 72 dots per inch, in dots per metre
    putU32(out, 2835);
    putU32(out, 0);
    putU32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = rgb + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out.push_back(row[3 * x + 2]);
            out.push_back(row[3 * x + 1]);
            out.push_back(row[3 * x]);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

bool writeBmp24(const std::string& path, int width, int height, const uint8_t* rgb) {
    std::vector<uint8_t> bytes = encodeBmp24(width, height, rgb);
    if (bytes.empty()) return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace platform::gdi
