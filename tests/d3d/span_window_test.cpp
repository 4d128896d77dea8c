// The AVX-512 texel reads (span_avx512.h): a group's bilinear taps read from one or two windows of
// a texture row must be the texels at each lane's columns and rows, with the texture repeating at
// its edges, and a group the window cannot hold must be refused without reading; texel pairs read
// elsewhere must be each lane's texel and the next, in its row and in the row below it; a
// triangle's window tries must count the groups that fitted and missed, and the taps must not
// depend on whether a window was tried.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/d3d/raster_options.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_avx512.h"

namespace {

using namespace platform::d3d;
using namespace platform::d3d::span_avx512;

// GCC 12 takes the intrinsics' deliberately undefined source registers for uninitialized values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

// A random 32-bit texture with its texels where the span routines read them.
struct Texture {
    int width, height;
    std::vector<uint32_t> texels;
    SpanState state;

    Texture(int w, int h, uint32_t seed) : width(w), height(h), texels(size_t(w) * size_t(h)) {
        std::mt19937 rng(seed);
        for (uint32_t& t : texels) t = rng();
        state.texels = reinterpret_cast<const uint8_t*>(texels.data());
        state.texPitch = ptrdiff_t(w) * 4, state.texWidth = w, state.texHeight = h;
        state.texAlpha = true;  // the texels as stored, no alpha fill
    }
    uint32_t at(int x, int y) const { return texels[size_t(y % height) * size_t(width) + size_t(x % width)]; }
};

struct Group {
    int32_t x[16], y[16];
};

// Reads the group through the window routine the texture takes; false where it refused.
VOREL_AVX512 bool readWindow(const Texture& t, const Group& g, uint32_t out[4][16]) {
    const TextureView tv = textureView(span_avx2::textureView(t.state));
    const __m512i x0 = _mm512_loadu_si512(g.x), y0 = _mm512_loadu_si512(g.y);
    BilinearTaps taps;
    if (!(tv.wrapWindows ? fetchWrappedWindow(tv, x0, y0, &taps) : fetchWindow(tv, x0, y0, &taps))) return false;
    _mm512_storeu_si512(out[0], taps.c00), _mm512_storeu_si512(out[1], taps.c10);
    _mm512_storeu_si512(out[2], taps.c01), _mm512_storeu_si512(out[3], taps.c11);
    return true;
}

// Columns first + step x lane (wrapped), rows `row` up to lane `split`, then row + 1.
Group group(const Texture& t, int first, int step, int row, int split) {
    Group g;
    for (int i = 0; i < 16; ++i) {
        g.x[i] = ((first + step * i) % t.width + t.width) % t.width;
        g.y[i] = (row + (i >= split ? 1 : 0)) % t.height;
    }
    return g;
}

void expectTexels(const Texture& t, const Group& g, const uint32_t taps[4][16], const char* what) {
    for (int i = 0; i < 16; ++i) {
        const int x = g.x[i], y = g.y[i];
        EXPECT_EQ(taps[0][i], t.at(x, y)) << what << ", lane " << i;
        EXPECT_EQ(taps[1][i], t.at(x + 1, y)) << what << ", lane " << i;
        EXPECT_EQ(taps[2][i], t.at(x, y + 1)) << what << ", lane " << i;
        EXPECT_EQ(taps[3][i], t.at(x + 1, y + 1)) << what << ", lane " << i;
    }
}

void expectTaps(const Texture& t, const Group& g, const char* what) {
    uint32_t taps[4][16];
    ASSERT_TRUE(readWindow(t, g, taps)) << what << ", texture " << t.width << " wide, first column " << g.x[0];
    expectTexels(t, g, taps, what);
}

TEST(SpanWindow, WindowsReadEachLanesTexelsAcrossTheTexturesEdges) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    for (int width : {16, 32, 64, 128}) {
        const Texture t(width, 8, uint32_t(width));
        for (int first = 0; first < width; first += 3) {
            // Rightwards and leftwards, from every offset within sixteen and around the right edge;
            // the last texel row's next row is the first.
            expectTaps(t, group(t, first, 1, 7, 16), "one texel a lane, rightwards");
            expectTaps(t, group(t, first, -1, 2, 16), "one texel a lane, leftwards");
            expectTaps(t, group(t, first, 0, 3, 9), "one column, two texel rows");
            expectTaps(t, group(t, first, 1, 7, 5), "rightwards over two texel rows");
        }
    }
}

TEST(SpanWindow, GroupsTheWindowCannotHoldAreRefused) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    uint32_t taps[4][16];
    // (A window of 32 holds any group of a texture 32 wide; 20 takes the window of seventeen.)
    for (int width : {64, 128, 20}) {
        const Texture t(width, 8, 5);
        // Two texels a lane span 31 columns; three texel rows; a lane far from the others.
        EXPECT_FALSE(readWindow(t, group(t, 3, 2, 0, 16), taps)) << width;
        Group rows = group(t, 3, 1, 0, 8);
        rows.y[15] = 5;
        EXPECT_FALSE(readWindow(t, rows, taps)) << width;
        Group stray = group(t, 3, 1, 0, 16);
        stray.x[7] = (stray.x[7] + width / 2) % width;
        EXPECT_FALSE(readWindow(t, stray, taps)) << width;
    }
}

