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
// Eight columns at a time. Where their source pixels lie within eight in a row (always when the
// picture is enlarged), one load of those eight and one permutation; elsewhere one gather.
__attribute__((target("avx2"))) void sampleRowAvx2(const uint32_t* srow, int srcWidth, const int* columns,
                                                   uint32_t* out, int n) {
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(kNoAlpha));
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + x));
        const int first = columns[x];
        __m256i p;
        if (columns[x + 7] - first < 8 && first + 8 <= srcWidth)
            p = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(srow + first)),
                                            _mm256_sub_epi32(index, _mm256_set1_epi32(first)));
        else
            p = _mm256_i32gather_epi32(reinterpret_cast<const int*>(srow), index, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_and_si256(p, mask));
    }
    for (; x < n; ++x) out[x] = srow[columns[x]] & kNoAlpha;
}
#endif

// One picture row of n pixels from one source row: a plain copy (without the top byte) when the
// picture is as wide as the source (columns empty), else each column's nearest source pixel.
void sampleRow(const uint32_t* srow, int srcWidth, const std::vector<int>& columns, int n, uint32_t* out) {
    if (columns.empty()) {
        for (int x = 0; x < n; ++x) out[x] = srow[x] & kNoAlpha;
        return;
    }
#ifdef VOREL_SCALE_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return sampleRowAvx2(srow, srcWidth, columns.data(), out, n);
#endif
    for (int x = 0; x < n; ++x) out[x] = srow[columns[static_cast<size_t>(x)]] & kNoAlpha;
}

// The source column of each picture column, kept from frame to frame and made again only when the
// widths change (empty when they are the same).
const std::vector<int>& columnsFor(int srcWidth, int fitWidth) {
    thread_local std::vector<int> columns;
    thread_local int columnsSrcWidth = -1, columnsWidth = -1;
    if (srcWidth != columnsSrcWidth || fitWidth != columnsWidth) {
        columns.resize(fitWidth == srcWidth ? 0 : static_cast<size_t>(fitWidth));
        for (size_t x = 0; x < columns.size(); ++x)
            columns[x] =
                static_cast<int>((static_cast<int64_t>(2 * x + 1) * srcWidth) / (2 * static_cast<int64_t>(fitWidth)));
        columnsSrcWidth = srcWidth, columnsWidth = fitWidth;
    }
    return columns;
}

// The fit's row loop: sampleSourceRow(sy, out) writes the picture's fit.width pixels of source row
// sy to out. Source rows are asked for in rising order, each at most once: an enlarged picture
// shows a source row on several rows in a row, and those after the first copy the row above.
// (Ordinary stores: the window system reads the image next, and streaming it past the caches made
// the server's reads dearer than our writes got cheaper.)
template <class SampleSourceRow>
void fitRows(const FitRect& fit, int srcHeight, uint32_t* dst, int dstWidth, int dstHeight, int dstPitchBytes,
             bool paintBars, SampleSourceRow sampleSourceRow) {
    auto* dstBytes = reinterpret_cast<unsigned char*>(dst);
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
            sampleSourceRow(sy, row + fit.x);
        if (paintBars) std::fill(row + fit.x + fit.width, row + dstWidth, 0u);
        previous = row;
        previousSy = sy;
    }
}

}  // namespace

void scaleInto(const uint32_t* src, int srcWidth, int srcHeight, int srcPitchBytes, uint32_t* dst, int dstWidth,
               int dstHeight, int dstPitchBytes, bool paintBars) {
    FitRect fit = fitPicture(srcWidth, srcHeight, dstWidth, dstHeight);
    if (!src || !dst || fit.width == 0) return;
    const std::vector<int>& columns = columnsFor(srcWidth, fit.width);
    const auto* srcBytes = reinterpret_cast<const unsigned char*>(src);
    fitRows(fit, srcHeight, dst, dstWidth, dstHeight, dstPitchBytes, paintBars, [&](int sy, uint32_t* out) {
        sampleRow(reinterpret_cast<const uint32_t*>(srcBytes + static_cast<size_t>(sy) * srcPitchBytes), srcWidth,
                  columns, fit.width, out);
    });
}

void scaleRowsInto(const FrameRows& src, uint32_t* dst, int dstWidth, int dstHeight, int dstPitchBytes,
                   bool paintBars) {
    FitRect fit = fitPicture(src.width, src.height, dstWidth, dstHeight);
    if (!src.row || !dst || fit.width == 0) return;
    const std::vector<int>& columns = columnsFor(src.width, fit.width);
    // A picture as wide as the source takes each row straight from its maker; otherwise the row
    // is made in a small buffer that stays in the nearest cache and sampled from there.
    thread_local std::vector<uint32_t> wide;
    if (!columns.empty()) wide.resize(static_cast<size_t>(src.width));
    fitRows(fit, src.height, dst, dstWidth, dstHeight, dstPitchBytes, paintBars, [&](int sy, uint32_t* out) {
        if (columns.empty()) return src.row(src.context, sy, out);
        src.row(src.context, sy, wide.data());
        sampleRow(wide.data(), src.width, columns, fit.width, out);
    });
}

}  // namespace platform::backend
