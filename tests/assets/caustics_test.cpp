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

// Brightest channel: the measure of light that does not depend on the variant's colour.
float light(const assets::Rgb& c) { return std::max({c.r, c.g, c.b}); }

// Mean step in light between row a and row b (columns when `columns`).
float lineStep(const Picture& p, int a, int b, bool columns) {
    double sum = 0;
    for (int i = 0; i < p.width(); ++i)
        sum += columns ? std::fabs(light(p.at(a, i)) - light(p.at(b, i))) : std::fabs(light(p.at(i, a)) - light(p.at(i, b)));
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

// A tile's last row (column) must lead into its first as smoothly as rows lead into their
// neighbours: the first row matches the last one better than any row two or more steps away does.
TEST(Caustics, EveryVariantTilesWithoutASeam) {
    for (const auto& variant : assets::causticVariants()) {
        for (int frame : {0, 5, 11}) {
            const Picture p = assets::causticFrame(variant, frame, assets::kCausticSize);
            const int last = p.width() - 1;
            for (bool columns : {false, true}) {
                float nearestOther = 1e9f;
                for (int k = 2; k + 2 < last; ++k) nearestOther = std::min(nearestOther, lineStep(p, last, k, columns));
                EXPECT_LT(lineStep(p, last, 0, columns), nearestOther)
                    << variant.baseName << " frame " << frame << (columns ? " columns" : " rows");
            }
        }
    }
}

// On a body the ground keeps the colour and form of the molecule, the filaments bring the light.
TEST(Caustics, EveryVariantShowsBrightFilamentsOnADimGroundWithoutGrain) {
    for (const auto& variant : assets::causticVariants()) {
        const Picture p = assets::causticFrame(variant, 0, assets::kCausticSize);
        const float tint = luma(variant.tint);
        int dim = 0, black = 0, bright = 0;
        double step = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const float l = luma(p.at(x, y));
                dim += l < 0.4f * tint;
                black += l < 0.2f * tint;
                bright += l > 0.55f * tint;
                step += std::fabs(l - luma(p.at((x + 1) % p.width(), y)));
            }
        const double n = p.width() * p.height();
        EXPECT_GT(dim / n, 0.30) << variant.baseName << ": most of the ground is dim";
        EXPECT_EQ(black, 0) << variant.baseName << ": the ground never goes black";
        EXPECT_GT(bright / n, 0.04) << variant.baseName << ": there must be bright filaments";
        EXPECT_LT(bright / n, 0.40) << variant.baseName << ": filaments, not a lit plane";
        EXPECT_LT(step / n, 0.04) << variant.baseName << ": smooth filaments, not noise";
    }
}

// Correlation of the light with itself moved by `shift` texels (along both axes, wrapping).
float autocorrelation(const Picture& p, int shift) {
    const int n = p.width();
    double mean = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) mean += light(p.at(x, y));
    mean /= double(n) * n;
    double together = 0, alone = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double a = light(p.at(x, y)) - mean;
            together += a * (light(p.at((x + shift) % n, y)) - mean) + a * (light(p.at(x, (y + shift) % n)) - mean);
            alone += 2 * a * a;
        }
    return static_cast<float>(together / alone);
}

// The bodies show a tile small and the saver's textures have no mipmaps: light that changes within
// a few texels breaks up into specks when drawn smaller. The cells must still have structure
// inside the tile (light is not one smooth blur).
TEST(Caustics, FilamentsAreBroadEnoughToSurviveMinification) {
    for (const auto& variant : assets::causticVariants()) {
        const Picture p = assets::causticFrame(variant, 3, assets::kCausticSize);
        EXPECT_GT(autocorrelation(p, 4), 0.6f) << variant.baseName;
        EXPECT_LT(autocorrelation(p, 16), 0.5f) << variant.baseName;
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