// A group's taps read as texel pairs, where no window holds it: any columns but the last, rows
// g.y and the rows `below` (each row's next, or any).
VOREL_AVX512 void readPairTaps(const Texture& t, const Group& g, const int32_t below[16], uint32_t out[4][16]) {
    const TextureView tv = textureView(span_avx2::textureView(t.state));
    BilinearTaps taps;
    loadPairTaps(tv, _mm512_loadu_si512(g.x), _mm512_loadu_si512(g.y), _mm512_loadu_si512(below), &taps);
    _mm512_storeu_si512(out[0], taps.c00), _mm512_storeu_si512(out[1], taps.c10);
    _mm512_storeu_si512(out[2], taps.c01), _mm512_storeu_si512(out[3], taps.c11);
}

TEST(SpanWindow, TexelPairsAreEachLanesTexelsInItsRowAndTheRowBelow) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::mt19937 rng(3);
    for (int width : {2, 20, 64}) {
        const Texture t(width, 9, uint32_t(width) + 1);
        for (int round = 0; round < 30; ++round) {
            // Rows under rows (one set of offsets for both), some lane on the last row (whose next
            // is the first), and rows at random below lanes anywhere (a second set).
            const int kind = round % 3;
            Group g;
            for (int i = 0; i < 16; ++i) g.x[i] = int(rng() % uint32_t(width - 1)), g.y[i] = int(rng() % (kind == 0 ? 8u : 9u));
            if (kind == 1) g.y[rng() % 16u] = 8;
            int32_t below[16];
            for (int i = 0; i < 16; ++i) below[i] = kind == 2 ? int(rng() % 9u) : (g.y[i] + 1) % 9;
            uint32_t taps[4][16];
            readPairTaps(t, g, below, taps);
            for (int i = 0; i < 16; ++i) {
                const int x = g.x[i], y = g.y[i];
                EXPECT_EQ(taps[0][i], t.at(x, y)) << width << ", kind " << kind << ", lane " << i;
                EXPECT_EQ(taps[1][i], t.at(x + 1, y)) << width << ", kind " << kind << ", lane " << i;
                EXPECT_EQ(taps[2][i], t.at(x, below[i])) << width << ", kind " << kind << ", lane " << i;
                EXPECT_EQ(taps[3][i], t.at(x + 1, below[i])) << width << ", kind " << kind << ", lane " << i;
            }
        }
    }
}

// The bilinear taps of a group whose lanes sample texel columns g.x, rows g.y, a quarter texel
// right of and below each texel's centre, read through bilinearTaps with its window tries.
VOREL_AVX512 void readTaps(const Texture& t, const Group& g, bool windows, WindowTries* tries, uint32_t out[4][16]) {
    const TextureView tv = textureView(span_avx2::textureView(t.state));
    float u[16], v[16];
    for (int i = 0; i < 16; ++i) {
        u[i] = (float(g.x[i]) + 0.75f) / float(t.width);
        v[i] = (float(g.y[i]) + 0.75f) / float(t.height);
    }
    const BilinearTaps taps = bilinearTaps(tv, _mm512_loadu_ps(u), _mm512_loadu_ps(v), 0xFFFF, windows, tries);
    _mm512_storeu_si512(out[0], taps.c00), _mm512_storeu_si512(out[1], taps.c10);
    _mm512_storeu_si512(out[2], taps.c01), _mm512_storeu_si512(out[3], taps.c11);
}

TEST(SpanWindow, ATrianglesGroupsStopTryingWindowsOnceMoreMissedThanFitted) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    // 64 wide: wrapped windows of 32; 40 wide: windows of seventeen.
    for (int width : {64, 40}) {
        const Texture t(width, 8, uint32_t(width) + 7);
        const Group fits = group(t, 2, 1, 3, 16), misses = group(t, 1, 3, 5, 16);  // 46 columns
        uint32_t taps[4][16];
        WindowTries tries;
        readTaps(t, fits, true, &tries, taps);
        expectTexels(t, fits, taps, "a group a window holds");
        EXPECT_EQ(tries.found, 1) << width;
        EXPECT_EQ(tries.missed, 0) << width;
        readTaps(t, misses, true, &tries, taps);
        expectTexels(t, misses, taps, "a group read by gathers after its window missed");
        EXPECT_EQ(tries.missed, 1) << width;
        EXPECT_TRUE(tries.worthTrying()) << "one miss against one fit, " << width;
        readTaps(t, misses, true, &tries, taps);
        EXPECT_EQ(tries.missed, 2) << width;
        EXPECT_FALSE(tries.worthTrying()) << "two misses against one fit, " << width;
        // Groups not asked to try a window record nothing and read the same texels.
        readTaps(t, fits, false, &tries, taps);
        expectTexels(t, fits, taps, "a group read without a window");
        EXPECT_EQ(tries.found, 1) << width;
        EXPECT_EQ(tries.missed, 2) << width;
    }
    // A triangle's first group decides alone: a miss there stops the tries.
    WindowTries first;
    first.record(false);
    EXPECT_FALSE(first.worthTrying());
}

