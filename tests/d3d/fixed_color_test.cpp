// The pixel stage's fixed-point colour arithmetic: the roundings it promises (products like
// pmulhrsw, fractions clamped and rounded to even, bytes rounded half up), that interpolations
// stay between their ends and keep flat colours flat, and that the stage-0 operations and fog
// give back the bytes they should at their ends (white, no fog, full fog).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/d3d/fixed_color.h"
#include "platform/d3d/stage_combine.h"

using namespace platform::d3d;

namespace {

TEST(FixedColor, ProductsAndBytesRoundAsDefined) {
    // (a b + 2^14) >> 15 with an arithmetic shift: negative products round towards minus infinity
    // past the half.
    EXPECT_EQ(fixed::product(fixed::kFull, fixed::kFraction), 32639);
    EXPECT_EQ(fixed::product(-1, fixed::kFraction), -1);
    EXPECT_EQ(fixed::product(1, 16384), 1);       // 0.5 rounds up
    EXPECT_EQ(fixed::product(-1, 16384), 0);      // -0.5 rounds up too
    EXPECT_EQ(fixed::product(3, 0), 0);
    EXPECT_EQ(fixed::toByte(fixed::kFull), 255u);
    EXPECT_EQ(fixed::toByte(63), 0u);
    EXPECT_EQ(fixed::toByte(64), 1u);              // half a step rounds up
    EXPECT_EQ(fixed::toByte(-500), 0u);
    EXPECT_EQ(fixed::toByte(40000), 255u);
    for (uint32_t b = 0; b < 256; ++b) EXPECT_EQ(fixed::toByte(fixed::channel(b)), b);
}

TEST(FixedColor, FractionsClampAndRoundToEven) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(fixed::fraction(nan, 32768.0f), 0);
    EXPECT_EQ(fixed::fraction(-0.25f, 32768.0f), 0);
    EXPECT_EQ(fixed::fraction(1.0f, 32768.0f), fixed::kFraction);
    EXPECT_EQ(fixed::fraction(inf, 1.0f), fixed::kFraction);
    EXPECT_EQ(fixed::fraction(-inf, 1.0f), 0);
    EXPECT_EQ(fixed::fraction(2.5f, 1.0f), 2);
    EXPECT_EQ(fixed::fraction(3.5f, 1.0f), 4);
    EXPECT_EQ(fixed::weight(0.0f), 0);
    EXPECT_EQ(fixed::weight(0.99999994f), 32767);  // truncated, never a whole one
    EXPECT_EQ(fixed::clampUnit(nan), 0.0f);
    EXPECT_EQ(fixed::fogChannel(nan), 0);
    EXPECT_EQ(fixed::fogChannel(2.0f), fixed::kFull);
}

TEST(FixedColor, BilinearStaysBetweenItsTexelsAndKeepsFlatColoursFlat) {
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        int32_t c[4];
        for (int32_t& v : c) v = fixed::channel(rng());
        const int32_t fx = int32_t(rng() % 32768), fy = int32_t(rng() % 32768);
        const int32_t v = fixed::bilinear(c[0], c[1], c[2], c[3], fx, fy);
        EXPECT_GE(v, std::min({c[0], c[1], c[2], c[3]}));
        EXPECT_LE(v, std::max({c[0], c[1], c[2], c[3]}));
        EXPECT_EQ(fixed::bilinear(c[0], c[0], c[0], c[0], fx, fy), c[0]);
        EXPECT_EQ(fixed::bilinear(c[0], c[1], c[2], c[3], 0, 0), c[0]);
        // Halfway between two texels along a row: their mean, within one rounding.
        const double mean = (c[0] + c[1]) / 2.0;
        EXPECT_NEAR(double(fixed::bilinear(c[0], c[1], c[0], c[1], 16384, fy)), mean, 1.0);
    }
}

TEST(FixedColor, FogEndsGiveTheColourAndTheFogColour) {
    for (uint32_t c = 0; c < 256; c += 3)
        for (uint32_t fog = 0; fog < 256; fog += 5) {
            const int32_t cv = fixed::channel(c), fv = fixed::channel(fog);
            EXPECT_EQ(fixed::toByte(fixed::fogged(cv, fv, fixed::fogFraction(1.0f))), c);
            EXPECT_EQ(fixed::fogged(cv, fv, fixed::fogFraction(0.0f)), fv);
            const int32_t half = fixed::fogged(cv, fv, fixed::fogFraction(0.5f));
            EXPECT_NEAR(double(half), (cv + fv) / 2.0, 1.0);
        }
}

TEST(StageCombine, OperationsGiveTheExpectedBytes) {
    const DWORD tex = D3DTA_TEXTURE, dif = D3DTA_DIFFUSE;
    const int32_t white = fixed::fraction(1.0f, 32768.0f);
    for (uint32_t t = 0; t < 256; ++t) {
        const int32_t texel = fixed::channel(t);
        // Texture times a white diffuse colour is the texel; selecting either argument.
        EXPECT_EQ(fixed::toByte(stageChannel(D3DTOP_MODULATE, tex, dif, true, texel, white)), t);
        EXPECT_EQ(fixed::toByte(stageChannel(D3DTOP_MODULATE, dif, tex, true, texel, white)), t);
        EXPECT_EQ(stageChannel(D3DTOP_SELECTARG1, tex, dif, true, texel, 0), texel);
        EXPECT_EQ(fixed::toByte(stageChannel(D3DTOP_SELECTARG2, tex, dif, true, texel, white)), 255u);
        // Texture times a diffuse colour d: within one of t d / 255.
        for (uint32_t d = 0; d < 256; d += 17) {
            const int32_t f = fixed::fraction(float(d) / 255.0f, 32768.0f);
            const double want = double(t) * d / 255.0;
            EXPECT_NEAR(double(fixed::toByte(stageChannel(D3DTOP_MODULATE, tex, dif, true, texel, f))), want, 1.0);
            EXPECT_NEAR(double(fixed::toByte(stageChannel(D3DTOP_MODULATE2X, tex, dif, true, texel, f))),
                        std::min(255.0, 2 * want), 1.0);
            EXPECT_NEAR(double(fixed::toByte(stageChannel(D3DTOP_ADD, tex, dif, true, texel, f))),
                        std::min(255.0, double(t + d)), 1.0);
        }
    }
    // No texture bound: the texture argument reads white, so modulating gives the diffuse colour.
    const int32_t d = fixed::fraction(0.4f, 32768.0f);
    EXPECT_EQ(stageChannel(D3DTOP_MODULATE, tex, dif, false, fixed::kFull, d), fixed::diffuseChannel(d));
    EXPECT_EQ(stageChannel(D3DTOP_DISABLE, tex, dif, true, 0, d), fixed::diffuseChannel(d));
    EXPECT_EQ(stageChannel(D3DTOP_SELECTARG1, tex, dif, false, fixed::kFull, d), fixed::kFull);
}

}  // namespace
