#include "platform/ddraw/blit.h"

#include <cstddef>

namespace platform::ddraw {

bool rectInside(const RECT& rect, int width, int height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom && rect.right <= width &&
           rect.bottom <= height;
}

void fillRect(const PixelView& dest, const RECT& rect, uint32_t raw) {
    const int bpp = dest.layout.bytesPerPixel;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        uint8_t* row = dest.base + static_cast<ptrdiff_t>(y) * dest.pitch;
        for (LONG x = rect.left; x < rect.right; ++x) writeRaw(row + static_cast<ptrdiff_t>(x) * bpp, bpp, raw);
    }
}

namespace {

// Source coordinate for destination offset d of n pixels stretched from m pixels: the source pixel
// under the destination pixel's centre.
inline LONG sourceOffset(LONG d, LONG n, LONG m) {
    return static_cast<LONG>((static_cast<int64_t>(2 * d + 1) * m) / (2 * static_cast<int64_t>(n)));
}

}  // namespace

void stretchCopy(const PixelView& dest, const RECT& destRect, const PixelView& source, const RECT& sourceRect,
                 const CopyOptions& options) {
    const LONG dw = destRect.right - destRect.left, dh = destRect.bottom - destRect.top;
    const LONG sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
    const int dbpp = dest.layout.bytesPerPixel, sbpp = source.layout.bytesPerPixel;
    for (LONG y = 0; y < dh; ++y) {
        const LONG sy = sourceRect.top + sourceOffset(y, dh, sh);
        const uint8_t* srow = source.base + static_cast<ptrdiff_t>(sy) * source.pitch;
        uint8_t* drow = dest.base + static_cast<ptrdiff_t>(destRect.top + y) * dest.pitch;
        for (LONG x = 0; x < dw; ++x) {
            const LONG sx = sourceRect.left + sourceOffset(x, dw, sw);
            const uint32_t raw = readRaw(srow + static_cast<ptrdiff_t>(sx) * sbpp, sbpp);
            if (options.keyed && raw >= options.keyLow && raw <= options.keyHigh) continue;
            uint32_t out = source.sameFormatAsOther ? raw : argbToRaw(dest.layout, rawToArgb(source.layout, raw));
            uint8_t* d = drow + static_cast<ptrdiff_t>(destRect.left + x) * dbpp;
            if (options.orOperation) out |= readRaw(d, dbpp);
            writeRaw(d, dbpp, out);
        }
    }
}

}  // namespace platform::ddraw