// wrapCoordinate of sixteen values.
VOREL_AVX512 void wrap16(const float in[16], float out[16]) {
    _mm512_storeu_ps(out, wrapCoordinate(_mm512_loadu_ps(in)));
}

// The reference's wrap: t - floor(t) rounded to nearest, 0 for infinities and NaN.
float referenceWrap(float t) { return std::isfinite(t) ? t - std::floor(t) : 0.0f; }

TEST(SpanWindow, CoordinatesWrapAsTheReferencesDo) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float tiny = std::numeric_limits<float>::denorm_min(), big = std::numeric_limits<float>::max();
    // Tiny negatives wrap to 1 (rounded to nearest); whole numbers, those from 2^23 and past the
    // integers' range among them, to 0; -0, denormals, the float just under 0.5 / 256 (whose
    // scaled value less a half rounds to the next texel when one is added back).
    std::vector<float> values = {nan,     -nan,       inf,          -inf,         big,         -big,
                                 0.0f,    -0.0f,      tiny,         -tiny,        -1e-9f,      -3e-8f,
                                 1e-9f,   0.9999999f, -0.9999999f,  1.0f,         -1.0f,       8388608.5f,
                                 8388607.5f, -8388607.5f, 2147483648.0f, -2147483648.0f, -2147483904.0f, 4294967296.0f,
                                 3e9f,    -3e9f,      1e30f,        -1e30f,       0.5f / 256.0f - std::ldexp(1.0f, -33),
                                 -2.5f,   1234.5678f, -1234.5678f};
    std::mt19937 rng(8);
    for (int i = 0; i < 64; ++i) {
        uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, 4);
        values.push_back(f);
    }
    values.resize((values.size() + 15) / 16 * 16, 0.25f);
    for (size_t at = 0; at < values.size(); at += 16) {
        float out[16];
        wrap16(&values[at], out);
        for (int i = 0; i < 16; ++i) {
            const float t = values[at + size_t(i)], want = referenceWrap(t);
            EXPECT_EQ(out[i], want) << "t = " << t << " (bits " << std::hex << [&] {
                uint32_t b;
                std::memcpy(&b, &t, 4);
                return b;
            }() << ")";
            EXPECT_TRUE(out[i] >= 0.0f && out[i] <= 1.0f) << t;
        }
    }
}

// scaledLessHalf of sixteen values.
VOREL_AVX512 void scaled16(const float in[16], float size, bool powerOfTwo, float out[16]) {
    _mm512_storeu_ps(out, scaledLessHalf(_mm512_loadu_ps(in), _mm512_set1_ps(size), powerOfTwo));
}

// Wrapped coordinates scaled to a texture and less a half are the reference's two roundings (the
// product, then the difference) for every size; a fused multiply-add rounds once, which differs
// where the product is not exact (sizes other than powers of two).
TEST(SpanWindow, ScaledCoordinatesLessAHalfRoundAsTheReferencesTwoSteps) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512";
    std::vector<float> values = {0.0f, -0.0f, 1.0f, std::numeric_limits<float>::denorm_min(), 0.5f, 0.9999999f,
                                 std::ldexp(1.0f, -24), 1.0f / 3.0f, 0.5f / 256.0f - std::ldexp(1.0f, -33)};
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    while (values.size() < 16 * 64) values.push_back(unit(rng));
    for (const int size : {1, 2, 16, 256, 512, 4096, 3, 100, 257, 1000}) {
        const bool powerOfTwo = (size & (size - 1)) == 0;
        int differsFromOneRounding = 0;
        for (size_t at = 0; at < values.size(); at += 16) {
            float out[16];
            scaled16(&values[at], float(size), powerOfTwo, out);
            for (int i = 0; i < 16; ++i) {
                const float t = values[at + size_t(i)];
                volatile float product = t * float(size);  // rounded on its own, as the reference does
                const float want = product - 0.5f;
                EXPECT_EQ(out[i], want) << "t = " << t << ", size " << size;
                differsFromOneRounding += std::fma(t, float(size), -0.5f) != want;
            }
        }
        // The fused form is only taken where it cannot differ: the values above tell them apart.
        if (!powerOfTwo) EXPECT_GT(differsFromOneRounding, 0) << size;
        else EXPECT_EQ(differsFromOneRounding, 0) << size;
    }
}

}  // namespace

#endif
