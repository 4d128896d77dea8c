// Texturing stage: addressing, point and bilinear sampling.
#include "platform/d3d/texture_sampler.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/fixed_color.h"

namespace platform::d3d {

namespace {

Texel texelFromArgb(uint32_t c) {
    return {fixed::channel(c >> 16), fixed::channel(c >> 8), fixed::channel(c), fixed::channel(c >> 24)};
}

// Brings a coordinate into a range where scaling by the size cannot overflow, keeping its
// meaning under the address mode.
float reduce(float t, DWORD mode) {
    if (!std::isfinite(t)) return 0.0f;
    switch (mode) {
        case D3DTADDRESS_MIRROR: return t - 2.0f * std::floor(t * 0.5f);  // [0, 2)
        case D3DTADDRESS_CLAMP:
        case D3DTADDRESS_BORDER: return std::clamp(t, -1.0f, 2.0f);
        default: return t - std::floor(t);  // [0, 1)
    }
}

// Texel index for the address mode; -1 for the border.
int address(int i, int size, DWORD mode) {
    switch (mode) {
        case D3DTADDRESS_MIRROR: {
            int period = 2 * size;
            int m = ((i % period) + period) % period;
            return m < size ? m : period - 1 - m;
        }
        case D3DTADDRESS_CLAMP: return std::clamp(i, 0, size - 1);
        case D3DTADDRESS_BORDER: return (i < 0 || i >= size) ? -1 : i;
        default: return ((i % size) + size) % size;
    }
}

uint32_t fetch(const SurfaceLock& t, const SamplerState& s, int x, int y) {
    int ix = address(x, t.width(), s.addressU);
    int iy = address(y, t.height(), s.addressV);
    if (ix < 0 || iy < 0) return s.border;
    const PixelLayout& l = t.layout();
    return decodeArgb(l, readRaw(t.row(iy) + ix * l.bytesPerPixel, l.bytesPerPixel));
}

}  // namespace

Texel sampleTexture(const SurfaceLock& t, const SamplerState& s, float u, float v) {
    float x = reduce(u, s.addressU) * float(t.width());
    float y = reduce(v, s.addressV) * float(t.height());
    if (!s.linear) return texelFromArgb(fetch(t, s, int(std::floor(x)), int(std::floor(y))));
    x -= 0.5f;
    y -= 0.5f;
    float fx0 = std::floor(x), fy0 = std::floor(y);
    int x0 = int(fx0), y0 = int(fy0);
    const int32_t fx = fixed::weight(x - fx0), fy = fixed::weight(y - fy0);
    Texel c00 = texelFromArgb(fetch(t, s, x0, y0));
    Texel c10 = texelFromArgb(fetch(t, s, x0 + 1, y0));
    Texel c01 = texelFromArgb(fetch(t, s, x0, y0 + 1));
    Texel c11 = texelFromArgb(fetch(t, s, x0 + 1, y0 + 1));
    auto mix = [&](int32_t a, int32_t b, int32_t c, int32_t d) { return fixed::bilinear(a, b, c, d, fx, fy); };
    return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
            mix(c00.a, c10.a, c01.a, c11.a)};
}

bool nearestRawTexel(const SurfaceLock& t, const SamplerState& s, float u, float v, uint32_t* raw) {
    int ix = address(int(std::floor(reduce(u, s.addressU) * float(t.width()))), t.width(), s.addressU);
    int iy = address(int(std::floor(reduce(v, s.addressV) * float(t.height()))), t.height(), s.addressV);
    if (ix < 0 || iy < 0) return false;
    const PixelLayout& l = t.layout();
    *raw = readRaw(t.row(iy) + ix * l.bytesPerPixel, l.bytesPerPixel);
    return true;
}

}  // namespace platform::d3d
