// The list path's drop test, eight triangles at a time: the AVX-512 test must give the AVX2 test's
// answer bit for bit, and both must agree with set-up (a triangle set-up keeps and that covers a
// pixel centre is never dropped; one set-up drops always is), on random snapped triangles of
// every size, degenerate ones, ones on pixel centres and the scissor's edges, and ones far out.
// The band test for a queue drawing some bands only (any mask, AVX2 and AVX-512 alike) must never
// drop a triangle covering a centre in one of them, and must drop every triangle whose rows (a
// pixel wider) miss them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/span_walk.h"
#include "tests/d3d/random_edges.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/triangle_drop_avx512.h"

#if defined(__GNUC__) && !defined(__clang__)  // GCC 12 takes the intrinsics' undefined registers for uninitialized
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

using namespace platform::d3d;

namespace {

// Corner k of triangle t at (x[k][t], y[k][t]), in 1/16 pixel.
struct EightTriangles {
    int32_t x[3][8], y[3][8];
};

__attribute__((target("avx2"))) uint32_t droppedAvx2(const EightTriangles& e, D3DCULL cull, const Scissor& s) {
    __m256i x[3], y[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.x[k]));
        y[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.y[k]));
    }
    return drop8::dropped(x, y, cull, s);
}

__attribute__((target("avx512f,avx512dq,avx512vl,avx2"))) uint32_t droppedAvx512(const EightTriangles& e,
                                                                                 D3DCULL cull, const Scissor& s) {
    __m256i x[3], y[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.x[k]));
        y[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.y[k]));
    }
    return drop8w::dropped(x, y, cull, s);
}

// A random triangle of kind `kind`: under three pixels (most between centres), a few dozen, degenerate (two corners the
// same or all three on a line), on exact pixel centres, or reaching far out (|x| up to 2^24
// sixteenths).
void randomTriangle(std::mt19937& rng, int kind, int32_t x[3], int32_t y[3]) {
    auto in = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    const int32_t cx = in(-40 * 16, 840 * 16), cy = in(-40 * 16, 640 * 16);
    const int32_t size = kind == 0 ? 20 : kind == 4 ? (1 << 24) - 1 - std::max(std::abs(cx), std::abs(cy)) : 600;
    for (int k = 0; k < 3; ++k) x[k] = cx + in(-size, size), y[k] = cy + in(-size, size);
    if (kind == 2) {
        if (rng() % 2) x[1] = x[0], y[1] = y[0];  // two corners the same
        else x[2] = 2 * x[1] - x[0], y[2] = 2 * y[1] - y[0];  // on a line
    }
    if (kind == 3)
        for (int k = 0; k < 3; ++k) x[k] = x[k] / 16 * 16 + 8 * (rng() % 2), y[k] = y[k] / 16 * 16;
}

struct DropCounts {
    int dropped = 0, kept = 0, coveringNone = 0;
};

__attribute__((target("avx512f,avx512dq,avx512vl,avx2"))) void checkRound(std::mt19937& rng, D3DCULL cull,
                                                                          const Scissor& scissor, DropCounts& counts) {
    EightTriangles e;
    for (int t = 0; t < 8; ++t) {
        int32_t x[3], y[3];
        randomTriangle(rng, int(rng() % 5), x, y);
        for (int k = 0; k < 3; ++k) e.x[k][t] = x[k], e.y[k][t] = y[k];
    }
    const uint32_t wide = droppedAvx512(e, cull, scissor);
    ASSERT_EQ(wide, droppedAvx2(e, cull, scissor));
    for (int t = 0; t < 8; ++t) {
        ScreenVertex v[3] = {};
        for (int k = 0; k < 3; ++k) v[k].x = e.x[k][t], v[k].y = e.y[k][t];
        TriangleSetup setup;
        const bool setUp = setupTriangle(v[0], v[1], v[2], cull, scissor, &setup);
        const bool dropped = (wide >> t) & 1;
        const bool smallBox = setUp && int64_t(setup.maxX - setup.minX + 1) * (setup.maxY - setup.minY + 1) <= 64;
        if (!setUp) {
            ASSERT_TRUE(dropped) << "triangle " << t << ": set-up drops it";
        } else if (dropped) {
            ASSERT_TRUE(smallBox) << "triangle " << t << ": dropped with a box of more than 2 x 2 centres";
            ASSERT_FALSE(vorel_test::coversACentre(setup)) << "triangle " << t << ": covers a pixel centre";
        }
        counts.coveringNone += setUp && dropped;
        ++(dropped ? counts.dropped : counts.kept);
    }
}

