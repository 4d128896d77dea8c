#include <gtest/gtest.h>

#include <cmath>

#include "tools/lib/assets/logo.h"
#include "tools/lib/assets/textures.h"

namespace {

using assets::Picture;

float grey(const Picture& p, int x, int y) { return p.at(x, y).g; }

float columnMean(const Picture& p, int x) {
    float sum = 0;
    for (int y = 0; y < p.height(); ++y) sum += grey(p, x, y);
    return sum / static_cast<float>(p.height());
}

TEST(AssetPictures, StingHasABrightCoreFadingToDarkSides) {
    const Picture p = assets::stingTexture();
    const float core = columnMean(p, p.width() / 2);
    EXPECT_GT(core, 0.6f);
    EXPECT_LT(columnMean(p, 0), 0.1f * core);
    EXPECT_LT(columnMean(p, p.width() - 1), 0.1f * core);
    for (int x = p.width() / 2; x + 1 < p.width(); ++x)
        EXPECT_GE(columnMean(p, x) + 0.05f, columnMean(p, x + 1)) << "fades steadily towards the side";
}

// The shell textures repeat along u (once per plate side, many times along a ribbon).
TEST(AssetPictures, ShellTexturesJoinSeamlesslyAlongTheirLength) {
    for (const Picture& p : {assets::capsidTexture(), assets::cageTexture()}) {
        float seam = 0, typical = 0;
        for (int y = 0; y < p.height(); ++y) {
            seam += std::fabs(grey(p, 0, y) - grey(p, p.width() - 1, y));
            typical += std::fabs(grey(p, 0, y) - grey(p, 1, y));
        }
        EXPECT_LE(seam, typical * 1.5f + 0.01f);
    }
}

TEST(AssetPictures, CapsidPlatesGlowAtTheirRims) {
    const Picture p = assets::capsidTexture();
    const int x = p.width() / 3;
    const float outer = grey(p, x, p.height() / 20), middle = grey(p, x, p.height() / 2);
    const float inner = grey(p, x, p.height() - 1 - p.height() / 20);
    EXPECT_GT(outer, 3 * middle);
    EXPECT_GT(inner, 2 * middle);
}

TEST(AssetPictures, LogoIsAColourfulPictureAtLeastTheHostPreviewSize) {
    const Picture logo = assets::logoPicture();
    EXPECT_GE(logo.width(), 152);
    EXPECT_GE(logo.height(), 112);
    int red = 0, yellow = 0, green = 0, blue = 0, dark = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) {
            const assets::Rgb c = logo.at(x, y);
            red += c.r > 0.5f && c.g < 0.3f && c.b < 0.3f;
            yellow += c.r > 0.5f && c.g > 0.4f && c.b < 0.3f;
            green += c.g > 0.4f && c.r < 0.35f && c.b < 0.35f;
            blue += c.b > 0.5f && c.r < 0.45f;
            dark += c.r + c.g + c.b < 0.3f;
        }
    // All four kinds of nucleotide show, on the dark ground of the cluster.
    EXPECT_GT(red, 20);
    EXPECT_GT(yellow, 20);
    EXPECT_GT(green, 20);
    EXPECT_GT(blue, 20);
    EXPECT_GT(dark, logo.width() * logo.height() / 3);
}

}  // namespace
