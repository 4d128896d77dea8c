// ComputeSphereVisibility: union and intersection bits per frustum plane.
#include <gtest/gtest.h>

#include "platform/d3d/sphere_visibility.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"
#include "tools/vorel_bench/synthetic_scene.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

DWORD visibility(IDirect3DDevice7* d, D3DVECTOR c, float r) {
    DWORD result = 0xDEADBEEF;
    EXPECT_EQ(d->ComputeSphereVisibility(&c, &r, 1, 0, &result), D3D_OK);
    return result;
}

}  // namespace

// With identity transforms the frustum is the box -1 <= x, y <= 1, 0 <= z <= 1.
TEST(SphereVisibility, BitsPerPlaneWithIdentityTransforms) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    IDirect3DDevice7* d = t.device();
    EXPECT_EQ(visibility(d, {0, 0, 0.5f}, 0.1f), 0u);
    EXPECT_EQ(visibility(d, {3, 0, 0.5f}, 0.5f), D3DCLIP_RIGHT | D3DSTATUS_CLIPINTERSECTIONRIGHT);
    EXPECT_EQ(visibility(d, {1, 0, 0.5f}, 0.5f), D3DCLIP_RIGHT);
    EXPECT_EQ(visibility(d, {-2, 0, 0.5f}, 0.5f), D3DCLIP_LEFT | D3DSTATUS_CLIPINTERSECTIONLEFT);
    EXPECT_EQ(visibility(d, {0, 2, 0.5f}, 0.5f), D3DCLIP_TOP | D3DSTATUS_CLIPINTERSECTIONTOP);
    EXPECT_EQ(visibility(d, {0, -2, 0.5f}, 0.5f), D3DCLIP_BOTTOM | D3DSTATUS_CLIPINTERSECTIONBOTTOM);
    EXPECT_EQ(visibility(d, {0, 0, -1}, 0.5f), D3DCLIP_FRONT | D3DSTATUS_CLIPINTERSECTIONFRONT);
    EXPECT_EQ(visibility(d, {0, 0, 2}, 0.5f), D3DCLIP_BACK | D3DSTATUS_CLIPINTERSECTIONBACK);
    // A big sphere at the centre pokes out of every plane without being outside any.
    EXPECT_EQ(visibility(d, {0, 0, 0.5f}, 5), D3DCLIP_LEFT | D3DCLIP_RIGHT | D3DCLIP_TOP | D3DCLIP_BOTTOM |
                                                   D3DCLIP_FRONT | D3DCLIP_BACK);
}

TEST(SphereVisibility, UsesWorldViewAndPerspective) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    IDirect3DDevice7* d = t.device();
    D3DMATRIX proj = bench::perspectiveFov(1.5707964f, 1.0f, 100, 10000);  // 90 degrees: |x| <= z
    d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    EXPECT_EQ(visibility(d, {0, 0, 500}, 50), 0u);
    EXPECT_EQ(visibility(d, {0, 0, 50}, 10) & D3DSTATUS_CLIPINTERSECTIONALL, D3DSTATUS_CLIPINTERSECTIONFRONT);
    // (1000, 0, 500): 500 / sqrt 2 = 354 outside the right plane.
    EXPECT_EQ(visibility(d, {1000, 0, 500}, 300) & D3DSTATUS_CLIPINTERSECTIONALL, D3DSTATUS_CLIPINTERSECTIONRIGHT);
    EXPECT_EQ(visibility(d, {1000, 0, 500}, 400) & D3DSTATUS_CLIPINTERSECTIONALL, 0u);
    // Moving the world moves the sphere: shifted by -1000 in x it is back in view.
    D3DMATRIX world{};
    world.m[0][0] = world.m[1][1] = world.m[2][2] = world.m[3][3] = 1;
    world.m[3][0] = -1000;
    d->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    EXPECT_EQ(visibility(d, {1000, 0, 500}, 50), 0u);
}
