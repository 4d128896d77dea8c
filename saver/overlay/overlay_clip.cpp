#include "saver/overlay/overlay_clip.h"

#include <algorithm>

ClippedCopy clipCopy(int64_t x, int64_t y, const RECT& source, int32_t width, int32_t height) {
    ClippedCopy copy;
    const int64_t w = int64_t{source.right} - source.left, h = int64_t{source.bottom} - source.top;
    if (w <= 0 || h <= 0) return copy;
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(x + w, width), bottom = std::min<int64_t>(y + h, height);
    if (left >= right || top >= bottom) return copy;
    copy.empty = false;
    copy.x = static_cast<int32_t>(left);
    copy.y = static_cast<int32_t>(top);
    copy.source = {static_cast<LONG>(source.left + (left - x)), static_cast<LONG>(source.top + (top - y)),
                   static_cast<LONG>(source.left + (right - x)), static_cast<LONG>(source.top + (bottom - y))};
    return copy;
}
