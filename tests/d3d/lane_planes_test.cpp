// The span routines' attribute planes made on eight lanes (span_argb_avx2.h's lanePlanes) against
// trianglePlanes, the definition the reference pixel stage uses: the same floats, bit for bit, for
// random triangles with attributes and slopes of every size and sign, zero and denormal values
// among them, and edges of every size. Built with -ffp-contract=off as the span routines are
// (tests.cmake): a fused multiply-add would round differently. The one-pixel path's planes and
// depth value are checked against the lanes of a row, a tile and the eight-lane depth values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/d3d/raster_options.h"
#include "tests/d3d/random_edges.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_argb_avx2.h"

using namespace platform::d3d;

namespace {

struct Planes {
    float corner[kPlaneCount], right[kPlaneCount], down[kPlaneCount];
};

VOREL_FMA Planes onLanes(const TriangleSetup& t) {
    const span_avx2::LanePlanes p = span_avx2::lanePlanes(t);
    Planes out;
    _mm256_storeu_ps(out.corner, p.corner);
    _mm256_storeu_ps(out.right, p.right);
    _mm256_storeu_ps(out.down, p.down);
    return out;
}

float randomValue(std::mt19937& rng) {
    switch (rng() % 8) {
        case 0: return 0.0f;
        case 1: return std::numeric_limits<float>::denorm_min() * float(rng() % 1000);
        case 2: return std::uniform_real_distribution<float>(-1e6f, 1e6f)(rng);
        default: return std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
    }
}

TriangleSetup randomTriangle(std::mt19937& rng) {
    TriangleSetup t{};
    vorel_test::randomEdges(rng, &t);
    t.invArea = 1.0 / std::uniform_real_distribution<double>(1.0, 1e9)(rng);
    t.minX = int(rng() % 2000) - 200, t.minY = int(rng() % 1500) - 200;
    t.w0 = randomValue(rng), t.dw1 = randomValue(rng), t.dw2 = randomValue(rng);
    for (int i = 0; i < kAttributeCount; ++i) t.a0[i] = randomValue(rng), t.da1[i] = randomValue(rng), t.da2[i] = randomValue(rng);
    return t;
}

bool sameBits(const float* a, const float* b) { return std::memcmp(a, b, sizeof(float) * kPlaneCount) == 0; }

TEST(LanePlanes, RandomTrianglesGetTrianglePlanesFloats) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(17);
    int differentCorners = 0;
    for (int i = 0; i < 20000; ++i) {
        const TriangleSetup t = randomTriangle(rng);
        const TrianglePlanes want = trianglePlanes(t);
        const Planes got = onLanes(t);
        ASSERT_TRUE(sameBits(want.corner, got.corner)) << "triangle " << i;
        ASSERT_TRUE(sameBits(want.right, got.right)) << "triangle " << i;
        ASSERT_TRUE(sameBits(want.down, got.down)) << "triangle " << i;
        differentCorners += want.corner[kInvWPlane] != want.corner[0];
    }
    // The 1/w lane comes from its own fields, not the attributes'.
    EXPECT_GT(differentCorners, 10000);
}

// Constants holding only what the planes at a pixel read (no texture, no depth).
VOREL_FMA span_avx2::ArgbConstants planeConstants(const TriangleSetup& t) {
    const span_avx2::LanePlanes p = span_avx2::lanePlanes(t);
    span_avx2::ArgbConstants k{};
    k.corner = p.corner, k.down = p.down;
    _mm256_storeu_ps(k.slope, p.right);
    k.minX = t.minX, k.minY = t.minY;
    return k;
}

// Plane i's value on lane `lane` of planes.
template <class Planes>
VOREL_FMA float laneValue(const Planes& planes, int i, int lane) {
    float v[8];
    _mm256_storeu_ps(v, planes(i));
    return v[lane];
}

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The one-pixel path's planes at a pixel are a row's lane and a tile's lane at that pixel, bit for
// bit, on every lane.
VOREL_FMA void expectPixelPlanesOfRowsAndTiles(const TriangleSetup& t, int i) {
    const span_avx2::ArgbConstants k = planeConstants(t);
    const int x = t.minX + int(unsigned(i) % 9), y = t.minY + int(unsigned(i) % 5);
    const span_avx2::RowPlanes row(t, k, x, y, false);
    const span_avx2::TilePlanes<4> tile4(k, x, y);
    const span_avx2::TilePlanes<2> tile2(k, x, y);
    for (int lane = 0; lane < 8; ++lane)
        for (int plane = 0; plane < kPlaneCount; ++plane) {
            const span_avx2::PixelPlanes atRow(k, x + lane, y), at4(k, x + lane % 4, y + lane / 4),
                at2(k, x + lane % 2, y + lane / 2);
            ASSERT_TRUE(sameFloat(laneValue(row, plane, lane), laneValue(atRow, plane, i % 8)))
                << "triangle " << i << ", row lane " << lane << ", plane " << plane;
            ASSERT_TRUE(sameFloat(laneValue(tile4, plane, lane), laneValue(at4, plane, lane)))
                << "triangle " << i << ", 4-wide tile lane " << lane << ", plane " << plane;
            ASSERT_TRUE(sameFloat(laneValue(tile2, plane, lane), laneValue(at2, plane, 7 - lane)))
                << "triangle " << i << ", 2-wide tile lane " << lane << ", plane " << plane;
        }
}

TEST(LanePlanes, OnePixelsPlanesAreARowsAndATilesLanes) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(23);
    for (int i = 0; i < 3000; ++i) expectPixelPlanesOfRowsAndTiles(randomTriangle(rng), i);
}

// The one-pixel path's depth value (in *value) against lane 0 of the eight-lane depth values.
template <DepthFormat D>
VOREL_FMA bool sameDepthAsLanes(const TriangleSetup& t, float l1, float l2, uint32_t* value) {
    const __m256i lanes = span_avx2::depthValues<D>(t, _mm256_set1_ps(l1), _mm256_set1_ps(l2));
    *value = span_avx2::depthValue<D>(t, l1, l2);
    return *value == uint32_t(_mm256_cvtsi256_si32(lanes));
}

// Weights and depth terms of every size and sign, NaN and infinities among the weights: values
// clamped at both ends, rounded up and down, in both depth formats.
TEST(LanePlanes, OnePixelsDepthIsTheLanesDepth) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(29);
    std::uniform_real_distribution<double> unit(-0.5, 1.5), term(-2.0, 2.0);
    auto weight = [&]() {
        switch (rng() % 10) {
            case 0: return std::numeric_limits<float>::quiet_NaN();
            case 1: return rng() % 2 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
            case 2: return randomValue(rng);
            default: return float(unit(rng));
        }
    };
    int clamped = 0;
    for (int i = 0; i < 100000; ++i) {
        TriangleSetup t{};
        t.z0 = unit(rng), t.dz1 = term(rng), t.dz2 = term(rng);
        const float l1 = weight(), l2 = weight();
        uint32_t z32, z;
        ASSERT_TRUE(sameDepthAsLanes<DepthFormat::Z32>(t, l1, l2, &z32)) << "z32, case " << i;
        ASSERT_TRUE(sameDepthAsLanes<DepthFormat::Z16>(t, l1, l2, &z)) << "z16, case " << i;
        clamped += z == 0 || z == 65535;
    }
    // Both ends of the range were met, and most values lay between them.
    EXPECT_GT(clamped, 10000);
    EXPECT_LT(clamped, 90000);
}

}  // namespace

#endif
