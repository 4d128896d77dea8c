// A scene split by bands between threads, each running every call's geometry for its own bands,
// draws the same bytes as one thread: through the device, with many calls, state changes between
// them, clears, locks and a call off the span path in the middle of the scene and vertices the
// program rewrites as soon as a call returns; and through drawPrimitives with the smallest rings,
// where the calling thread waits for room and replays a lagging helper's calls itself, under any
// map of bands. Calls
// differ in colour, z-writes and blending, so that one drawn out of order or twice shows. A
// finished split keeps no texels alive, and a paced device never splits.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d/device_state.h"
#include "platform/d3d/draw_pipeline.h"
#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/span_queue.h"
#include "platform/d3d/split_choice.h"
#include "platform/d3d/split_scene.h"
#include "platform/d3d/standard_formats.h"
#include "platform/d3d/surface_lock.h"

using namespace platform::d3d;

namespace {

// Three and a half bands (span_walk.h): every part has rows with up to four threads, and the
// calling thread's share (the fewest rows) leaves out the first band.
constexpr int kWidth = 160, kHeight = 224;

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
    std::vector<uint8_t> bytes;  // colour, then depth
    uint64_t covered = 0;
    int threads = 0;
    bool bands = false;
};

// The bytes of a target and its z-buffer, one after the other.
std::vector<uint8_t> bytesOf(MemorySurface* target, MemorySurface* z) {
    std::vector<uint8_t> b(target->pixels(), target->pixels() + ptrdiff_t(target->pitch()) * kHeight);
    b.insert(b.end(), z->pixels(), z->pixels() + ptrdiff_t(z->pitch()) * kHeight);
    return b;
}

