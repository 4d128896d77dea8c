// A scene split by bands between threads, each running every call's geometry for its own bands,
// draws the same bytes as one thread: through the device, with many calls, state changes between
// them, clears and locks in the middle of the scene and vertices the program rewrites as soon as
// a call returns; and through drawPrimitives with the smallest rings, where the calling thread
// waits for room and replays a lagging helper's calls itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d/device_state.h"
#include "platform/d3d/draw_pipeline.h"
#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/span_queue.h"
#include "platform/d3d/split_scene.h"
#include "platform/d3d/standard_formats.h"
#include "platform/d3d/surface_lock.h"

using namespace platform::d3d;

namespace {

constexpr int kWidth = 160, kHeight = 120;

// Restores the thread count and the split when a test ends.
struct ThreadsGuard {
    int threads = rasterThreads();
    bool paced = rasterThreadsPaced();
    ThreadSplit split = threadSplit();
    ~ThreadsGuard() {
        setRasterThreads(threads, paced);
        setThreadSplit(split);
    }
};

// A fixed sequence of numbers in [-1, 1).
struct Sequence {
    uint32_t seed;
    float next() {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / float(1u << 24) * 2.0f - 1.0f;
    }
};

// `n` triangles of a list around the screen at depths in [0.2, 0.8].
void scatter(Sequence& s, std::vector<D3DVERTEX>& v, int n, float size) {
    v.clear();
    for (int i = 0; i < n; ++i) {
        const float x = s.next(), y = s.next(), z = 0.5f + 0.3f * s.next();
        for (int k = 0; k < 3; ++k)
            v.push_back({x + size * s.next(), y + size * s.next(), z, 0, 0, -1, s.next(), s.next()});
    }
}

struct Picture {
    std::vector<uint8_t> color, depth;
    uint64_t covered = 0;
    int threads = 0;
};

// Writes a stripe of rows through a lock, as the program might between draws.
void writeRows(MemorySurface* target, int first, int rows, uint8_t value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (int y = first; y < first + rows; ++y)
        std::memset(static_cast<uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch, value, size_t(kWidth) * 2);
    target->Unlock(nullptr);
}

// Forty calls on a 565 target with a 16-bit z-buffer: lists, strips and fans, opaque and
// additive, textured and not, z-writes on and off, the world moved and the material changed
// between calls, a clear of a rectangle and a write through a lock in the middle; every call's
// vertices are overwritten as soon as it returns.
Picture drawBusyScene(int threads, ThreadSplit split) {
    setRasterThreads(threads);
    setThreadSplit(split);
    MemorySurface* target = createMemorySurface(kWidth, kHeight, formatR5G6B5(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(kWidth, kHeight, formatZ16(), DDSCAPS_ZBUFFER);
    MemorySurface* texture = createMemorySurface(32, 16, formatA8R8G8B8(), DDSCAPS_TEXTURE);
    target->AddAttachedSurface(z);
    Sequence s{77};
    for (int i = 0; i < 32 * 16 * 4; ++i) texture->pixels()[i / (32 * 4) * texture->pitch() + i % (32 * 4)] = uint8_t(s.next() * 127 + 128);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x102030, 1.0f, 0);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    std::vector<D3DVERTEX> v;
    for (int call = 0; call < 40; ++call) {
        D3DMATERIAL7 m{};
        m.emissive = {0.2f + 0.02f * float(call % 7), 0.1f * float(call % 3), 0.5f, 1};
        device->SetMaterial(&m);
        D3DMATRIX world = identityMatrix();
        world.m[3][0] = 0.05f * float(call % 5) - 0.1f;
        device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, call % 3 == 1);
        device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, call % 4 != 2);
        device->SetTexture(0, call % 2 ? texture : nullptr);
        const D3DPRIMITIVETYPE type = call % 5 == 3 ? D3DPT_TRIANGLESTRIP : call % 5 == 4 ? D3DPT_TRIANGLEFAN
                                                                                            : D3DPT_TRIANGLELIST;
        scatter(s, v, call % 9 == 0 ? 400 : 12, call % 9 == 0 ? 0.08f : 0.5f);
        EXPECT_EQ(device->DrawPrimitive(type, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
        for (D3DVERTEX& x : v) x.x = -x.x, x.y = 0.5f * x.y, x.tu += 1;  // the program reuses its buffer
        if (call == 17) {
            D3DRECT part{30, 20, 110, 95};
            EXPECT_EQ(device->Clear(1, &part, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF00, 0.6f, 0), D3D_OK);
        }
        if (call == 29) writeRows(target, 40, 21, 0x5A);
    }
    EXPECT_EQ(device->EndScene(), D3D_OK);
    Picture p;
    SceneFigures figures;
    EXPECT_TRUE(lastSceneFigures(device, &figures));
    p.covered = figures.pixels;
    p.threads = figures.threads;
    p.color.assign(target->pixels(), target->pixels() + ptrdiff_t(target->pitch()) * kHeight);
    p.depth.assign(z->pixels(), z->pixels() + ptrdiff_t(z->pitch()) * kHeight);
    device->Release();
    d3d->Release();
    texture->Release();
    z->Release();
    target->Release();
    return p;
}

TEST(SplitScene, BusyScenesAreTheSameBytesOnOneTwoAndThreeThreadsEitherWaySplit) {
    ThreadsGuard guard;
    const Picture one = drawBusyScene(1, ThreadSplit::Bands);
    ASSERT_GT(one.covered, 0u);
    EXPECT_EQ(one.threads, 1);
    for (ThreadSplit split : {ThreadSplit::Bands, ThreadSplit::Queue, ThreadSplit::Automatic})
        for (int threads : {2, 3}) {
            const Picture p = drawBusyScene(threads, split);
            const char* name = split == ThreadSplit::Bands ? "bands" : split == ThreadSplit::Queue ? "queue" : "auto";
            EXPECT_TRUE(p.color == one.color) << name << ", " << threads << " threads";
            EXPECT_TRUE(p.depth == one.depth) << name << ", " << threads << " threads";
            EXPECT_EQ(p.covered, one.covered) << name << ", " << threads << " threads";
            EXPECT_EQ(p.threads, threads) << name << ": the scene was not drawn on every thread";
        }
}

// Scenes split by bands and scenes on the one queue, in turn on one device: each gets its helpers
// (the queue's, idle after its scene, are let go for the split) and the same picture.
TEST(SplitScene, ScenesTakeTurnsBetweenBandsAndTheQueueWithHelpersEachTime) {
    ThreadsGuard guard;
    setRasterThreads(2);
    MemorySurface* target = createMemorySurface(kWidth, kHeight, formatR5G6B5(), DDSCAPS_3DDEVICE);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    std::vector<uint8_t> first;
    for (int scene = 0; scene < 6; ++scene) {
        const ThreadSplit split = scene % 2 ? ThreadSplit::Bands : ThreadSplit::Queue;
        setThreadSplit(split);
        ASSERT_EQ(device->BeginScene(), D3D_OK);  // no clear: it would let the queue's helpers go
        Sequence s{9};
        std::vector<D3DVERTEX> v;
        for (int call = 0; call < 4; ++call) {
            scatter(s, v, 200, 0.2f);
            ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
        }
        ASSERT_EQ(device->EndScene(), D3D_OK);
        SceneFigures figures;
        ASSERT_TRUE(lastSceneFigures(device, &figures));
        EXPECT_EQ(figures.threads, 2) << "scene " << scene;
        std::vector<uint8_t> picture(target->pixels(), target->pixels() + ptrdiff_t(target->pitch()) * kHeight);
        if (scene == 0) first = picture;
        EXPECT_TRUE(picture == first) << "scene " << scene;
    }
    device->Release();
    d3d->Release();
    target->Release();
}

// Calls straight into drawPrimitives on a 32-bit target with a z-buffer, split or not.
struct DirectScene {
    MemorySurface* target = createMemorySurface(kWidth, kHeight, formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(kWidth, kHeight, formatZ32(), DDSCAPS_ZBUFFER);
    ~DirectScene() {
        z->Release();
        target->Release();
    }

    // `calls` calls of `perCall` triangles each (small ones, so that many are in one band only),
    // opaque with the z-test, every third without z-writes; returns the pixels covered.
    uint64_t draw(SplitScene* split, int threads, int calls, int perCall) {
        std::memset(target->pixels(), 0, size_t(target->pitch()) * kHeight);
        std::memset(z->pixels(), 0xFF, size_t(z->pitch()) * kHeight);
        DeviceState state = defaultDeviceState(true, kWidth, kHeight);
        state.render[D3DRENDERSTATE_LIGHTING] = FALSE;
        state.render[D3DRENDERSTATE_CULLMODE] = D3DCULL_NONE;
        SpanQueue queue;
        uint64_t covered = 0;
        Sequence s{5};
        std::vector<D3DVERTEX> v;
        {
            SurfaceLock color(target, SurfaceLock::Kind::Color), depth(z, SurfaceLock::Kind::Depth);
            DrawTargets targets;
            targets.color = &color;
            targets.depth = &depth;
            for (int call = 0; call < calls; ++call) {
                scatter(s, v, perCall, 0.06f);
                state.render[D3DRENDERSTATE_ZWRITEENABLE] = call % 3 != 1;
                DrawFigures figures;
                drawPrimitives(state, targets, D3DPT_TRIANGLELIST, v.data(), uint32_t(v.size()), &figures, &queue,
                               split);
                if (split) {
                    EXPECT_EQ(split->running(), threads > 1);
                }
                std::fill(v.begin(), v.end(), D3DVERTEX{});  // rewritten once the call returns
            }
            covered = split && split->running() ? split->finish(&queue) : queue.draw();
        }
        return covered;
    }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> b(target->pixels(), target->pixels() + ptrdiff_t(target->pitch()) * kHeight);
        b.insert(b.end(), z->pixels(), z->pixels() + ptrdiff_t(z->pitch()) * kHeight);
        return b;
    }
};

// Rings of two calls and one largest call's vertices: nearly every call waits for room, wraps the
// vertex ring or has a helper's calls replayed by the calling thread, and the picture and the count
// of covered pixels stay those of one thread.
TEST(SplitScene, SmallestRingsGiveOneThreadsPictureAndCount) {
    ThreadsGuard guard;
    DirectScene scene;
    setRasterThreads(1);
    const uint64_t oneCovered = scene.draw(nullptr, 1, 24, 9000);
    const std::vector<uint8_t> one = scene.bytes();
    ASSERT_GT(oneCovered, 0u);
    for (int threads : {2, 3}) {
        setRasterThreads(threads);
        for (int round = 0; round < 2; ++round) {  // the second finds the rings as the first left them
            SplitScene split(1, 1);
            EXPECT_EQ(scene.draw(&split, threads, 24, 9000), oneCovered) << threads << " threads";
            EXPECT_TRUE(scene.bytes() == one) << threads << " threads";
            EXPECT_FALSE(split.running());
        }
    }
}

// Calls of every size up to the largest, a second scene on the same split after the first, and a
// split over a queue that already holds draws (it is not started).
TEST(SplitScene, LargestCallsAndAQueueAlreadyFilled) {
    ThreadsGuard guard;
    setRasterThreads(2);
    DirectScene scene;
    SplitScene split;
    const uint64_t first = scene.draw(&split, 2, 3, 21845);  // 65535 vertices a call
    const std::vector<uint8_t> picture = scene.bytes();
    EXPECT_EQ(scene.draw(&split, 2, 3, 21845), first);
    EXPECT_TRUE(scene.bytes() == picture);
    setRasterThreads(1);
    EXPECT_EQ(scene.draw(nullptr, 1, 3, 21845), first);
    EXPECT_TRUE(scene.bytes() == picture);

    SpanQueue queue;
    MemorySurface* target = createMemorySurface(16, 16, formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    {
        SurfaceLock color(target, SurfaceLock::Kind::Color);
        SpanState state;
        ASSERT_TRUE(makeSpanState([&] {
            PixelPipeline p = preparePixelPipeline(defaultDeviceState(false, 16, 16));
            p.color = &color;
            return p;
        }(), &state));
        queue.beginCall(state, false, 16, nullptr);
        queue.endCall();
        EXPECT_FALSE(split.start(2, &queue));
        EXPECT_FALSE(split.running());
        queue.draw();
    }
    target->Release();
}

}  // namespace
