// The device's drawing times are kept only when asked for (the benchmark asks; a real run does not
// pay for the clock reads), and asking changes nothing in the picture.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace platform::d3d;
using d3dtest::RenderTarget;

namespace {

struct Drawn {
    RasterTimes spent;
    unsigned long long spanTriangles = 0;
    std::vector<uint32_t> pixels;
};

// Lists and a strip (a scene each) through the span path on one thread, the times and pixels they
// left.
Drawn drawScene(bool wanted) {
    wantRasterTimes(wanted);
    RenderTarget t(64, 48, formatX8R8G8B8());
    t.useScreenSpace();
    t.clear(0xFF000000u);
    const RasterTimes before = rasterTimes();
    const unsigned long long spanBefore = spanPathTriangles();
    for (int i = 0; i < 12; ++i)
        t.drawRect(float(i * 3), float(i * 2), float(i * 3 + 20), float(i * 2 + 17), 0.9f - 0.05f * float(i));
    t.draw(D3DPT_TRIANGLESTRIP, {t.screen(2, 40, 0.2f), t.screen(10, 30, 0.2f), t.screen(20, 46, 0.2f),
                                 t.screen(30, 31, 0.2f), t.screen(45, 44, 0.2f)});
    Drawn d;
    for (int y = 0; y < t.height(); ++y)
        for (int x = 0; x < t.width(); ++x) d.pixels.push_back(t.raw(x, y));
    const RasterTimes after = rasterTimes();
    d.spent = {after.vertexNs - before.vertexNs, after.setupNs - before.setupNs, after.rasterNs - before.rasterNs};
    d.spanTriangles = spanPathTriangles() - spanBefore;
    wantRasterTimes(false);
    return d;
}

}  // namespace

TEST(RasterTimes, AreKeptOnlyWhenWantedAndLeaveThePictureAlone) {
    setRasterThreads(1);
    const Drawn untimed = drawScene(false);
    const Drawn timed = drawScene(true);
    ASSERT_GT(untimed.spanTriangles, 0u);  // the span path drew, so its queue's clock was in play
    EXPECT_EQ(untimed.spanTriangles, timed.spanTriangles);
    EXPECT_EQ(untimed.spent.vertexNs, 0u);
    EXPECT_EQ(untimed.spent.setupNs, 0u);
    EXPECT_EQ(untimed.spent.rasterNs, 0u);
    EXPECT_GT(timed.spent.vertexNs + timed.spent.setupNs, 0u);
    EXPECT_GT(timed.spent.rasterNs, 0u);
    EXPECT_EQ(untimed.pixels, timed.pixels);
    EXPECT_NE(untimed.pixels, std::vector<uint32_t>(untimed.pixels.size(), untimed.pixels.front()));
}
