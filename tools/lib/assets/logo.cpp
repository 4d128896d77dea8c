#include "tools/lib/assets/logo.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "tools/lib/assets/caustics.h"
#include "tools/lib/assets/cluster_shells.h"
#include "tools/lib/assets/nucleotide_body.h"
#include "tools/lib/assets/plate_atlas.h"
#include "tools/lib/assets/seeded_random.h"
#include "tools/lib/assets/soft_render.h"
#include "tools/lib/assets/textures.h"

namespace assets {

namespace {

constexpr int kSuper = 3;      // supersampling per side
constexpr int kPairs = 20;     // base pairs of the helix
constexpr float kHelixRadius = 270.0f;
constexpr float kRise = 100.0f;

// Adds a blurred copy of the brightest light, as a lens or the eye would (a soft bloom).
void addBloom(Picture* p, float threshold, float strength, int radius) {
    const int w = p->width(), h = p->height();
    Picture bright(w, h), tmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = p->at(x, y);
            const float excess = std::max(0.0f, std::max({c.r, c.g, c.b}) - threshold);
            bright.at(x, y) = c * (excess / (excess + 0.5f));
        }
    std::vector<float> kernel(2 * radius + 1);
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] = std::exp(-4.0f * float(i * i) / float(radius * radius));
    for (float& k : kernel) k /= sum;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb acc;
            for (int i = -radius; i <= radius; ++i) acc = acc + bright.at(std::clamp(x + i, 0, w - 1), y) * kernel[i + radius];
            tmp.at(x, y) = acc;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb acc;
            for (int i = -radius; i <= radius; ++i) acc = acc + tmp.at(x, std::clamp(y + i, 0, h - 1)) * kernel[i + radius];
            p->at(x, y) = p->at(x, y) + acc * strength;
        }
}

// Base `pair` of the helix, on strand `side` (+1 or -1); the helix runs diagonally across the view.
Vector3 helixPoint(int pair, float side) {
    const float a = kTurn * static_cast<float>(pair) / kPairs + 0.6f;
    const float y = (static_cast<float>(pair) - 0.5f * (kPairs - 1)) * kRise;
    Vector3 p(side * kHelixRadius * std::cos(a), y, side * kHelixRadius * std::sin(a));
    Vector3 out;
    transformPoint(p, rotationZ(-0.65f) * rotationX(0.3f), &out);
    return out;
}

void drawHelix(SoftRenderer* r, const AssetMesh& body, const std::array<Picture, 4>& caustics) {
    SeededRandom random(0x10C0);
    for (int i = 0; i < kPairs; ++i) {
        const int kind = random.below(4);
        for (float side : {1.0f, -1.0f}) {
            const int k = side > 0 ? kind : (kind ^ 1);  // complementary kinds pair up
            const Matrix4 world = rotationX(float(random.unit()) * kTurn) * rotationY(float(random.unit()) * kTurn) *
                                  translation(helixPoint(i, side));
            r->draw(body, world, &caustics[k], {1.7f, 1.7f, 1.7f}, SoftRenderer::Blend::Opaque);
        }
    }
}

void drawRungs(SoftRenderer* r, const Picture& sting) {
    for (int i = 0; i < kPairs; ++i) {
        AssetMesh rung;
        addTube(&rung, {helixPoint(i, 1.0f), helixPoint(i, -1.0f)}, false, 9.0f, 8, 100.0f);
        r->draw(rung, identity(), &sting, {0.08f, 0.45f, 0.12f}, SoftRenderer::Blend::Additive);
        r->addGlow(helixPoint(i, 1.0f) * 0.5f + helixPoint(i, -1.0f) * 0.5f, 5.0f * kSuper, {0.02f, 0.12f, 0.03f});
    }
}

}  // namespace

Picture logoPicture() {
    SoftRenderer r(kLogoWidth * kSuper, kLogoHeight * kSuper, {0.0f, 0.0f, 0.0f});
    r.setCamera(Vector3(150, -100, -1150), Vector3(60, -40, 0), Vector3(0, 1, 0), 0.85f);
    r.setLighting(Vector3(-400, -200, 400), 0.3f);
    std::array<Picture, 4> caustics;
    for (int k = 0; k < 4; ++k) caustics[k] = causticFrame(causticVariants()[k], 0, kCausticSize);
    drawHelix(&r, buildNucleotideBody(2), caustics);
    drawRungs(&r, stingTexture());
    const Matrix4 tilt = rotationX(0.4f) * rotationZ(0.2f);
    const Picture capsid = capsidPlateAtlas(), cage = cageTexture();
    r.draw(buildCapsidShell(2), tilt, &capsid, {0.07f, 0.15f, 0.24f}, SoftRenderer::Blend::Additive);
    r.draw(buildStrutCage(2), rotationY(0.5f) * tilt, &cage, {0.18f, 0.09f, 0.22f}, SoftRenderer::Blend::Additive);
    Picture logo = downsample(r.picture(), kSuper);
    addBloom(&logo, 0.5f, 0.7f, 5);
    return logo;
}

}  // namespace assets
