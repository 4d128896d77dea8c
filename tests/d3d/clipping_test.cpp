// Near-plane clipping conformance and the clipping stage on its own.
#include <gtest/gtest.h>

#include "platform/d3d/clipping.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

// Projection with near 1 and far 100 and a 90-degree view (x/z and y/z in [-1, 1]).
D3DMATRIX wideProjection() {
    D3DMATRIX p{};
    p.m[0][0] = p.m[1][1] = 1;
    p.m[2][2] = 100.0f / 99.0f;
    p.m[2][3] = 1;
    p.m[3][2] = -100.0f / 99.0f;
    return p;
}

// Covered columns of a row as [first, last]; {-1, -1} when empty.
std::pair<int, int> span(const RenderTarget& t, int y) {
    int first = -1, last = -1;
    for (int x = 0; x < t.width(); ++x)
        if (t.rgb(x, y).r) {
            if (first < 0) first = x;
            last = x;
        }
    return {first, last};
}

}  // namespace

// A floor triangle at y = -0.5 reaching from behind the camera (z = -5) to z = 10. Row sy of a
// 64 x 64 target sees the floor at depth z = 16 / (sy - 32); the triangle is 10 (10 - z) / 15 wide
// at depth z. Only the part beyond the near plane (z >= 1, rows above 48) may appear.
TEST(Clipping, TriangleCrossingTheNearPlaneDrawsExactlyItsVisiblePart) {
    RenderTarget t(64, 64, formatX8R8G8B8());
    t.useScreenSpace();
    D3DMATRIX proj = wideProjection();
    t.device()->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    t.clear(0);
    auto v = [](float x, float z) { return D3DVERTEX{x, -0.5f, z, 0, 1, 0, 0, 0}; };
    t.draw(D3DPT_TRIANGLELIST, {v(-10, -5), v(10, -5), v(0, 10)});
    EXPECT_EQ(span(t, 33), std::make_pair(-1, -1));  // z = 16: beyond the far tip
    EXPECT_EQ(span(t, 34), std::make_pair(27, 37));  // z = 8: x/z in +-0.167
    EXPECT_EQ(span(t, 35), std::make_pair(14, 50));  // z = 5.33: x/z in +-0.583
    EXPECT_EQ(span(t, 40), std::make_pair(0, 63));
    EXPECT_EQ(span(t, 47), std::make_pair(0, 63));   // z = 1.07
    for (int y = 48; y < 64; ++y) EXPECT_EQ(span(t, y), std::make_pair(-1, -1)) << y;  // nearer than 1
}

TEST(Clipping, TriangleWhollyBehindTheCameraDrawsNothing) {
    RenderTarget t(16, 16, formatX8R8G8B8());
    t.useScreenSpace();
    D3DMATRIX proj = wideProjection();
    t.device()->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, {{-1, -1, -2, 0, 0, -1, 0, 0}, {1, -1, -2, 0, 0, -1, 0, 0}, {0, 1, -2, 0, 0, -1, 0, 0}});
    for (int y = 0; y < 16; ++y) EXPECT_EQ(span(t, y), std::make_pair(-1, -1));
}

TEST(Clipping, FarPlaneCutsGeometryBeyondIt) {
    RenderTarget t(16, 16, formatX8R8G8B8());
    t.useScreenSpace();
    t.clear(0);
    // Identity projection: z beyond 1 is past the far plane.
    t.drawRect(0, 0, 16, 16, 1.5f);
    EXPECT_EQ(t.rgb(8, 8).r, 0);
    t.drawRect(0, 0, 16, 16, 0.999f);
    EXPECT_EQ(t.rgb(8, 8).r, 255);
}

TEST(ClipStage, CutsAQuarterOffAtTheNearPlaneAndInterpolatesAttributes) {
    ClipVertex poly[kMaxClipVertices] = {};
    auto set = [&](int i, float z, float u) {
        poly[i] = ClipVertex{0, float(i), z, 1, {0, 0, 0, 0, 1, u, 0}};
    };
    set(0, -1, 0);  // outside
    set(1, 3, 1);
    set(2, 3, 1);
    ClipPlanes planes;
    int n = clipPolygon(poly, 3, planes);
    ASSERT_EQ(n, 4);
    int onPlane = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_GE(poly[i].z, 0.0f);
        if (poly[i].z == 0.0f) {
            ++onPlane;
            EXPECT_FLOAT_EQ(poly[i].attr[kU], 0.25f);  // a quarter of the way from z = -1 to 3
        }
    }
    EXPECT_EQ(onPlane, 2);
}

TEST(ClipStage, GuardBandKeepsScreenPositionsBounded) {
    ClipPlanes p = guardBandFor(1920, 1080);
    EXPECT_GE(p.guardX, 1.0f);
    EXPECT_LE(p.guardX * 1920 / 2, 16384.0f + 1);
    ClipVertex far{1e6f, 0, 0.5f, 1, {}};
    EXPECT_NE(outcode(far, p), 0u);
    ClipVertex near{p.guardX * 0.99f, 0, 0.5f, 1, {}};
    EXPECT_EQ(outcode(near, p), 0u);
}
