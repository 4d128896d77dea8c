#include "platform/backend/scale_frame.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VOREL_SCALE_AVX2 1
#endif

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

namespace {

constexpr uint32_t kNoAlpha = 0x00FFFFFFu;

#ifdef VOREL_SCALE_AVX2
// Eight columns at a time with one gather; the picture's columns are whole vectors of indices.
__attribute__((target("avx2"))) void sampleRowAvx2(const uint32_t* srow, const int* columns, uint32_t* out, int n) {
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(kNoAlpha));
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + x));
        const __m256i p = _mm256_i32gather_epi32(reinterpret_cast<const int*>(srow), index, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_and_si256(p, mask));
    }
    for (; x < n; ++x) out[x] = srow[columns[x]] & kNoAlpha;
}
#endif

// One picture row of n pixels from one source row: a plain copy (without the top byte) when the
// picture is as wide as the source (columns empty), else each column's nearest source pixel.
void sampleRow(const uint32_t* srow, const std::vector<int>& columns, int n, uint32_t* out) {
    if (columns.empty()) {
        for (int x = 0; x < n; ++x) out[x] = srow[x] & kNoAlpha;
        return;
    }
#ifdef VOREL_SCALE_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return sampleRowAvx2(srow, columns.data(), out, n);
#endif
    for (int x = 0; x < n; ++x) out[x] = srow[columns[static_cast<size_t>(x)]] & kNoAlpha;
}

}  // namespace

void scaleInto(const uint32_t* src, int srcWidth, int srcHeight, int srcPitchBytes, uint32_t* dst, int dstWidth,
               int dstHeight, int dstPitchBytes, bool paintBars) {
    FitRect fit = fitPicture(srcWidth, srcHeight, dstWidth, dstHeight);
    if (!src || !dst || fit.width == 0) return;
    // The source column of each picture column, kept from frame to frame and made again only when
    // the widths change (none when they are the same).
    thread_local std::vector<int> columns;
    thread_local int columnsSrcWidth = -1, columnsWidth = -1;
    if (srcWidth != columnsSrcWidth || fit.width != columnsWidth) {
        columns.resize(fit.width == srcWidth ? 0 : static_cast<size_t>(fit.width));
        for (size_t x = 0; x < columns.size(); ++x)
            columns[x] =
                static_cast<int>((static_cast<int64_t>(2 * x + 1) * srcWidth) / (2 * static_cast<int64_t>(fit.width)));
        columnsSrcWidth = srcWidth, columnsWidth = fit.width;
    }
    auto* dstBytes = reinterpret_cast<unsigned char*>(dst);
    const auto* srcBytes = reinterpret_cast<const unsigned char*>(src);
    // An enlarged picture shows each source row on several rows in a row: those after the first
    // copy the row above.
    const uint32_t* previous = nullptr;
    int previousSy = -1;
    for (int y = 0; y < dstHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(dstBytes + static_cast<size_t>(y) * dstPitchBytes);
        if (y < fit.y || y >= fit.y + fit.height) {
            if (paintBars) std::fill(row, row + dstWidth, 0u);
            continue;
        }
        int sy = static_cast<int>((static_cast<int64_t>(2 * (y - fit.y) + 1) * srcHeight) /
                                  (2 * static_cast<int64_t>(fit.height)));
        if (paintBars) std::fill(row, row + fit.x, 0u);
        if (sy == previousSy)
            std::memcpy(row + fit.x, previous + fit.x, static_cast<size_t>(fit.width) * 4);
        else
            sampleRow(reinterpret_cast<const uint32_t*>(srcBytes + static_cast<size_t>(sy) * srcPitchBytes), columns,
                      fit.width, row + fit.x);
        if (paintBars) std::fill(row + fit.x + fit.width, row + dstWidth, 0u);
        previous = row;
        previousSy = sy;
    }
}

}  // namespace platform::backend
