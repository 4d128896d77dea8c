// Nearest-pixel stretched copy with clipping, mirroring and format conversion.
#include "platform/gdi/stretch.h"

#include <algorithm>
#include <vector>

namespace platform::gdi {

namespace {

// Makes the extents positive; returns whether the axis was mirrored.
bool normalise(int& origin, int& extent) {
    if (extent >= 0) return false;
    origin += extent;
    extent = -extent;
    return true;
}

// Source coordinate for destination offset i (0 <= i < dstExtent).
int sourceAt(int i, int dstExtent, int srcOrigin, int srcExtent, bool mirrored) {
    int64_t offset = ((2 * static_cast<int64_t>(i) + 1) * srcExtent) / (2 * static_cast<int64_t>(dstExtent));
    if (mirrored) offset = srcExtent - 1 - offset;
    return srcOrigin + static_cast<int>(offset);
}

// A private copy of the source rows when source and destination share memory.
PixelView detachedCopy(const PixelView& src, std::vector<uint8_t>& storage) {
    size_t rowBytes = static_cast<size_t>(src.width) * (src.format.bitsPerPixel / 8);
    storage.resize(rowBytes * src.height);
    for (int y = 0; y < src.height; ++y) std::copy_n(src.row(y), rowBytes, storage.data() + rowBytes * y);
    PixelView copy = src;
    copy.base = storage.data();
    copy.pitchBytes = static_cast<int>(rowBytes);
    return copy;
}

bool sharesMemory(const PixelView& a, const PixelView& b) {
    const uint8_t* aEnd = a.base + static_cast<intptr_t>(a.pitchBytes) * a.height;
    const uint8_t* bEnd = b.base + static_cast<intptr_t>(b.pitchBytes) * b.height;
    return a.base < bEnd && b.base < aEnd;
}

}  // namespace

void stretchCopy(const PixelView& dst, BlitRect to, const PixelView& srcIn, BlitRect from) {
    bool mirrorX = normalise(to.x, to.width) != normalise(from.x, from.width);
    bool mirrorY = normalise(to.y, to.height) != normalise(from.y, from.height);
    if (to.width == 0 || to.height == 0 || from.width == 0 || from.height == 0) return;
    std::vector<uint8_t> storage;
    const PixelView src = sharesMemory(dst, srcIn) ? detachedCopy(srcIn, storage) : srcIn;
    int firstX = std::max(0, -to.x), lastX = std::min(to.width, dst.width - to.x);
    int firstY = std::max(0, -to.y), lastY = std::min(to.height, dst.height - to.y);
    if (firstX >= lastX || firstY >= lastY) return;
    std::vector<int> columns(static_cast<size_t>(lastX - firstX));
    for (int i = firstX; i < lastX; ++i)
        columns[static_cast<size_t>(i - firstX)] = sourceAt(i, to.width, from.x, from.width, mirrorX);
    bool sameFormat = dst.format == src.format;
    uint32_t colourBits = dst.format.pack(0xFFFFFF);
    for (int j = firstY; j < lastY; ++j) {
        int sy = sourceAt(j, to.height, from.y, from.height, mirrorY);
        if (sy < 0 || sy >= src.height) continue;
        for (int i = firstX; i < lastX; ++i) {
            int sx = columns[static_cast<size_t>(i - firstX)];
            if (sx < 0 || sx >= src.width) continue;
            uint32_t raw = src.getRaw(sx, sy);
            dst.setRaw(to.x + i, to.y + j, sameFormat ? raw & colourBits : dst.format.pack(src.format.unpack(raw)));
        }
    }
}

}  // namespace platform::gdi
