#include "platform/ddraw/widening_table.h"

#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VOREL_WIDEN_AVX2 1
#endif

namespace platform::ddraw {

namespace {

bool sameChannel(const ChannelLayout& a, const ChannelLayout& b) {
    return a.mask == b.mask && a.shift == b.shift && a.width == b.width;
}

bool sameLayout(const PixelLayout& a, const PixelLayout& b) {
    return a.bytesPerPixel == b.bytesPerPixel && sameChannel(a.red, b.red) && sameChannel(a.green, b.green) &&
           sameChannel(a.blue, b.blue) && sameChannel(a.alpha, b.alpha);
}

// A channel of 4 to 8 bits within 16 widens to 8 as (v << (8 - w)) | (v >> (2w - 8)): its bits
// once from the top and its top bits again below them, which is what repeating them gives.
bool shiftable(const ChannelLayout& c) {
    return c.width >= 4 && c.width <= 8 && c.shift + c.width <= 16 && c.mask == ((1u << c.width) - 1) << c.shift;
}

#ifdef VOREL_WIDEN_AVX2
// The counts are whole vectors for the per-lane shifts: a shift by a count in the low lanes of a
// register costs two operations on some processors, a per-lane shift one.
struct ChannelShifts {
    __m256i down, up, repeat;  // to bit 0, to the top of the byte, the repeat's shift down
    __m256i mask;
};

__attribute__((target("avx2"))) inline ChannelShifts shiftsOf(const ChannelLayout& c) {
    return {_mm256_set1_epi32(c.shift), _mm256_set1_epi32(8 - c.width), _mm256_set1_epi32(2 * c.width - 8),
            _mm256_set1_epi32((1 << c.width) - 1)};
}

__attribute__((target("avx2"))) inline __m256i widenChannel(__m256i raw, const ChannelShifts& s) {
    const __m256i v = _mm256_and_si256(_mm256_srlv_epi32(raw, s.down), s.mask);
    return _mm256_or_si256(_mm256_sllv_epi32(v, s.up), _mm256_srlv_epi32(v, s.repeat));
}

__attribute__((target("avx2"))) void widenByShifts(const PixelLayout& layout, const uint8_t* row, int width,
                                                   uint32_t* out) {
    const ChannelShifts r = shiftsOf(layout.red), g = shiftsOf(layout.green), b = shiftsOf(layout.blue);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i raw =
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * ptrdiff_t(x))));
        const __m256i rgb = _mm256_or_si256(
            _mm256_or_si256(_mm256_slli_epi32(widenChannel(raw, r), 16), _mm256_slli_epi32(widenChannel(raw, g), 8)),
            widenChannel(raw, b));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), rgb);
    }
    for (; x < width; ++x) {
        uint16_t raw;
        std::memcpy(&raw, row + 2 * ptrdiff_t(x), 2);
        out[x] = rawToArgb(layout, raw) & 0x00FFFFFFu;
    }
}
#endif

}  // namespace

const uint32_t* WideningTable::forLayout(const PixelLayout& layout) {
    if (entries_.empty() || !sameLayout(layout, layout_)) {
        entries_.resize(65536);
        for (uint32_t raw = 0; raw < 65536; ++raw) entries_[raw] = rawToArgb(layout, raw) & 0x00FFFFFFu;
        layout_ = layout;
    }
    return entries_.data();
}

void WideningTable::widenRow(const uint32_t* table, const uint8_t* row, int width, uint32_t* out) {
    for (int x = 0; x < width; ++x) {
        uint16_t raw;
        std::memcpy(&raw, row + 2 * x, 2);
        out[x] = table[raw];
    }
}

bool WideningTable::widenRowByShifts(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out) {
#ifdef VOREL_WIDEN_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2 || layout.bytesPerPixel != 2 || !shiftable(layout.red) || !shiftable(layout.green) ||
        !shiftable(layout.blue))
        return false;
    widenByShifts(layout, row, width, out);
    return true;
#else
    (void)layout, (void)row, (void)width, (void)out;
    return false;
#endif
}

void WideningTable::widenRowOf(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out) {
    if (!widenRowByShifts(layout, row, width, out)) widenRow(forLayout(layout), row, width, out);
}

void WideningTable::widenPicture(const PixelLayout& layout, const uint8_t* pixels, int pitch, int width, int height,
                                 uint32_t* out) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y) widenRowOf(layout, pixels + ptrdiff_t(y) * pitch, width, out + ptrdiff_t(y) * width);
}

bool WideningTable::narrowsExactly(const PixelLayout& layout) {
    const auto fits = [](const ChannelLayout& c) { return c.width >= 1 && c.width <= 8; };
    return layout.bytesPerPixel == 2 && layout.alpha.width == 0 && fits(layout.red) && fits(layout.green) &&
           fits(layout.blue) && (layout.red.mask | layout.green.mask | layout.blue.mask) == 0xFFFFu;
}

void WideningTable::narrowPicture(const PixelLayout& layout, const uint32_t* wide, int width, int height,
                                  uint8_t* pixels, int pitch) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* from = wide + ptrdiff_t(y) * width;
        uint8_t* row = pixels + ptrdiff_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const uint16_t raw = static_cast<uint16_t>(argbToRaw(layout, from[x]));
            std::memcpy(row + 2 * ptrdiff_t(x), &raw, 2);
        }
    }
}

}  // namespace platform::ddraw
