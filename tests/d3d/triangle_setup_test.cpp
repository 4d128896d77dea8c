// Set-up's pixel box: the centres a triangle can cover, clamped to the scissor, for positions on
// both sides of zero (the box rounds inwards: up at the low end, down at the high end).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/d3d/triangle_setup.h"

using namespace platform::d3d;

namespace {

ScreenVertex at(int32_t x, int32_t y) {
    ScreenVertex v{};
    v.x = x, v.y = y, v.invW = 1;
    return v;
}

TEST(TriangleSetup, PixelBoxHoldsTheCentresBetweenTheExtremesWithinTheScissor) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int32_t> position(-800, 800), size(0, 100);
    const Scissor scissor{-20, -30, 25, 35};
    int kept = 0, negative = 0, onCentre = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t x = position(rng), y = position(rng);
        const ScreenVertex v[3] = {at(x, y), at(x + size(rng), y + size(rng)), at(x - size(rng), y + size(rng))};
        TriangleSetup t;
        if (!setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, scissor, &t)) continue;
        const auto [loX, hiX] = std::minmax({v[0].x, v[1].x, v[2].x});
        const auto [loY, hiY] = std::minmax({v[0].y, v[1].y, v[2].y});
        EXPECT_EQ(t.minX, std::max(scissor.minX, int(std::ceil(loX / 16.0)))) << loX;
        EXPECT_EQ(t.maxX, std::min(scissor.maxX, int(std::floor(hiX / 16.0)))) << hiX;
        EXPECT_EQ(t.minY, std::max(scissor.minY, int(std::ceil(loY / 16.0)))) << loY;
        EXPECT_EQ(t.maxY, std::min(scissor.maxY, int(std::floor(hiY / 16.0)))) << hiY;
        ++kept, negative += loX < 0 && hiX < 0;
        onCentre += loX % 16 == 0 || hiY % 16 == 0;
    }
    EXPECT_GT(kept, 1000);
    EXPECT_GT(negative, 100);
    EXPECT_GT(onCentre, 100);
}

}  // namespace
