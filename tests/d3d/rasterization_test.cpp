// Coverage conformance: fill rule, shared edges, culling and winding.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace d3dtest;
using platform::d3d::formatX8R8G8B8;

namespace {

// Every covered pixel gets 16 added to each channel, so a pixel's value / 16 counts its hits.
void countHits(RenderTarget& t) {
    IDirect3DDevice7* d = t.device();
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    D3DMATERIAL7 m = emissiveMaterial(16 / 255.0f, 16 / 255.0f, 16 / 255.0f);
    d->SetMaterial(&m);
    t.clear(0);
}

int hits(const RenderTarget& t, int x, int y) { return t.rgb(x, y).r / 16; }

}  // namespace

TEST(Rasterizer, SquareCoversPixelCentresOnItsTopAndLeftEdgesOnly) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    countHits(t);
    t.drawRect(2, 2, 4, 4);  // centres (2..3, 2..3); x = 4 and y = 4 lie on the right/bottom edges
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(hits(t, x, y), (x >= 2 && x < 4 && y >= 2 && y < 4) ? 1 : 0) << x << "," << y;
}

TEST(Rasterizer, HalfPixelOffsetsRoundCoverageByPixelCentres) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    countHits(t);
    t.drawRect(1.5f, 0.5f, 3.5f, 2.25f);  // centres x 2..3, y 1..2
    int covered = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) covered += hits(t, x, y);
    EXPECT_EQ(covered, 4);
    EXPECT_EQ(hits(t, 2, 1), 1);
    EXPECT_EQ(hits(t, 3, 2), 1);
    EXPECT_EQ(hits(t, 1, 1), 0);
}

TEST(Rasterizer, MeshOfSharedEdgesHitsEveryPixelExactlyOnce) {
    const int n = 40;
    RenderTarget t(n, n, formatX8R8G8B8());
    countHits(t);
    // A 5 x 5 grid over the whole target with interior points moved off the grid, some onto pixel
    // centres and some onto sub-pixel positions, split along alternating diagonals.
    const int cells = 5;
    float px[cells + 1][cells + 1], py[cells + 1][cells + 1];
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            bool inner = i > 0 && i < cells && j > 0 && j < cells;
            px[j][i] = i * 8.0f + (inner ? float((i * 7 + j * 3) % 5) - 2.0f + (j % 2) * 0.3125f : 0.0f);
            py[j][i] = j * 8.0f + (inner ? float((i * 3 + j * 5) % 5) - 2.0f + (i % 3) * 0.5f : 0.0f);
        }
    std::vector<D3DVERTEX> v;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            D3DVERTEX a = t.screen(px[j][i], py[j][i]), b = t.screen(px[j][i + 1], py[j][i + 1]);
            D3DVERTEX c = t.screen(px[j + 1][i + 1], py[j + 1][i + 1]), d = t.screen(px[j + 1][i], py[j + 1][i]);
            if ((i + j) % 2) v.insert(v.end(), {a, b, c, a, c, d});
            else v.insert(v.end(), {a, b, d, b, c, d});
        }
    t.draw(D3DPT_TRIANGLELIST, v);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) ASSERT_EQ(hits(t, x, y), 1) << x << "," << y;
}

TEST(Rasterizer, FanAroundACentreLeavesNoGapAndNoOverlap) {
    RenderTarget t(32, 32, formatX8R8G8B8());
    countHits(t);
    // Fan around (16, 16) out to a ring of points on the target's border, ending where it began.
    std::vector<D3DVERTEX> fan = {t.screen(16, 16)};
    const float ring[][2] = {{0, 0}, {11.5f, 0}, {32, 0}, {32, 13.25f}, {32, 32}, {20, 32}, {0, 32}, {0, 7}, {0, 0}};
    for (auto& p : ring) fan.push_back(t.screen(p[0], p[1]));
    t.draw(D3DPT_TRIANGLEFAN, fan);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(hits(t, x, y), 1) << x << "," << y;
}

TEST(Rasterizer, CounterClockwiseTrianglesAreCulledByDefault) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    t.clear(0);
    // Clockwise on the screen (y down): right, then down-left.
    t.draw(D3DPT_TRIANGLELIST, {t.screen(0, 0), t.screen(8, 0), t.screen(0, 8)});
    EXPECT_EQ(t.rgb(1, 1).r, 255);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, {t.screen(0, 0), t.screen(0, 8), t.screen(8, 0)});
    EXPECT_EQ(t.rgb(1, 1).r, 0);
}

TEST(Rasterizer, CullModesNoneAndClockwiseSelectTheOtherWindings) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    IDirect3DDevice7* d = t.device();
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    const std::vector<D3DVERTEX> cw = {t.screen(0, 0), t.screen(8, 0), t.screen(0, 8)};
    const std::vector<D3DVERTEX> ccw = {t.screen(0, 0), t.screen(0, 8), t.screen(8, 0)};
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, cw);
    EXPECT_EQ(t.rgb(1, 1).g, 0);
    t.draw(D3DPT_TRIANGLELIST, ccw);
    EXPECT_EQ(t.rgb(1, 1).g, 255);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, ccw);
    EXPECT_EQ(t.rgb(1, 1).b, 255);
}

TEST(Rasterizer, StripAlternatesWindingSoAllItsTrianglesFaceTheSameWay) {
    RenderTarget t(16, 8, formatX8R8G8B8());
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    t.clear(0);
    // Zig-zag along the top and bottom; with default culling every triangle must still draw.
    t.draw(D3DPT_TRIANGLESTRIP, {t.screen(0, 0), t.screen(4, 0), t.screen(0, 8), t.screen(8, 0), t.screen(4, 8),
                                 t.screen(12, 0), t.screen(8, 8), t.screen(16, 0), t.screen(12, 8)});
    for (int x = 1; x < 11; ++x) EXPECT_EQ(t.rgb(x, 4).r, 255) << x;
}

TEST(Rasterizer, DrawingIsLimitedToTheViewport) {
    RenderTarget t(16, 16, formatX8R8G8B8());
    t.useScreenSpace();
    D3DVIEWPORT7 vp{4, 4, 8, 8, 0, 1};
    ASSERT_EQ(t.device()->SetViewport(&vp), D3D_OK);
    t.clear(0);
    // Far larger than the viewport: the guard band keeps it, the viewport cuts it.
    t.draw(D3DPT_TRIANGLELIST, {{-50, 50, 0.5f, 0, 0, -1, 0, 0}, {50, 50, 0.5f, 0, 0, -1, 0, 0}, {0, -50, 0.5f, 0, 0, -1, 0, 0}});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            EXPECT_EQ(t.rgb(x, y).r, inside ? 255 : 0) << x << "," << y;
        }
}
