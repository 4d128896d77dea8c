// Clearing target and z-buffer rectangles.
#include "platform/d3d/clear.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::d3d {

namespace {

// True when every byte of a pixel's raw value is the same (black, a far z of all ones): the row
// is then one memset, which uses the widest stores the processor has.
bool bytesRepeat(uint32_t raw, int bytesPerPixel) {
    const uint32_t byte = raw & 0xFFu;
    return bytesPerPixel == 4 ? raw == byte * 0x01010101u : (raw & 0xFFFFu) == byte * 0x0101u;
}

// Fills a row segment with one raw value (the compiler turns these loops into wide stores).
void fillRow(uint8_t* p, int count, int bytesPerPixel, uint32_t raw) {
    if (count > 0 && bytesRepeat(raw, bytesPerPixel)) {
        std::memset(p, int(raw & 0xFFu), size_t(count) * size_t(bytesPerPixel));
        return;
    }
    if (bytesPerPixel == 4) {
        for (int i = 0; i < count; ++i, p += 4) std::memcpy(p, &raw, 4);
    } else {
        auto v = static_cast<uint16_t>(raw);
        for (int i = 0; i < count; ++i, p += 2) std::memcpy(p, &v, 2);
    }
}

}  // namespace

void clearColor(const SurfaceLock& target, const ClearRect& r, D3DCOLOR color) {
    const PixelLayout& l = target.layout();
    uint32_t raw = encodeArgb(l, color);
    if (l.bytesPerPixel == 2 || l.bytesPerPixel == 4) {
        for (int y = r.top; y < r.bottom; ++y)
            fillRow(target.row(y) + r.left * l.bytesPerPixel, r.right - r.left, l.bytesPerPixel, raw);
        return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* p = target.row(y) + r.left * l.bytesPerPixel;
        for (int x = r.left; x < r.right; ++x, p += l.bytesPerPixel) writeRaw(p, l.bytesPerPixel, raw);
    }
}

void clearDepthStencil(const SurfaceLock& zbuffer, const ClearRect& r, bool depth, float z, bool stencil,
                       DWORD stencilValue) {
    const DepthLayout& l = zbuffer.depthLayout();
    uint32_t keep = 0xFFFFFFFFu, set = 0;
    if (depth) {
        double clamped = std::isfinite(z) ? std::clamp(double(z), 0.0, 1.0) : 1.0;
        uint32_t value = static_cast<uint32_t>(clamped * double(l.zMax()) + 0.5);
        keep &= ~l.zMask;
        set |= (value << l.zShift) & l.zMask;
    }
    if (stencil && l.stencilMask) {
        keep &= ~l.stencilMask;
        set |= (stencilValue << l.stencilShift) & l.stencilMask;
    }
    uint32_t all = l.bytesPerPixel == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    bool whole = (keep & all) == 0;  // every bit is replaced: no need to read
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* p = zbuffer.row(y) + r.left * l.bytesPerPixel;
        if (whole && (l.bytesPerPixel == 2 || l.bytesPerPixel == 4)) {
            fillRow(p, r.right - r.left, l.bytesPerPixel, set);
            continue;
        }
        for (int x = r.left; x < r.right; ++x, p += l.bytesPerPixel)
            writeRaw(p, l.bytesPerPixel, (readRaw(p, l.bytesPerPixel) & keep) | set);
    }
}

}  // namespace platform::d3d
