#include "tools/lib/assets/caustics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using assets::Picture;

float luma(const assets::Rgb& c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }

float meanDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) sum += std::fabs(luma(a.at(x, y)) - luma(b.at(x, y)));
    return static_cast<float>(sum / (a.width() * a.height()));
}

// Mean luma step between column x and the column after it (wrapping).
float columnStep(const Picture& p, int x) {
    double sum = 0;
    for (int y = 0; y < p.height(); ++y) sum += std::fabs(luma(p.at(x, y)) - luma(p.at((x + 1) % p.width(), y)));
    return static_cast<float>(sum / p.height());
}

float rowStep(const Picture& p, int y) {
    double sum = 0;
    for (int x = 0; x < p.width(); ++x) sum += std::fabs(luma(p.at(x, y)) - luma(p.at(x, (y + 1) % p.height())));
    return static_cast<float>(sum / p.width());
}

TEST(Caustics, FramesAreNamedWithTwoDigitsFromOne) {
    EXPECT_EQ(assets::causticFrameName("caust", 1), "caust01.bmp");
    EXPECT_EQ(assets::causticFrameName("caustg", 16), "caustg16.bmp");
    const auto& v = assets::causticVariants();
    EXPECT_STREQ(v[0].baseName, "caust");
    EXPECT_STREQ(v[1].baseName, "causty");
    EXPECT_STREQ(v[2].baseName, "caustb");
    EXPECT_STREQ(v[3].baseName, "caustg");
}

TEST(Caustics, TheLoopFromFrame16BackTo1IsNoBiggerAStepThanAnyOther) {
    const auto& variant = assets::causticVariants()[0];
    std::vector<Picture> frames;
    for (int f = 0; f < assets::kCausticFrames; ++f) frames.push_back(assets::causticFrame(variant, f, assets::kCausticSize));
    float smallest = 1e9f, largest = 0;
    for (int f = 0; f + 1 < assets::kCausticFrames; ++f) {
        const float d = meanDifference(frames[f], frames[f + 1]);
        smallest = std::min(smallest, d), largest = std::max(largest, d);
    }
    const float wrap = meanDifference(frames.back(), frames.front());
    EXPECT_GT(smallest, 0.02f) << "neighbouring frames must differ visibly";
    EXPECT_LE(wrap, largest * 1.1f);
    EXPECT_GE(wrap, smallest * 0.5f) << "frame 16 must not repeat frame 1";
}

TEST(Caustics, OppositeEdgesOfEveryVariantMatchLikeNeighbouringColumns) {
    for (const auto& variant : assets::causticVariants()) {
        const Picture p = assets::causticFrame(variant, 5, assets::kCausticSize);
        double columns = 0, rows = 0;
        for (int i = 0; i + 1 < p.width(); ++i) columns += columnStep(p, i), rows += rowStep(p, i);
        columns /= p.width() - 1, rows /= p.height() - 1;
        EXPECT_LE(columnStep(p, p.width() - 1), 2.0 * columns) << variant.baseName;
        EXPECT_LE(rowStep(p, p.height() - 1), 2.0 * rows) << variant.baseName;
    }
}

TEST(Caustics, EveryVariantShowsBrightFilamentsOnADarkGroundWithoutGrain) {
    for (const auto& variant : assets::causticVariants()) {
        const Picture p = assets::causticFrame(variant, 0, assets::kCausticSize);
        int dark = 0, bright = 0;
        double step = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const float l = luma(p.at(x, y));
                dark += l < 0.12f * luma(variant.tint) + 0.02f;
                bright += l > 0.55f * luma(variant.tint);
                step += std::fabs(l - luma(p.at((x + 1) % p.width(), y)));
            }
        const double n = p.width() * p.height();
        EXPECT_GT(dark / n, 0.30) << variant.baseName << ": the ground must be dark";
        EXPECT_GT(bright / n, 0.04) << variant.baseName << ": there must be bright filaments";
        EXPECT_LT(bright / n, 0.40) << variant.baseName << ": filaments, not a lit plane";
        EXPECT_LT(step / n, 0.06) << variant.baseName << ": smooth filaments, not noise";
    }
}

TEST(Caustics, RefractedLightIsConservedAndFocused) {
    const auto light = assets::causticIntensity(assets::causticVariants()[1].seed, 3, 64);
    double sum = 0;
    float peak = 0;
    for (float v : light) sum += v, peak = std::max(peak, v);
    EXPECT_NEAR(sum / light.size(), 1.0, 1e-3) << "every ray lands on the wrapped floor";
    EXPECT_GT(peak, 3.0f) << "the surface focuses light into caustics";
}

TEST(Caustics, VariantsHaveTheirOwnWaterAndColour) {
    const auto& v = assets::causticVariants();
    const Picture red = assets::causticFrame(v[0], 0, 64);
    const Picture blue = assets::causticFrame(v[2], 0, 64);
    double redSum = 0, blueSum = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) redSum += red.at(x, y).r - red.at(x, y).b, blueSum += blue.at(x, y).b - blue.at(x, y).r;
    EXPECT_GT(redSum, 0);
    EXPECT_GT(blueSum, 0);
    const auto a = assets::causticIntensity(v[0].seed, 0, 32), b = assets::causticIntensity(v[2].seed, 0, 32);
    EXPECT_NE(a, b);
}

}  // namespace
