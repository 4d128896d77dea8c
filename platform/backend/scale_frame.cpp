#include "platform/backend/scale_frame.h"

#include <algorithm>
#include <vector>

namespace platform::backend {

FitRect fitPicture(int srcWidth, int srcHeight, int dstWidth, int dstHeight) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return {};
    // Compare dstW/srcW with dstH/srcH without rounding: the narrower ratio decides.
    int64_t wide = static_cast<int64_t>(dstWidth) * srcHeight;
    int64_t tall = static_cast<int64_t>(dstHeight) * srcWidth;
    FitRect r;
    if (wide <= tall) {
        r.width = dstWidth;
        r.height = static_cast<int>(std::max<int64_t>(1, static_cast<int64_t>(dstWidth) * srcHeight / srcWidth));
    } else {
        r.height = dstHeight;
        r.width = static_cast<int>(std::max<int64_t>(1, static_cast<int64_t>(dstHeight) * srcWidth / srcHeight));
    }
    r.x = (dstWidth - r.width) / 2;
    r.y = (dstHeight - r.height) / 2;
    return r;
}

void scaleInto(const uint32_t* src, int srcWidth, int srcHeight, int srcPitchBytes, uint32_t* dst, int dstWidth,
               int dstHeight, int dstPitchBytes) {
    FitRect fit = fitPicture(srcWidth, srcHeight, dstWidth, dstHeight);
    if (!src || !dst || fit.width == 0) return;
    std::vector<int> columns(static_cast<size_t>(fit.width));
    for (int x = 0; x < fit.width; ++x)
        columns[static_cast<size_t>(x)] =
            static_cast<int>((static_cast<int64_t>(2 * x + 1) * srcWidth) / (2 * static_cast<int64_t>(fit.width)));
    auto* dstBytes = reinterpret_cast<unsigned char*>(dst);
    const auto* srcBytes = reinterpret_cast<const unsigned char*>(src);
    for (int y = 0; y < dstHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(dstBytes + static_cast<size_t>(y) * dstPitchBytes);
        if (y < fit.y || y >= fit.y + fit.height) {
            std::fill(row, row + dstWidth, 0u);
            continue;
        }
        int sy = static_cast<int>((static_cast<int64_t>(2 * (y - fit.y) + 1) * srcHeight) /
                                  (2 * static_cast<int64_t>(fit.height)));
        const auto* srow = reinterpret_cast<const uint32_t*>(srcBytes + static_cast<size_t>(sy) * srcPitchBytes);
        std::fill(row, row + fit.x, 0u);
        for (int x = 0; x < fit.width; ++x) row[fit.x + x] = srow[columns[static_cast<size_t>(x)]] & 0x00FFFFFFu;
        std::fill(row + fit.x + fit.width, row + dstWidth, 0u);
    }
}

}  // namespace platform::backend
