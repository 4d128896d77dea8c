// Clearing target and z-buffer rectangles.
#include "platform/d3d/clear.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d {

void clearColor(const SurfaceLock& target, const ClearRect& r, D3DCOLOR color) {
    const PixelLayout& l = target.layout();
    uint32_t raw = encodeArgb(l, color);
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
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* p = zbuffer.row(y) + r.left * l.bytesPerPixel;
        for (int x = r.left; x < r.right; ++x, p += l.bytesPerPixel)
            writeRaw(p, l.bytesPerPixel, (readRaw(p, l.bytesPerPixel) & keep) | set);
    }
}

}  // namespace platform::d3d
