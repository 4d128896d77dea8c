// The window fit's nearest-pixel rule written out pixel by pixel (platform/backend/scale_frame.h),
// for comparison with the row-wise routines: src is sw x sh X8R8G8B8 pixels, rows packed; the
// answer is dh rows of `pitch` pixels, dw of them the window's, the rest left at `padding`.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend/scale_frame.h"

namespace fit_rule {

inline std::vector<uint32_t> scaledByRule(const std::vector<uint32_t>& src, int sw, int sh, int dw, int dh, int pitch,
                                          uint32_t padding = 0x5A5A5A5Au) {
    std::vector<uint32_t> out(static_cast<size_t>(pitch) * dh, padding);
    const auto fit = platform::backend::fitPicture(sw, sh, dw, dh);
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            uint32_t p = 0;
            if (x >= fit.x && x < fit.x + fit.width && y >= fit.y && y < fit.y + fit.height) {
                const int sx = int((int64_t(2 * (x - fit.x) + 1) * sw) / (2 * int64_t(fit.width)));
                const int sy = int((int64_t(2 * (y - fit.y) + 1) * sh) / (2 * int64_t(fit.height)));
                p = src[size_t(sy) * sw + sx] & 0x00FFFFFFu;
            }
            out[size_t(y) * pitch + x] = p;
        }
    return out;
}

}  // namespace fit_rule
