#include "platform/ddraw/widening_arithmetic.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VOREL_WIDEN_SIMD 1
#endif

namespace platform::ddraw {

namespace {

bool shiftable(const ChannelLayout& c) {
    return c.width >= 4 && c.width <= 8 && c.shift + c.width <= 16 && c.mask == ((1u << c.width) - 1) << c.shift;
}

#ifdef VOREL_WIDEN_SIMD
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

// A channel of w bits whose top is u bits below the word's top, moved up by `up` (u - up at most
// 7), masked, and multiplied: the high half of v * 2^(16 - w) * (256 + 2^(8 - w)) is
// v << (8 - w) plus v * 2^(8 - 2w) rounded down, the repeat. The multiplier then fits 16 bits.
struct ChannelProduct {
    __m512i up, mask, multiplier;
};

__attribute__((target("avx512f,avx512bw"))) inline ChannelProduct productOf(const ChannelLayout& c) {
    const int below = 16 - c.shift - c.width, up = below > 7 ? below - 7 : 0;
    const int multiplier = (256 + (1 << (8 - c.width))) << (below - up);
    return {_mm512_set1_epi16(short(up)), _mm512_set1_epi16(short((((1 << c.width) - 1) << (c.shift + up)) & 0xFFFF)),
            _mm512_set1_epi16(short(multiplier))};
}

__attribute__((target("avx512f,avx512bw"))) inline __m512i channelByte(__m512i raw, const ChannelProduct& c) {
    return _mm512_mulhi_epu16(_mm512_and_si512(_mm512_sllv_epi16(raw, c.up), c.mask), c.multiplier);
}

struct RowProducts {
    ChannelProduct red, green, blue;
};

// 32 raw values into pixels 0-15 (low) and 16-31 (high). The quarters are put in the order the
// in-lane unpacks need first: lane k holds values 4k..4k+3 and 16+4k..16+4k+3.
__attribute__((target("avx512f,avx512bw"))) inline void widen32(__m512i raw, const RowProducts& p, __m512i* low,
                                                                 __m512i* high) {
    // (The zeroing form with every lane kept is the plain permute; the plain intrinsic's undefined
    // start value trips GCC's uninitialised-use warning.)
    raw = _mm512_maskz_permutexvar_epi64(0xFF, _mm512_setr_epi64(0, 4, 1, 5, 2, 6, 3, 7), raw);
    const __m512i greenBlue = _mm512_or_si512(_mm512_slli_epi16(channelByte(raw, p.green), 8), channelByte(raw, p.blue));
    const __m512i red = channelByte(raw, p.red);
    *low = _mm512_unpacklo_epi16(greenBlue, red);
    *high = _mm512_unpackhi_epi16(greenBlue, red);
}

// `count` (at most 32) pixels by one masked step.
__attribute__((target("avx512f,avx512bw"))) inline void widenFew(const uint8_t* row, int count, const RowProducts& p,
                                                                  uint32_t* out) {
    const __mmask32 wanted = count >= 32 ? ~0u : (1u << count) - 1;
    __m512i low, high;
    widen32(_mm512_maskz_loadu_epi16(wanted, row), p, &low, &high);
    _mm512_mask_storeu_epi32(out, __mmask16(wanted), low);
    _mm512_mask_storeu_epi32(out + 16, __mmask16(wanted >> 16), high);
}

// Streamed: the pixels up to out's first 64-byte boundary go by a masked step, the whole lines
// after it by streaming stores that skip the cache (a 4-byte aligned `out` only).
template <bool Streamed>
__attribute__((target("avx512f,avx512bw"))) void widenByProducts(const PixelLayout& layout, const uint8_t* row,
                                                                 int width, uint32_t* out) {
    const RowProducts p{productOf(layout.red), productOf(layout.green), productOf(layout.blue)};
    int x = 0;
    if (Streamed) {
        x = std::min(width, int((-reinterpret_cast<uintptr_t>(out) & 63) / 4));
        if (x > 0) widenFew(row, x, p, out);
    }
    for (; x + 32 <= width; x += 32) {
        __m512i low, high;
        widen32(_mm512_loadu_si512(row + 2 * ptrdiff_t(x)), p, &low, &high);
        if (Streamed) {
            _mm512_stream_si512(reinterpret_cast<__m512i*>(out + x), low);
            _mm512_stream_si512(reinterpret_cast<__m512i*>(out + x + 16), high);
        } else {
            _mm512_storeu_si512(out + x, low);
            _mm512_storeu_si512(out + x + 16, high);
        }
    }
    if (x < width) widenFew(row + 2 * ptrdiff_t(x), width - x, p, out + x);
}
#endif

}  // namespace

bool widensByArithmetic(const PixelLayout& layout) {
    return layout.bytesPerPixel == 2 && shiftable(layout.red) && shiftable(layout.green) && shiftable(layout.blue);
}

bool processorWidens(WideningWay way) {
#ifdef VOREL_WIDEN_SIMD
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return way == WideningWay::Avx512 ? avx512 : avx2;
#else
    (void)way;
    return false;
#endif
}

bool widenRowByArithmetic(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out, WideningWay way,
                          WideningStores stores) {
    if (!widensByArithmetic(layout) || !processorWidens(way)) return false;
#ifdef VOREL_WIDEN_SIMD
    if (width <= 0) return true;
    const bool streamed = stores == WideningStores::Streamed && reinterpret_cast<uintptr_t>(out) % 4 == 0;
    if (way == WideningWay::Avx512 || (way == WideningWay::Fastest && processorWidens(WideningWay::Avx512))) {
        if (streamed)
            widenByProducts<true>(layout, row, width, out);
        else
            widenByProducts<false>(layout, row, width, out);
    } else
        widenByShifts(layout, row, width, out);
    return true;
#else
    (void)row, (void)width, (void)out, (void)stores;
    return false;
#endif
}

}  // namespace platform::ddraw
