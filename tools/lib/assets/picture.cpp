#include "tools/lib/assets/picture.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

void putLE(std::vector<uint8_t>* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

int wrapIndex(int i, int size) { return ((i % size) + size) % size; }

}  // namespace

Rgb Picture::sampleWrapped(float u, float v) const {
    if (pixels_.empty()) return {};
    const float x = u * static_cast<float>(width_) - 0.5f;
    const float y = v * static_cast<float>(height_) - 0.5f;
    const float fx = std::floor(x), fy = std::floor(y);
    const int x0 = wrapIndex(static_cast<int>(fx), width_), y0 = wrapIndex(static_cast<int>(fy), height_);
    const int x1 = (x0 + 1) % width_, y1 = (y0 + 1) % height_;
    const float tx = x - fx, ty = y - fy;
    return mix(mix(at(x0, y0), at(x1, y0), tx), mix(at(x0, y1), at(x1, y1), tx), ty);
}

uint8_t toByte(float value) {
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

std::vector<uint8_t> encodeBmp24(const Picture& picture) {
    std::vector<uint8_t> out;
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0) return out;
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(h);
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putLE(&out, 54 + imageBytes, 4);  // file size
    putLE(&out, 0, 4);                // reserved
    putLE(&out, 54, 4);               // offset of the pixels
    putLE(&out, 40, 4);               // BITMAPINFOHEADER
    putLE(&out, static_cast<uint32_t>(w), 4);
    putLE(&out, static_cast<uint32_t>(h), 4);  // positive: bottom-up rows
    putLE(&out, 1, 2);                         // planes
    putLE(&out, 24, 2);                        // bits per pixel
    putLE(&out, 0, 4);                         // BI_RGB
    putLE(&out, imageBytes, 4);
    putLE(&out, 2835, 4);  // 72 dots per inch
    putLE(&out, 2835, 4);
    putLE(&out, 0, 4);
    putLE(&out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb& p = picture.at(x, y);
            out.push_back(toByte(p.b));
            out.push_back(toByte(p.g));
            out.push_back(toByte(p.r));
        }
        for (uint32_t pad = static_cast<uint32_t>(w) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

}  // namespace assets
