// The span routines' attribute planes made on eight lanes (span_argb_avx2.h's lanePlanes) against
// trianglePlanes, the definition the reference pixel stage uses: the same floats, bit for bit, for
// random triangles with attributes and slopes of every size and sign, zero and denormal values
// among them, and edges of every size. Built with -ffp-contract=off as the span routines are
// (tests.cmake): a fused multiply-add would round differently.
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

}  // namespace

#endif