TEST(TriangleDrop, TheAvx512TestDropsWhatTheAvx2TestAndSetUpDrop) {
    if (!haveAvx512()) GTEST_SKIP() << "no AVX-512 on this processor";
    std::mt19937 rng(41);
    const D3DCULL modes[] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
    const Scissor scissors[] = {{0, 0, 799, 599}, {10, 20, 700, 500}, {400, 300, 400, 300}};
    DropCounts counts;
    for (int round = 0; round < 6000; ++round) {
        checkRound(rng, modes[round % 3], scissors[round / 3 % 3], counts);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(counts.dropped, 8000);
    EXPECT_GT(counts.kept, 8000);
    EXPECT_GT(counts.coveringNone, 500) << "too few set-up triangles between pixel centres";
}

__attribute__((target("avx2"))) uint32_t clearOfBandsAvx2(const EightTriangles& e, BandMask bands) {
    __m256i y[3];
    for (int k = 0; k < 3; ++k) y[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.y[k]));
    return drop8::clearOfBands(y, bands);
}

__attribute__((target("avx512f,avx512vl,avx2"))) uint32_t clearOfBandsAvx512(const EightTriangles& e, BandMask bands) {
    __m256i y[3];
    for (int k = 0; k < 3; ++k) y[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e.y[k]));
    return drop8::clearOfBandsWide(y, bands);
}

// Whether set-up's triangle covers a pixel centre in a row of `bands`.
bool coversOwnRow(const TriangleSetup& t, BandMask bands) {
    for (int y = t.minY; y <= t.maxY; ++y) {
        int x0, x1;
        if (ownsRow(y, bands) && rowSpan(t, y, &x0, &x1)) return true;
    }
    return false;
}

// A queue's bands: interleaved among two to five parts, a few bands, none, or any.
BandMask randomBands(std::mt19937& rng, int round) {
    switch (round % 4) {
        case 0: {
            const int parts = 2 + int(rng() % 4);
            return interleavedBands(int(rng() % unsigned(parts)), parts);
        }
        case 1: return (BandMask(1) << (rng() % 64)) | (rng() % 2 ? BandMask(1) << (rng() % 64) : 0);
        case 2: return round % 32 == 2 ? 0 : ~(BandMask(1) << (rng() % 64));
        default: return BandMask(rng()) << 32 | BandMask(rng());
    }
}

// Each band test, AVX2 and AVX-512, against the scalar ownsBandIn of the triangle's rows (a pixel
// wider each way), for masks of every kind and triangles from a few rows to millions (rows past
// 64 bands, where the mask repeats); and against set-up: a triangle covering a centre in one of
// the bands is never dropped.
TEST(TriangleDrop, TrianglesClearOfAQueuesBandsAreDroppedAndNoOthers) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(43);
    const Scissor scissor{0, 0, 799, 1199};
    int dropped = 0, kept = 0, keptCovering = 0;
    for (int round = 0; round < 4000; ++round) {
        EightTriangles e;
        for (int t = 0; t < 8; ++t) {
            int32_t x[3], y[3];
            randomTriangle(rng, int(rng() % 5), x, y);
            for (int k = 0; k < 3; ++k) e.x[k][t] = x[k], e.y[k][t] = 2 * y[k] - 640 * (rng() % 2);
        }
        const BandMask bands = randomBands(rng, round);
        const uint32_t clear = clearOfBandsAvx2(e, bands);
        if (haveAvx512()) {
            ASSERT_EQ(clearOfBandsAvx512(e, bands), clear) << "round " << round << ", bands " << std::hex << bands;
        }
        for (int t = 0; t < 8; ++t) {
            const int32_t top = std::min({e.y[0][t], e.y[1][t], e.y[2][t]}) >> kSubPixelBits;
            const int32_t bottom = std::max({e.y[0][t], e.y[1][t], e.y[2][t]}) >> kSubPixelBits;
            const bool touches = ownsBandIn(std::max(top - 1, 0) >> kBandShift, (bottom + 1) >> kBandShift, bands);
            ASSERT_EQ((clear >> t) & 1, uint32_t(!touches))
                << "triangle " << t << ", rows " << top << ".." << bottom << ", bands " << std::hex << bands;
            ScreenVertex v[3] = {};
            for (int k = 0; k < 3; ++k) v[k].x = e.x[k][t], v[k].y = e.y[k][t];
            TriangleSetup setup;
            const bool covers = setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, scissor, &setup) &&
                                coversOwnRow(setup, bands);
            ASSERT_FALSE(covers && ((clear >> t) & 1)) << "triangle " << t << " covers a row of its bands";
            keptCovering += covers;
            ++((clear >> t) & 1 ? dropped : kept);
        }
    }
    EXPECT_GT(dropped, 6000);
    EXPECT_GT(kept, 6000);
    EXPECT_GT(keptCovering, 3000);
}

}  // namespace

#endif
