// Golden pictures: small renders of the benchmark's scenes compared with stored PNGs, with a
// tolerance for last-bit differences between compilers. VOREL_UPDATE_GOLDEN=1 rewrites them
// (look at the new pictures before committing them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/d3d/standard_formats.h"
#include "tests/d3d/png_file.h"
#include "tests/d3d/render_fixture.h"
#include "tools/vorel_bench/synthetic_scene.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

Picture render(const std::string& scene, int width, int height, const DDPIXELFORMAT& format) {
    RenderTarget t(width, height, format);
    bench::SyntheticScene s;
    EXPECT_TRUE(s.build(scene));
    s.applyStates(t.device());
    t.clear(0);
    EXPECT_EQ(t.device()->BeginScene(), D3D_OK);
    s.render(t.device());
    EXPECT_EQ(t.device()->EndScene(), D3D_OK);
    Picture p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgb c = t.rgb(x, y);
            p.rgb.insert(p.rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
        }
    return p;
}

void compareWithGolden(const Picture& got, const std::string& name) {
    std::string path = std::string(VOREL_SOURCE_DIR) + "/tests/d3d/golden/" + name + ".png";
    const char* update = std::getenv("VOREL_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(writePngFile(path, got));
        return;
    }
    Picture want;
    ASSERT_TRUE(readPngFile(path, &want)) << "missing golden picture " << path;
    ASSERT_EQ(want.width, got.width);
    ASSERT_EQ(want.height, got.height);
    size_t far = 0;
    double total = 0;
    for (size_t i = 0; i < got.rgb.size(); ++i) {
        int d = std::abs(int(got.rgb[i]) - int(want.rgb[i]));
        total += d;
        far += d > 8;
    }
    EXPECT_LT(total / double(got.rgb.size()), 0.5) << name;
    EXPECT_LE(far, got.rgb.size() / 200) << name;
}

bool hasLight(const Picture& p) {
    for (uint8_t v : p.rgb)
        if (v > 64) return true;
    return false;
}

}  // namespace

TEST(Golden, InsideViewMatchesItsPicture) {
    Picture p = render("inside", 128, 96, formatX8R8G8B8());
    EXPECT_TRUE(hasLight(p));
    compareWithGolden(p, "inside_128x96");
}

TEST(Golden, OutsideViewMatchesItsPicture) {
    Picture p = render("outside", 128, 96, formatX8R8G8B8());
    EXPECT_TRUE(hasLight(p));
    compareWithGolden(p, "outside_128x96");
}

TEST(Golden, InsideViewOnASixteenBitTargetMatchesItsPicture) {
    compareWithGolden(render("inside", 128, 96, formatR5G6B5()), "inside16_128x96");
}

TEST(SyntheticScene, MeshesHaveTheAdvertisedSizesAndFaceOutwards) {
    bench::Mesh sphere = bench::makeSphere(60, 15, 20);
    EXPECT_EQ(sphere.triangles(), 600u);
    bench::Mesh shell = bench::makeLatticeShell(3000, 50, 100, true);
    EXPECT_EQ(shell.triangles(), 5000u);
    // Under default culling a sphere seen from outside shows its near half (depth 0.25 at the
    // centre); the inside-out copy shows its far half (depth 0.75).
    RenderTarget t(16, 16, formatX8R8G8B8());
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    D3DMATRIX world{};
    world.m[0][0] = world.m[1][1] = world.m[2][2] = 1.0f / 240;
    world.m[3][2] = 0.5f;
    world.m[3][3] = 1;
    t.device()->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, sphere.vertices);
    EXPECT_EQ(t.rgb(8, 8).r, 255);
    EXPECT_NEAR(t.depth(8, 8) / 4294967295.0, 0.25, 0.01);
    t.clear(0);
    t.draw(D3DPT_TRIANGLELIST, bench::makeSphere(60, 15, 20, true).vertices);
    EXPECT_NEAR(t.depth(8, 8) / 4294967295.0, 0.75, 0.01);
}

// Not a check: with VOREL_D3D_SNAPSHOT=<folder> it writes full-size pictures of both scenes there,
// for looking at them.
TEST(Golden, WritesFullSizeSnapshotsWhenAsked) {
    const char* folder = std::getenv("VOREL_D3D_SNAPSHOT");
    if (!folder) GTEST_SKIP() << "VOREL_D3D_SNAPSHOT not set";
    for (const char* scene : {"inside", "outside"})
        EXPECT_TRUE(writePngFile(std::string(folder) + "/" + scene + ".png", render(scene, 640, 480, formatX8R8G8B8())));
}