// A device on a 565 target with a 16-bit z-buffer, culling nothing.
struct TestDevice {
    MemorySurface* target = createMemorySurface(kWidth, kHeight, formatR5G6B5(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(kWidth, kHeight, formatZ16(), DDSCAPS_ZBUFFER);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;

    TestDevice() {
        target->AddAttachedSurface(z);
        EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
        EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    }
    ~TestDevice() {
        device->Release();
        d3d->Release();
        z->Release();
        target->Release();
    }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    // The figures of the scene drawn last.
    SceneFigures figures() const {
        SceneFigures f;
        EXPECT_TRUE(lastSceneFigures(device, &f));
        return f;
    }
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
// between calls, a clear of a rectangle, a write through a lock and a call the span path does not
// draw (a clamped texture: what was queued or split is finished first, then the next call starts
// anew) in the middle; every call's vertices are overwritten as soon as it returns.
Picture drawBusyScene(int threads, ThreadSplit split) {
    setRasterThreads(threads);
    setThreadSplit(split);
    TestDevice d;
    IDirect3DDevice7* device = d.device;
    MemorySurface* texture = createMemorySurface(32, 16, formatA8R8G8B8(), DDSCAPS_TEXTURE);
    Sequence s{77};
    for (int i = 0; i < 32 * 16 * 4; ++i) texture->pixels()[i / (32 * 4) * texture->pitch() + i % (32 * 4)] = uint8_t(s.next() * 127 + 128);
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
        device->SetTextureStageState(0, D3DTSS_ADDRESS, call == 23 ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP);
        EXPECT_EQ(device->DrawPrimitive(type, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
        for (D3DVERTEX& x : v) x.x = -x.x, x.y = 0.5f * x.y, x.tu += 1;  // the program reuses its buffer
        if (call == 17) {
            D3DRECT part{30, 20, 110, 95};
            EXPECT_EQ(device->Clear(1, &part, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF00, 0.6f, 0), D3D_OK);
        }
        if (call == 29) writeRows(d.target, 40, 21, 0x5A);
    }
    EXPECT_EQ(device->EndScene(), D3D_OK);
    Picture p;
    const SceneFigures figures = d.figures();
    p.covered = figures.pixels;
    p.threads = figures.threads;
    p.bands = figures.bands;
    p.bytes = bytesOf(d.target, d.z);
    texture->Release();
    return p;
}

TEST(SplitScene, BusyScenesAreTheSameBytesOnOneTwoAndThreeThreadsEitherWaySplit) {
    ThreadsGuard guard;
    const Picture one = drawBusyScene(1, ThreadSplit::Bands);
    ASSERT_GT(one.covered, 0u);
    EXPECT_EQ(one.threads, 1);
    EXPECT_FALSE(one.bands);
    for (ThreadSplit split : {ThreadSplit::Bands, ThreadSplit::Queue, ThreadSplit::Automatic})
        for (int threads : {2, 3}) {
            const Picture p = drawBusyScene(threads, split);
            const char* name = split == ThreadSplit::Bands ? "bands" : split == ThreadSplit::Queue ? "queue" : "auto";
            EXPECT_TRUE(p.bytes == one.bytes) << name << ", " << threads << " threads";
            EXPECT_EQ(p.covered, one.covered) << name << ", " << threads << " threads";
            EXPECT_EQ(p.threads, threads) << name << ": the scene was not drawn on every thread";
            // Left to itself, a new device's first scene is split by bands.
            EXPECT_EQ(p.bands, split != ThreadSplit::Queue) << name << ", " << threads << " threads";
        }
}

// Scenes split by bands and scenes on the one queue, in turn on one device: each gets its helpers
// (the queue's, idle after its scene, are let go for the split) and one thread's picture. Every
// scene starts from a blank target and z-buffer and draws overlapping calls in colours of their
// own, one without z-writes and one added, so a band left out, drawn twice or out of order shows.
TEST(SplitScene, ScenesTakeTurnsBetweenBandsAndTheQueueWithHelpersEachTime) {
    ThreadsGuard guard;
    TestDevice d;
    IDirect3DDevice7* device = d.device;
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    std::vector<uint8_t> one;
    for (int scene = 0; scene < 7; ++scene) {  // scene 0 on one thread, then by turns on two
        const ThreadSplit split = scene % 2 ? ThreadSplit::Queue : ThreadSplit::Bands;
        setRasterThreads(scene == 0 ? 1 : 2);
        setThreadSplit(split);
        // Blanked through the pixels, not by a Clear: that would let the queue's helpers go.
        std::memset(d.target->pixels(), 0, size_t(d.target->pitch()) * kHeight);
        std::memset(d.z->pixels(), 0xFF, size_t(d.z->pitch()) * kHeight);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        Sequence s{9};
        std::vector<D3DVERTEX> v;
        for (int call = 0; call < 4; ++call) {
            D3DMATERIAL7 m{};
            m.emissive = {0.3f * float(call), 0.9f - 0.25f * float(call), call == 2 ? 0.2f : 0.7f, 1};
            device->SetMaterial(&m);
            device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, call != 1);
            device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, call == 2);
            scatter(s, v, 200, 0.2f);
            ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
        }
        ASSERT_EQ(device->EndScene(), D3D_OK);
        const SceneFigures figures = d.figures();
        const std::vector<uint8_t> picture = bytesOf(d.target, d.z);
        if (scene == 0) {
            one = picture;
            ASSERT_GT(figures.pixels, 0u);
            continue;
        }
        EXPECT_EQ(figures.threads, 2) << "scene " << scene;
        EXPECT_EQ(figures.bands, split == ThreadSplit::Bands) << "scene " << scene;
        EXPECT_TRUE(picture == one) << "scene " << scene;
    }
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
    // each in a colour of its own (emissive, lit), with the z-test; every third without z-writes
    // and every fourth added (ONE/ONE), so that calls drawn in another order or twice change the
    // bytes. Returns the pixels covered.
    uint64_t draw(SplitScene* split, int threads, int calls, int perCall) {
        std::memset(target->pixels(), 0, size_t(target->pitch()) * kHeight);
        std::memset(z->pixels(), 0xFF, size_t(z->pitch()) * kHeight);
        DeviceState state = defaultDeviceState(true, kWidth, kHeight);
        state.render[D3DRENDERSTATE_CULLMODE] = D3DCULL_NONE;
        state.render[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ONE;
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
                const bool added = call % 4 == 3;
                state.render[D3DRENDERSTATE_ZWRITEENABLE] = call % 3 != 1;
                state.render[D3DRENDERSTATE_ALPHABLENDENABLE] = added;
                const float scale = added ? 0.25f : 1.0f;
                const int n = call + 1;
                state.material.emissive = {scale * float(n * 37 % 101) / 100, scale * float(n * 59 % 89) / 88,
                                           scale * float(n * 23 % 61) / 60, 1};
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
    std::vector<uint8_t> bytes() const { return bytesOf(target, z); }

    // The same scene on one thread (the thread count is left at 1): what every split must match.
    struct Drawn {
        uint64_t covered;
        std::vector<uint8_t> bytes;
    };
    Drawn onOneThread(int calls, int perCall) {
        setRasterThreads(1);
        const uint64_t covered = draw(nullptr, 1, calls, perCall);
        return {covered, bytes()};
    }
};

// Rings of two calls and one largest call's vertices: a few large calls fill the vertex ring and
// many small ones the ring of calls, so calls wait for room and wrap the vertex ring; with more
// threads than the machine has cores (on a small one) helpers lag and the calling thread replays
// their calls. The picture and the count of covered pixels stay those of one thread.
TEST(SplitScene, SmallestRingsGiveOneThreadsPictureAndCount) {
    ThreadsGuard guard;
    DirectScene scene;
    for (const auto& [calls, perCall] : {std::pair{24, 9000}, std::pair{240, 300}}) {
        const DirectScene::Drawn one = scene.onOneThread(calls, perCall);
        ASSERT_GT(one.covered, 0u);
        for (int threads : {2, 3, 4}) {
            setRasterThreads(threads);
            SplitScene split(1, 1);
            for (int round = 0; round < 2; ++round) {  // the second finds the rings as the first left them
                EXPECT_EQ(scene.draw(&split, threads, calls, perCall), one.covered) << threads << " threads, " << calls;
                EXPECT_TRUE(scene.bytes() == one.bytes) << threads << " threads, " << calls << " calls, round " << round;
                EXPECT_FALSE(split.running());
            }
        }
    }
}

// With the calling thread's judging held (holdJudgingForTests), every helper reaches each chunk of
// a list before that thread's first pass has copied its vertices (poison waits in their places,
// and stays in those of the groups no helper keeps): the helpers wait for the copies, skip what
// is not copied, and the picture and count stay one thread's.
TEST(SplitScene, HelpersAheadOfTheFirstPassWaitForItsCopies) {
    ThreadsGuard guard;
    DirectScene scene;
    const DirectScene::Drawn one = scene.onOneThread(10, 700);
    ASSERT_GT(one.covered, 0u);
    for (int threads : {2, 3}) {
        setRasterThreads(threads);
        SplitScene split;
        holdJudgingForTests(true);
        const uint64_t covered = scene.draw(&split, threads, 10, 700);
        const uint32_t held = holdJudgingForTests(false);
        EXPECT_EQ(covered, one.covered) << threads << " threads";
        EXPECT_TRUE(scene.bytes() == one.bytes) << threads << " threads";
        EXPECT_GE(held, 10u * 11u) << threads << " threads: chunks of 64 triangles not judged through the seam";
    }
}

// Three arrays of the program drawn again and again in one scene (a model placed many times), each
// call under a world offset and a colour of its own, every third added; now and then, once a call
// has returned, the program moves a vertex of one array, changes its last texture coordinate, or
// changes one and puts it back. Returns the pixels covered; `repeated` gets the calls whose
// helpers read a scene's copy of an array drawn before (SplitScene::repeatedCalls).
uint64_t drawRepeatedArrays(DirectScene& scene, SplitScene* split, uint32_t* repeated) {
    std::memset(scene.target->pixels(), 0, size_t(scene.target->pitch()) * kHeight);
    std::memset(scene.z->pixels(), 0xFF, size_t(scene.z->pitch()) * kHeight);
    DeviceState state = defaultDeviceState(true, kWidth, kHeight);
    state.render[D3DRENDERSTATE_CULLMODE] = D3DCULL_NONE;
    state.render[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ONE;
    SpanQueue queue;
    Sequence s{41};
    std::vector<D3DVERTEX> arrays[3];
    for (int a = 0; a < 3; ++a) scatter(s, arrays[a], 150 + 90 * a, 0.12f);
    uint64_t covered = 0;
    {
        SurfaceLock color(scene.target, SurfaceLock::Kind::Color), depth(scene.z, SurfaceLock::Kind::Depth);
        DrawTargets targets;
        targets.color = &color;
        targets.depth = &depth;
        for (int call = 0; call < 60; ++call) {
            std::vector<D3DVERTEX>& v = arrays[call * 7 % 3];
            state.world = identityMatrix();
            state.world.m[3][0] = 0.03f * float(call % 9) - 0.12f;
            state.world.m[3][1] = 0.02f * float(call % 5) - 0.04f;
            state.render[D3DRENDERSTATE_ALPHABLENDENABLE] = call % 3 == 2;
            const float scale = call % 3 == 2 ? 0.2f : 1.0f;
            state.material.emissive = {scale * float(call * 37 % 101) / 100, scale * float(call * 59 % 89) / 88,
                                       scale * float(call * 23 % 61) / 60, 1};
            DrawFigures figures;
            drawPrimitives(state, targets, D3DPT_TRIANGLELIST, v.data(), uint32_t(v.size()), &figures, &queue,
                           split);
            if (call % 11 == 4) v[v.size() / 2].x += 0.3f;  // moved for the next calls
            if (call % 13 == 6) v.back().tv += 0.5f;        // the array's last bytes
            if (call % 17 == 8) {  // changed and put back
                const float y = v[1].y;
                v[1].y = y + 0.4f;
                v[1].y = y;
            }
        }
        if (split) *repeated = split->repeatedCalls();
        covered = split && split->running() ? split->finish(&queue) : queue.draw();
    }
    return covered;
}

// A scene that draws the same arrays many times, changed now and then between calls: the helpers
// read one copy of each unchanged array, never a copy older than the call, and the picture and
// count are one thread's.
TEST(SplitScene, ArraysDrawnAgainAndChangedBetweenCallsGiveOneThreadsPicture) {
    ThreadsGuard guard;
    DirectScene scene;
    setRasterThreads(1);
    uint32_t repeated = 0;
    const uint64_t one = drawRepeatedArrays(scene, nullptr, &repeated);
    const std::vector<uint8_t> bytes = scene.bytes();
    ASSERT_GT(one, 0u);
    for (int threads : {2, 3}) {
        setRasterThreads(threads);
        SplitScene split;
        for (int round = 0; round < 2; ++round) {  // the second scene starts with no copies
            EXPECT_EQ(drawRepeatedArrays(scene, &split, &repeated), one) << threads << " threads";
            EXPECT_TRUE(scene.bytes() == bytes) << threads << " threads, round " << round;
            // Of the 60 calls, each array's first and the next after each change that meets a copy
            // (eight: the change after call 48 comes before a call that copies anew) read the ring,
            // the other 49 a copy (57 if changes went unseen, 0 if no copy is kept).
            EXPECT_EQ(repeated, 49u) << threads << " threads, round " << round;
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
        EXPECT_FALSE(split.start(2, 600, &queue));
        EXPECT_FALSE(split.running());
        queue.draw();
    }
    target->Release();
}

// Whatever the map of bands (each band given to a part at random, parts holding none, the calling
// thread all of them or none, a band moved from one part to another between scenes on the same
// split, and back to the interleaved map), the picture and count are one thread's.
TEST(SplitScene, AnyMapOfBandsGivesOneThreadsPicture) {
    ThreadsGuard guard;
    DirectScene scene;
    const DirectScene::Drawn one = scene.onOneThread(12, 400);
    ASSERT_GT(one.covered, 0u);
    Sequence s{31};
    for (int threads : {2, 3}) {
        setRasterThreads(threads);
        SplitScene split;
        std::vector<BandMask> map(size_t(threads), 0);
        for (int round = 0; round < 8; ++round) {
            if (round % 4 == 0) {  // each band to a part at random
                std::fill(map.begin(), map.end(), 0);
                for (int b = 0; b < kBandClasses; ++b) {
                    const size_t part = size_t((s.next() + 1.0f) * 0.5f * float(threads)) % map.size();
                    map[part] |= BandMask(1) << b;
                }
            } else if (round % 4 == 1) {  // one band moved from its part to the next
                const int band = int((s.next() + 1.0f) * 2.0f) % 4;
                for (size_t p = 0; p < map.size(); ++p)
                    if (ownsBand(band, map[p])) {
                        map[p] &= ~(BandMask(1) << band);
                        map[(p + 1) % map.size()] |= BandMask(1) << band;
                        break;
                    }
            } else {  // one part holds every band
                std::fill(map.begin(), map.end(), 0);
                map[round % 4 == 2 ? 0 : map.size() - 1] = kEveryBand;
            }
            split.fixBandMap(map);
            EXPECT_EQ(split.callerBands(threads, kHeight), map[0]);
            EXPECT_EQ(scene.draw(&split, threads, 12, 400), one.covered) << threads << " threads, round " << round;
            EXPECT_TRUE(scene.bytes() == one.bytes) << threads << " threads, round " << round;
        }
        split.fixBandMap({});
        EXPECT_EQ(split.callerBands(threads, kHeight), interleavedBands(1, threads)) << "the fewest rows' share";
        EXPECT_EQ(scene.draw(&split, threads, 12, 400), one.covered) << threads << " threads, back to interleaved";
        EXPECT_TRUE(scene.bytes() == one.bytes) << threads << " threads, back to interleaved";
    }
}

// At a scene's end the calling thread asks the parts still drawing for some of their bands and
// draws those for the rest of the scene itself. With a test seam holding every helper at a chosen
// call and triangle until it is asked (the first call's start, a chunk in the middle of the first,
// two middle calls, one of them inside a chunk, the last call's start and last chunk), the
// hand-over is answered there
// and the picture and count stay one thread's, on two threads (a fixed map split at one boundary,
// or interleaved) and three, and under maps where the
// helper holds no band or one band only (nothing to hand over). A handed-over band drawn by both
// threads, or drawn here before the helper's earlier triangles in it, changes the bytes (additive
// calls, z-writes on and off).
TEST(SplitScene, BandsHandedOverAtTheEndGiveOneThreadsPicture) {
    ThreadsGuard guard;
    DirectScene scene;
    constexpr int kCalls = 12, kPerCall = 400;  // seven chunks of 64 triangles a call
    const DirectScene::Drawn one = scene.onOneThread(kCalls, kPerCall);
    ASSERT_GT(one.covered, 0u);
    // The last but one inside a chunk: answered at the first triangle from there the part keeps, or
    // at the next chunk.
    const std::pair<uint32_t, uint32_t> holds[] = {{0, 0}, {0, 192}, {5, 64}, {7, 100}, {kCalls - 1, 0}, {kCalls - 1, 384}};
    // Two parts split at one boundary (the helper's two bands above the calling thread's) or
    // interleaved; three interleaved.
    const std::pair<int, std::vector<BandMask>> splits[] = {
        {2, {~BandMask(3), 3}}, {2, {interleavedBands(1, 2), interleavedBands(0, 2)}}, {3, {}}};
    for (const auto& [threads, parts] : splits) {
        setRasterThreads(threads);
        SplitScene split;
        split.fixBandMap(parts);
        for (const auto& [call, from] : holds) {
            holdHandOverForTests(call, from);
            const uint64_t covered = scene.draw(&split, threads, kCalls, kPerCall);
            holdHandOverForTests(kNoHandOverHold, 0);
            const std::string where = std::to_string(threads) + " threads (helper's bands " +
                                      std::to_string(split.callerBands(threads, kHeight) ^ kEveryBand) + "), call " +
                                      std::to_string(call) + " from " + std::to_string(from);
            EXPECT_EQ(covered, one.covered) << where;
            EXPECT_TRUE(scene.bytes() == one.bytes) << where;
            EXPECT_NE(split.handedOver(), 0u) << where << ": no part handed bands over";
            for (int k = 1; k < threads; ++k)
                if (split.handedOver() >> k & 1) {
                    const auto [answeredCall, answeredFrom] = split.handOverPlace(k);
                    EXPECT_EQ(answeredCall, call) << where << ", part " << k;
                    EXPECT_GE(answeredFrom, from) << where << ", part " << k;
                    EXPECT_LE(answeredFrom, from % 64 ? from - from % 64 + 64 : from) << where << ", part " << k;
                }
        }
        // The helper holds no band, or a single one: nothing is handed over, nothing lost.
        for (const std::vector<BandMask>& map : {std::vector<BandMask>{kEveryBand, 0}, std::vector<BandMask>{~BandMask(4), 4}}) {
            if (threads != 2 || parts[0] != ~BandMask(3)) break;
            split.fixBandMap(map);
            holdHandOverForTests(3, 64);
            const uint64_t covered = scene.draw(&split, threads, kCalls, kPerCall);
            holdHandOverForTests(kNoHandOverHold, 0);
            EXPECT_EQ(covered, one.covered) << "helper's bands " << map[1];
            EXPECT_TRUE(scene.bytes() == one.bytes) << "helper's bands " << map[1];
            EXPECT_EQ(split.handedOver(), 0u) << "helper's bands " << map[1];
        }
        split.fixBandMap({});
    }
}

// Once a split scene is finished, no copy of its calls (in the ring or a helper's queue) keeps
// their texels (a widened texture) alive, over two scenes of more calls than the ring holds.
TEST(SplitScene, FinishedScenesKeepNoTexels) {
    ThreadsGuard guard;
    setRasterThreads(2);
    MemorySurface* target = createMemorySurface(16, 16, formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    {
        SurfaceLock color(target, SurfaceLock::Kind::Color);
        PixelPipeline pixels = preparePixelPipeline(defaultDeviceState(false, 16, 16));
        pixels.color = &color;
        ReplayCall call{};
        ASSERT_TRUE(makeSpanState(pixels, &call.span));
        call.triangles.cull = D3DCULL_NONE;
        call.count = 3;
        const D3DVERTEX vertices[3] = {};
        SpanQueue queue;
        SplitScene split(1, 1);
        for (int scene = 0; scene < 2; ++scene) {
            ASSERT_TRUE(split.start(2, 600, &queue));
            std::vector<std::weak_ptr<const void>> texels;
            for (int i = 0; i < 5; ++i) {
                call.texels = std::make_shared<const int>(i);
                texels.push_back(call.texels);
                split.post(call, vertices);
            }
            call.texels.reset();
            split.finish(&queue);
            for (size_t i = 0; i < texels.size(); ++i) EXPECT_TRUE(texels[i].expired()) << "scene " << scene << ", call " << i;
        }
    }
    target->Release();
}

// A paced device (the real run) draws every scene from the one queue and makes no trials of the
// split, which compare real time; unpaced, a new device's first scene is split by bands.
TEST(SplitScene, PacedDevicesKeepToTheQueue) {
    ThreadsGuard guard;
    setThreadSplit(ThreadSplit::Automatic);
    for (bool paced : {false, true}) {
        setRasterThreads(2, paced);
        TestDevice d;
        d.device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
        int split = 0;
        for (int scene = 0; scene < 2 * SplitChoice::kWarmScenes + SplitChoice::kTrialScenes + 2; ++scene) {
            ASSERT_EQ(d.device->BeginScene(), D3D_OK);
            Sequence s{3};
            std::vector<D3DVERTEX> v;
            scatter(s, v, 200, 0.2f);
            ASSERT_EQ(d.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
            ASSERT_EQ(d.device->EndScene(), D3D_OK);
            const SceneFigures figures = d.figures();
            ASSERT_GT(figures.pixels, 0u);
            split += figures.bands;
            if (scene == 0 && !paced) {
                EXPECT_TRUE(figures.bands);
            }
        }
        if (paced) {
            EXPECT_EQ(split, 0) << "scenes split by bands";
        } else {
            EXPECT_GT(split, 0);
        }
    }
}

}  // namespace
