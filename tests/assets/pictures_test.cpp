#include <gtest/gtest.h>

#include <cmath>

#include "tools/lib/assets/logo.h"
#include "tools/lib/assets/plate_atlas.h"
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

// The cage's ribbon picture repeats along u (many times along a ribbon).
TEST(AssetPictures, CageTextureJoinsSeamlesslyAlongItsLength) {
    const Picture p = assets::cageTexture();
    float seam = 0, typical = 0;
    for (int y = 0; y < p.height(); ++y) {
        seam += std::fabs(grey(p, 0, y) - grey(p, p.width() - 1, y));
        typical += std::fabs(grey(p, 0, y) - grey(p, 1, y));
    }
    EXPECT_LE(seam, typical * 1.5f + 0.01f);
}

// Shade of the plate picture at a point of the plate: (k + t) along its edges, s of its size.
float plateShade(const Picture& atlas, int corners, float along, float scale) {
    const assets::TexCoord uv = assets::plateTexCoord(corners, along, scale);
    return atlas.sampleWrapped(uv.u, uv.v).g;
}

// Both plate shapes draw the ring where the plates' coordinates put it: a bright rim just inside
// every edge, brightest at the corners, a dark band, a faint inner rim and a black hole.
TEST(AssetPictures, CapsidPlatesGlowAtTheirRimsAndAreOpenInTheMiddle) {
    const Picture atlas = assets::capsidPlateAtlas();
    for (int corners : {5, 6}) {
        const float band = 0.5f * (1.0f + assets::kPlateHoleScale);
        const float innerRim = assets::kPlateHoleScale + 0.03f;
        for (int k = 0; k < corners; ++k) {
            const float side = static_cast<float>(k) + 0.5f;
            const float rim = plateShade(atlas, corners, side, 0.97f);
            const float middle = plateShade(atlas, corners, side, band);
            EXPECT_GT(rim, 0.4f) << corners << " corners, side " << k;
            EXPECT_GT(rim, 5 * middle) << corners << " corners, side " << k;
            EXPECT_GT(plateShade(atlas, corners, static_cast<float>(k), 0.97f), rim + 0.1f) << "node " << k;
            EXPECT_GT(plateShade(atlas, corners, side, innerRim), 2 * middle) << corners << " corners";
            EXPECT_LT(plateShade(atlas, corners, side, 0.4f), 0.002f) << "hole, " << corners << " corners";
        }
        const assets::TexCoord centre = assets::plateCentreTexCoord(corners);
        EXPECT_LT(atlas.sampleWrapped(centre.u, centre.v).g, 0.002f);
    }
}

// Filtering at a plate's edge must see the rim, not a dark border (which would draw a dark seam
// into the rim) nor the other shape's slot.
TEST(AssetPictures, CapsidPlateEdgesAreFramedByTheirOwnRim) {
    const Picture atlas = assets::capsidPlateAtlas();
    for (int corners : {5, 6}) {
        for (int k = 0; k < corners; ++k) {
            const float side = static_cast<float>(k) + 0.5f;
            const float edge = plateShade(atlas, corners, side, 1.0f);
            EXPECT_GT(plateShade(atlas, corners, side, 1.04f), 0.5f * edge) << corners << " corners";
        }
        const assets::TexCoord a = assets::plateCornerTexCoord(corners, 0);
        const assets::TexCoord b = assets::plateTexCoord(corners, 0.0f, 1.0f);
        EXPECT_NEAR(a.u, b.u, 1e-6f);
        EXPECT_NEAR(a.v, b.v, 1e-6f);
        EXPECT_GT(a.u, 0.0f);
        EXPECT_LT(a.u, 1.0f);
    }
    const float hexRight = assets::plateCornerTexCoord(6, 4).u;
    const float pentLeft = assets::plateCornerTexCoord(5, 1).u;
    EXPECT_LT(hexRight, pentLeft) << "the two slots do not overlap";
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
