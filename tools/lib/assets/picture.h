// A floating-point RGB picture of the generators and its 24-bit Windows bitmap encoding.
//
// Channels run from 0 (black) to 1 (full); values outside are clamped only when encoded. Pixel
// (0, 0) is the top-left corner. `encodeBmp24` writes a BITMAPFILEHEADER + BITMAPINFOHEADER
// (40 bytes, BI_RGB, 24 bits) bitmap with bottom-up rows padded to four bytes, as every Windows
// bitmap loader reads it. A picture of zero size encodes as an empty byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace assets {

struct Rgb {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }

class Picture {
public:
    Picture() = default;
    Picture(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
    const Rgb& at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    // Bilinear sample with wrapping, texel centres at (i + 0.5) / size.
    Rgb sampleWrapped(float u, float v) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
};

// One channel quantised to a byte (rounded, clamped).
uint8_t toByte(float value);

std::vector<uint8_t> encodeBmp24(const Picture& picture);

}  // namespace assets
