// Fog, depth test and additive blending conformance, and 16-bit targets.
#include <gtest/gtest.h>

#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"
#include "tools/vorel_bench/synthetic_scene.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

// Perspective camera (near 1, far 100) and a camera-facing rectangle at eye depth z covering the
// whole 16 x 16 target, with emissive colour 0.4 (102).
void drawAtDepth(RenderTarget& t, float z) {
    D3DMATRIX proj = bench::perspectiveFov(1.5f, 1.0f, 1.0f, 100.0f);
    t.device()->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    D3DMATERIAL7 m = emissiveMaterial(0.4f, 0.4f, 0.4f);
    t.device()->SetMaterial(&m);
    float s = 2 * z;  // far wider than the view at that depth
    auto v = [&](float x, float y) { return D3DVERTEX{x, y, z, 0, 0, -1, 0, 0}; };
    t.draw(D3DPT_TRIANGLELIST, {v(-s, s), v(s, s), v(s, -s), v(-s, s), v(s, -s), v(-s, -s)});
}

void linearFog(IDirect3DDevice7* d, float start, float end) {
    d->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00204060);
    d->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
    d->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(start));
    d->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(end));
}

void expectRgb(const Rgb& c, int r, int g, int b) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

}  // namespace

TEST(Fog, LinearVertexFogAtStartMiddleAndEnd) {
    RenderTarget t(16, 16, formatX8R8G8B8());
    linearFog(t.device(), 10, 20);
    t.clear(0);
    drawAtDepth(t, 10);
    expectRgb(t.rgb(8, 8), 102, 102, 102);  // f = 1
    t.clear(0);
    drawAtDepth(t, 15);
    expectRgb(t.rgb(8, 8), 67, 83, 99);  // f = 0.5: 51 + (16, 32, 48)
    t.clear(0);
    drawAtDepth(t, 20);
    expectRgb(t.rgb(8, 8), 32, 64, 96);  // f = 0: the fog colour
    t.clear(0);
    drawAtDepth(t, 30);
    expectRgb(t.rgb(8, 8), 32, 64, 96);  // beyond the end stays at the fog colour
}

TEST(Fog, DisabledFogLeavesTheColour) {
    RenderTarget t(16, 16, formatX8R8G8B8());
    linearFog(t.device(), 10, 20);
    t.device()->SetRenderState(D3DRENDERSTATE_FOGENABLE, FALSE);
    t.clear(0);
    drawAtDepth(t, 15);
    expectRgb(t.rgb(8, 8), 102, 102, 102);
}

TEST(Depth, NearerPixelsWinAndEqualDepthPasses) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.useScreenSpace();
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.clear(0);
    D3DMATERIAL7 red = emissiveMaterial(1, 0, 0), green = emissiveMaterial(0, 1, 0), blue = emissiveMaterial(0, 0, 1);
    t.device()->SetMaterial(&red);
    t.drawRect(0, 0, 8, 8, 0.25f);
    t.device()->SetMaterial(&green);
    t.drawRect(0, 0, 8, 8, 0.75f);  // behind: rejected
    expectRgb(t.rgb(4, 4), 255, 0, 0);
    t.device()->SetMaterial(&blue);
    t.drawRect(0, 0, 8, 8, 0.25f);  // equal: less-or-equal passes
    expectRgb(t.rgb(4, 4), 0, 0, 255);
    EXPECT_EQ(t.depth(4, 4), 0x40000000u);  // 0.25 of the 32-bit range
}

TEST(Depth, ZWriteOffTestsButLeavesTheDepth) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.useScreenSpace();
    IDirect3DDevice7* d = t.device();
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.clear(0);
    D3DMATERIAL7 red = emissiveMaterial(1, 0, 0), green = emissiveMaterial(0, 1, 0);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    d->SetMaterial(&red);
    t.drawRect(0, 0, 8, 8, 0.25f);
    expectRgb(t.rgb(4, 4), 255, 0, 0);
    EXPECT_EQ(t.depth(4, 4), 0xFFFFFFFFu);  // still the cleared 1.0
    d->SetMaterial(&green);
    t.drawRect(0, 0, 8, 8, 0.75f);  // passes against 1.0: nothing was written
    expectRgb(t.rgb(4, 4), 0, 255, 0);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    t.drawRect(0, 0, 8, 8, 0.5f);
    d->SetMaterial(&red);
    t.drawRect(0, 0, 8, 8, 0.6f);  // behind the written 0.5
    expectRgb(t.rgb(4, 4), 0, 255, 0);
}

TEST(Depth, ZBufferingOffDrawsEverything) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.useScreenSpace();
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.clear(0, 0.0f);
    t.device()->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    D3DMATERIAL7 red = emissiveMaterial(1, 0, 0);
    t.device()->SetMaterial(&red);
    t.drawRect(0, 0, 8, 8, 0.9f);
    expectRgb(t.rgb(4, 4), 255, 0, 0);
    EXPECT_EQ(t.depth(4, 4), 0u);
}

TEST(Blend, AdditiveOneOneSaturates) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.useScreenSpace();
    IDirect3DDevice7* d = t.device();
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    t.clear(0x00C86400);  // (200, 100, 0)
    D3DMATERIAL7 m = emissiveMaterial(100 / 255.0f, 100 / 255.0f, 100 / 255.0f);
    d->SetMaterial(&m);
    t.drawRect(0, 0, 8, 8);
    expectRgb(t.rgb(4, 4), 255, 200, 100);
    t.drawRect(0, 0, 8, 8);
    expectRgb(t.rgb(4, 4), 255, 255, 200);
}

TEST(Blend, BlendingOffReplaces) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.useScreenSpace();
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.clear(0x00C86400);
    D3DMATERIAL7 m = emissiveMaterial(100 / 255.0f, 100 / 255.0f, 100 / 255.0f);
    t.device()->SetMaterial(&m);
    t.drawRect(0, 0, 8, 8);
    expectRgb(t.rgb(4, 4), 100, 100, 100);
}

TEST(Target16, WithoutDitherFlatColoursRoundToTheNearestLevel) {
    RenderTarget t(8, 8, formatR5G6B5());
    t.useScreenSpace();
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.clear(0);
    D3DMATERIAL7 m = emissiveMaterial(1, 0.5f, 0);
    t.device()->SetMaterial(&m);
    t.drawRect(0, 0, 8, 8);
    // red 255 -> 31; green 128 -> (128 x 63 + 127) / 255 = 32; blue 0
    EXPECT_EQ(t.raw(3, 3), (31u << 11) | (32u << 5));
}

TEST(Target16, DitheringKeepsTheAverageOfAFlatColour) {
    RenderTarget t(8, 8, formatR5G6B5());
    t.useScreenSpace();
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    t.device()->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    t.clear(0);
    // 100/255 of full red sits between 5-bit levels 12 (98.7) and 13 (106.9).
    D3DMATERIAL7 m = emissiveMaterial(100 / 255.0f, 0, 0);
    t.device()->SetMaterial(&m);
    t.drawRect(0, 0, 8, 8);
    int sum = 0, low = 0, high = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t r5 = t.raw(x, y) >> 11;
            sum += int(r5);
            low += r5 == 12;
            high += r5 == 13;
        }
    EXPECT_EQ(low + high, 16);
    EXPECT_GT(low, 0);
    EXPECT_GT(high, 0);
    // 100 x 31 / 255 = 12.16: of 16 pixels about 2.6 are raised
    EXPECT_NEAR(sum / 16.0, 12.16, 0.1);
}
