// Texturing conformance: perspective correction, bilinear filtering, wrapping, colour keys.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

class Texturing : public ::testing::Test {
protected:
    Texturing() : t(64, 64, formatX8R8G8B8()) {
        t.useScreenSpace();
        t.clear(0xFF0000FF);
    }
    ~Texturing() override {
        t.device()->SetTexture(0, nullptr);
        if (texture) texture->Release();
    }
    void bind(int w, int h, const std::vector<uint32_t>& argb, const DDPIXELFORMAT& f = formatA8R8G8B8()) {
        texture = makeTexture(w, h, argb, f);
        ASSERT_EQ(t.device()->SetTexture(0, texture), D3D_OK);
    }
    void bilinear() {
        t.device()->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        t.device()->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    }
    // Grey level where a full-target rectangle samples the one coordinate (u, v).
    int sampleAt(float u, float v) {
        t.drawRect(0, 0, 64, 64, 0.5f, u, v);
        return t.rgb(10, 10).r;
    }
    RenderTarget t;
    MemorySurface* texture = nullptr;
};

constexpr uint32_t grey(uint32_t v) { return 0xFF000000u | (v << 16) | (v << 8) | v; }

}  // namespace

TEST_F(Texturing, PointSamplingTakesTheTexelTheCoordinateFallsIn) {
    bind(4, 1, {grey(0), grey(40), grey(80), grey(200)});
    EXPECT_EQ(sampleAt(0.0f, 0.5f), 0);
    EXPECT_EQ(sampleAt(0.26f, 0.5f), 40);
    EXPECT_EQ(sampleAt(0.99f, 0.5f), 200);
    EXPECT_EQ(sampleAt(1.125f, 0.5f), 0);  // wraps
    EXPECT_EQ(sampleAt(-0.2f, 0.5f), 200);  // wraps from below: 0.8 lies in texel 3
}

TEST_F(Texturing, BilinearHitsTexelCentresExactlyAndBlendsBetweenThem) {
    bind(4, 1, {grey(0), grey(40), grey(80), grey(200)});
    bilinear();
    EXPECT_EQ(sampleAt(0.375f, 0.5f), 40);   // centre of texel 1: (1 + 0.5) / 4
    EXPECT_EQ(sampleAt(0.25f, 0.5f), 20);    // halfway between texels 0 and 1
    EXPECT_EQ(sampleAt(0.5625f, 0.5f), 70);  // 2.25 - 0.5 = 1.75: three quarters from 40 to 80
}

TEST_F(Texturing, BilinearWrapsAcrossTheTextureEdge) {
    bind(4, 1, {grey(0), grey(40), grey(80), grey(200)});
    bilinear();
    EXPECT_EQ(sampleAt(0.0f, 0.5f), 100);  // half texel 3, half texel 0
    EXPECT_EQ(sampleAt(1.0f, 0.5f), 100);
    EXPECT_EQ(sampleAt(0.9375f, 0.5f), 150);  // 3.75 - 0.5 = 3.25: 200 x 0.75 + 0 x 0.25
}

TEST_F(Texturing, ClampHoldsTheEdgeTexel) {
    bind(4, 1, {grey(0), grey(40), grey(80), grey(200)});
    bilinear();
    t.device()->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    EXPECT_EQ(sampleAt(0.0f, 0.5f), 0);
    EXPECT_EQ(sampleAt(1.5f, 0.5f), 200);
}

TEST_F(Texturing, TextureModulatesTheDiffuseColour) {
    bind(1, 1, {0xFF804020});
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    D3DMATERIAL7 m = emissiveMaterial(0.5f, 1.0f, 0.25f);
    t.device()->SetMaterial(&m);
    t.drawRect(0, 0, 64, 64, 0.5f, 0.5f, 0.5f);
    Rgb c = t.rgb(5, 5);
    EXPECT_EQ(c.r, 64);  // 128 x 0.5
    EXPECT_EQ(c.g, 64);  // 64 x 1
    EXPECT_EQ(c.b, 8);   // 32 x 0.25
}

