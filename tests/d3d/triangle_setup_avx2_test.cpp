// The AVX2 set-up against setupTriangle: the same answer and, when kept, the same record byte for
// byte (every field written: the two records start from different fill bytes), over random
// triangles of every size and both windings, degenerate ones, axis-aligned edges (top-left rule)
// and scissors the triangles cross.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/triangle_setup_avx2.h"

using namespace platform::d3d;

namespace {

// A vertex at (x, y) in 1/16 pixel with random depth, 1/w and attributes.
ScreenVertex randomVertex(std::mt19937& rng, int32_t x, int32_t y) {
    std::uniform_real_distribution<float> unit(-2.0f, 2.0f);
    ScreenVertex v;
    v.x = x, v.y = y;
    v.z = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    v.invW = std::uniform_real_distribution<float>(0.01f, 3.0f)(rng);
    for (float& a : v.attr) a = unit(rng);
    return v;
}

struct Outcome {
    int kept = 0, dropped = 0;
};

// Both set-ups of a b c; the records must match wherever setupTriangle keeps the triangle.
void compare(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, D3DCULL cull, const Scissor& s,
             Outcome& outcome) {
    TriangleSetup want, got;
    std::memset(&want, 0x00, sizeof want);
    std::memset(&got, 0xA5, sizeof got);
    const bool kept = setupTriangle(a, b, c, cull, s, &want);
    ASSERT_EQ(setupTriangleAvx2(a, b, c, cull, s, &got), kept)
        << "(" << a.x << "," << a.y << ") (" << b.x << "," << b.y << ") (" << c.x << "," << c.y << ") cull " << cull;
    ++(kept ? outcome.kept : outcome.dropped);
    if (!kept) return;
    ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0)
        << "(" << a.x << "," << a.y << ") (" << b.x << "," << b.y << ") (" << c.x << "," << c.y << ") cull " << cull;
}

TEST(TriangleSetupAvx2, RandomTrianglesGetTheReferenceRecord) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(8);
    const D3DCULL modes[] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
    const Scissor scissors[] = {{0, 0, 799, 599}, {-40, -30, 25, 35}, {100, 200, 100, 200}};
    // Spans of the positions: a few pixels, the screen, and the projection's whole range.
    const int32_t spans[] = {64, 16 * 900, 16000000};
    Outcome outcome[3];
    for (int i = 0; i < 30000; ++i) {
        const int32_t span = spans[i % 3];
        // First corners on and around the screen; the others up to half the span away.
        std::uniform_int_distribution<int32_t> at(-16 * 100, 16 * 900), step(-span / 2, span / 2);
        const int32_t x = at(rng), y = at(rng);
        const ScreenVertex a = randomVertex(rng, x, y);
        const ScreenVertex b = randomVertex(rng, x + step(rng), y + step(rng));
        ScreenVertex c = randomVertex(rng, x + step(rng), y + step(rng));
        if (i % 7 == 0) c.y = b.y;  // an edge along a row
        if (i % 11 == 0) c.x = a.x;  // an edge along a column
        if (i % 13 == 0) c.x = 2 * b.x - a.x, c.y = 2 * b.y - a.y;  // no area
        compare(a, b, c, modes[i % 3], scissors[(i / 3) % 3], outcome[i % 3]);
        if (HasFatalFailure()) return;
    }
    for (int span = 0; span < 3; ++span) {
        EXPECT_GT(outcome[span].kept, 1000) << "span " << span;
        EXPECT_GT(outcome[span].dropped, 500) << "span " << span;
    }
}

// Small triangles around one pixel centre with every corner on the 1/16 grid nearby: edges
// through the centre from every direction, so the top-left bias and the box's rounding are
// exercised at their boundaries.
TEST(TriangleSetupAvx2, TrianglesAroundAPixelCentreGetTheReferenceRecord) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> near(-24, 24);
    const Scissor scissor{-5, -5, 5, 5};
    Outcome outcome;
    for (int i = 0; i < 20000; ++i) {
        const ScreenVertex a = randomVertex(rng, near(rng), near(rng));
        const ScreenVertex b = randomVertex(rng, near(rng), near(rng));
        const ScreenVertex c = randomVertex(rng, near(rng), near(rng));
        compare(a, b, c, D3DCULL_NONE, scissor, outcome);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(outcome.kept, 5000);
    EXPECT_GT(outcome.dropped, 100);
}

}  // namespace
