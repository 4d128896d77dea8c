// The span queue on one thread draws triangles in groups as they come; by bands on several. Either
// way every triangle is drawn once, in order, and counted once: the same picture and the same
// covered pixel count for calls below, at and above the group size and above the queue's capacity.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/standard_formats.h"

using namespace platform;

namespace {

struct Drawn {
    std::vector<uint8_t> picture;
    uint64_t covered = 0;
    int threads = 0;
};

// One scene on a 96x64 565 target: a call of `count` small triangles scattered by a fixed
// sequence, then one of five, each adding a dim colour (a triangle drawn twice or left out shows).
Drawn drawScene(int threads, int count) {
    d3d::setRasterThreads(threads);
    Drawn out;
    d3d::MemorySurface* target = d3d::createMemorySurface(96, 64, d3d::formatR5G6B5(), DDSCAPS_3DDEVICE);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
    D3DMATERIAL7 m{};
    m.emissive = {0.03f, 0.05f, 0.09f, 1};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / float(1u << 24) * 2.0f - 1.0f;
    };
    auto triangles = [&](int n) {
        std::vector<D3DVERTEX> v;
        for (int i = 0; i < n; ++i) {
            const float x = next(), y = next();
            for (int k = 0; k < 3; ++k) v.push_back({x + 0.3f * next(), y + 0.4f * next(), 0.5f, 0, 0, -1, 0, 0});
        }
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
    };
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    triangles(count);
    triangles(5);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    d3d::SceneFigures figures;
    EXPECT_TRUE(d3d::lastSceneFigures(device, &figures));
    out.covered = figures.pixels;
    out.threads = figures.threads;
    out.picture.assign(target->pixels(), target->pixels() + ptrdiff_t(target->pitch()) * 64);
    device->Release();
    d3d->Release();
    target->Release();
    return out;
}

TEST(SpanQueue, OneThreadDrawingAsTrianglesComeMatchesBandsOnSeveralThreads) {
    const int threadsBefore = d3d::rasterThreads();
    const bool pacedBefore = d3d::rasterThreadsPaced();
    for (int count : {1, 63, 64, 65, 130, 9000}) {
        const Drawn one = drawScene(1, count);
        EXPECT_EQ(one.threads, 1);
        EXPECT_GT(one.covered, uint64_t(count) / 4) << count;
        for (int threads : {2, 3}) {
            const Drawn several = drawScene(threads, count);
            EXPECT_EQ(several.threads, threads);
            EXPECT_EQ(several.covered, one.covered) << count << " triangles, " << threads << " threads";
            EXPECT_TRUE(several.picture == one.picture) << count << " triangles, " << threads << " threads";
        }
    }
    d3d::setRasterThreads(threadsBefore, pacedBefore);
}

}  // namespace