TEST_F(Texturing, BlackColourKeyDoesNotPunchHolesUnlessKeyingIsOn) {
    bind(2, 1, {0xFF000000, 0xFFFFFFFF}, formatR5G6B5());
    DDCOLORKEY black{0, 0};
    texture->SetColorKey(DDCKEY_SRCBLT, &black);
    t.drawRect(0, 0, 64, 64, 0.5f, 0.25f, 0.5f);  // the black texel
    EXPECT_EQ(t.rgb(3, 3).b, 0) << "the black texel is drawn";
    t.clear(0xFF0000FF);
    t.device()->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    t.drawRect(0, 0, 64, 64, 0.5f, 0.25f, 0.5f);
    EXPECT_EQ(t.rgb(3, 3).b, 255) << "with keying on, the key leaves the target alone";
}

TEST_F(Texturing, TexturedDrawWithoutTextureReadsWhite) {
    t.drawRect(0, 0, 64, 64, 0.5f, 0.3f, 0.3f);
    Rgb c = t.rgb(7, 7);
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.b, 255);
}

// A quad from x = -1 at depth 1 to x = +1 at depth 3, u running 0 to 1 across it, seen through a
// perspective projection. u = t at camera x/z = (2t - 1) / (2t + 1), so u = 0.5 lands on the
// screen's centre column, not a third of the way across as affine interpolation would put it.
TEST_F(Texturing, TextureCoordinatesArePerspectiveCorrect) {
    bind(2, 1, {grey(0), grey(255)});
    D3DMATRIX proj{};
    proj.m[0][0] = proj.m[1][1] = 1;
    proj.m[2][2] = 10.0f / 9.0f;
    proj.m[2][3] = 1;
    proj.m[3][2] = -10.0f / 9.0f;
    t.device()->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    auto v = [](float x, float y, float z, float u) { return D3DVERTEX{x, y, z, 0, 0, -1, u, 0.5f}; };
    t.draw(D3DPT_TRIANGLELIST, {v(-1, -1, 1, 0), v(1, -1, 3, 1), v(1, 1, 3, 1), v(-1, -1, 1, 0), v(1, 1, 3, 1),
                                v(-1, 1, 1, 0)});
    EXPECT_EQ(t.rgb(22, 32).r, 0);    // u = 0.262 (affine would give 0.52)
    EXPECT_EQ(t.rgb(31, 32).r, 0);    // u = 0.470
    EXPECT_EQ(t.rgb(33, 32).r, 255);  // u = 0.532
    EXPECT_EQ(t.rgb(41, 32).r, 255);  // u = 0.815
}

TEST_F(Texturing, ColourIsInterpolatedPerspectiveCorrectly) {
    // Same quad, untextured and lit so that the left edge is black and the right edge white: the
    // centre column is halfway in depth-corrected terms (about 128; affine would give about 191).
    D3DMATRIX proj{};
    proj.m[0][0] = proj.m[1][1] = 1;
    proj.m[2][2] = 10.0f / 9.0f;
    proj.m[2][3] = 1;
    proj.m[3][2] = -10.0f / 9.0f;
    IDirect3DDevice7* d = t.device();
    d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    D3DMATERIAL7 m{};
    m.diffuse = {1, 1, 1, 1};
    d->SetMaterial(&m);
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvDiffuse = {1, 1, 1, 1};
    l.dvDirection = {0, 0, 1};
    d->SetLight(0, &l);
    d->LightEnable(0, TRUE);
    auto v = [](float x, float y, float z, float nz) { return D3DVERTEX{x, y, z, 0, 0, nz, 0, 0}; };
    t.draw(D3DPT_TRIANGLELIST, {v(-1, -1, 1, 0), v(1, -1, 3, -1), v(1, 1, 3, -1), v(-1, -1, 1, 0),
                                v(1, 1, 3, -1), v(-1, 1, 1, 0)});
    EXPECT_NEAR(t.rgb(32, 32).r, 128, 2);
}
