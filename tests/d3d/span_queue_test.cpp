// The span queue on one thread draws triangles in groups as they come; by bands on several, the
// filling thread keeping any share of them. Either way every triangle is drawn once, in order, and
// counted once: the same picture and the same covered pixel count for calls below, at and above
// the group size and above the queue's capacity. Clears cut by bands cover every row once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/span_queue.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/standard_formats.h"
#include "platform/d3d/triangle_setup.h"

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

// A 64x64 32-bit target's pixels, added to (ONE/ONE) by a dim grey.
struct Target {
    static constexpr int kSize = 64;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(kSize) * kSize * 4, 0);
    d3d::SpanState state() {
        d3d::SpanState s;
        s.color = pixels.data();
        s.colorPitch = kSize * 4;
        s.width = kSize;
        s.additive = true;
        return s;
    }
};

// One filling of `calls` calls of `perCall` small triangles scattered from `seed` (set-up drops
// some); returns the covered count draw() reports.
uint64_t fillAndDraw(d3d::SpanQueue& queue, Target& target, int calls, int perCall, uint32_t seed) {
    const d3d::Scissor scissor{0, 0, Target::kSize - 1, Target::kSize - 1};
    auto next = [&](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((seed >> 8) % uint32_t(range));
    };
    for (int call = 0; call < calls; ++call) {
        queue.beginCall(target.state(), false, Target::kSize, nullptr);
        for (int i = 0; i < perCall; ++i) {
            d3d::ScreenVertex v[3] = {};
            const int32_t x = next(Target::kSize * 16), y = next(Target::kSize * 16);
            for (d3d::ScreenVertex& c : v) {
                c.x = x + next(200) - 100, c.y = y + next(320) - 160, c.z = 0.5, c.invW = 1.0f;
                c.attr[d3d::kRed] = c.attr[d3d::kGreen] = c.attr[d3d::kBlue] = 0.01f;
            }
            d3d::TriangleSetup t;
            if (d3d::setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, scissor, &t)) queue.add(t, false);
        }
        queue.endCall();
    }
    return queue.draw();
}

// One queue whose helpers come and go from one filling to the next (as the device's pacing lets
// them, scene by scene), fillings small and past the queue's capacity: each filling draws every
// triangle once, giving the picture and the count of the same filling drawn by one thread alone.
TEST(SpanQueue, HelpersComingAndGoingBetweenFillingsDrawEveryTriangleOnce) {
    const int threadsBefore = d3d::rasterThreads();
    const bool pacedBefore = d3d::rasterThreadsPaced();
    d3d::setRasterThreads(3);
    struct Filling {
        bool helpers;
        int calls, perCall;
    };
    const Filling fillings[] = {{true, 2, 50},  {false, 3, 70},  {false, 1, 5},   {true, 2, 9000},
                                {false, 2, 9000}, {true, 1, 1},  {true, 3, 100},  {false, 1, 64}};
    d3d::SpanQueue switching, alone;
    alone.allowHelpers(false);
    Target a, b;
    uint32_t seed = 99;
    for (const Filling& f : fillings) {
        switching.allowHelpers(f.helpers);
        const uint64_t got = fillAndDraw(switching, a, f.calls, f.perCall, seed);
        const uint64_t want = fillAndDraw(alone, b, f.calls, f.perCall, seed);
        EXPECT_GT(want, 0u);
        EXPECT_EQ(got, want) << f.calls << " x " << f.perCall << (f.helpers ? " with helpers" : " alone");
        EXPECT_TRUE(a.pixels == b.pixels) << f.calls << " x " << f.perCall << (f.helpers ? " with helpers" : " alone");
        seed = seed * 7 + 1;
    }
    d3d::setRasterThreads(threadsBefore, pacedBefore);
}

// Every share of the bands the filling thread may keep (none, all, every second, third, fifth, one
// band of the target) on two and three threads, with fillings past the queue's capacity (the
// filling thread then draws helpers' bands to free the oldest slots): the picture and the count of
// one thread alone (additive drawing shows a triangle drawn twice or left out).
TEST(SpanQueue, EveryShareOfTheBandsDrawsTheSamePictureAsOneThread) {
    const int threadsBefore = d3d::rasterThreads();
    const bool pacedBefore = d3d::rasterThreadsPaced();
    d3d::SpanQueue alone;
    alone.allowHelpers(false);
    for (int threads : {2, 3}) {
        d3d::setRasterThreads(threads);
        for (int every : {0, 1, 2, 3, 5, 64}) {
            d3d::SpanQueue queue;
            queue.fixBandShare(every);
            uint32_t seed = uint32_t(7 * every + threads);
            for (int perCall : {3, 200, 9000}) {
                Target a, b;
                const uint64_t got = fillAndDraw(queue, a, 3, perCall, seed);
                EXPECT_EQ(queue.threads(), threads);
                const uint64_t want = fillAndDraw(alone, b, 3, perCall, seed);
                EXPECT_GT(want, 0u);
                EXPECT_EQ(got, want) << threads << " threads, every " << every << ", " << perCall;
                EXPECT_TRUE(a.pixels == b.pixels) << threads << " threads, every " << every << ", " << perCall;
                seed = seed * 5 + 3;
            }
        }
    }
    d3d::setRasterThreads(threadsBefore, pacedBefore);
}

// A queue filtered to some bands hands some of them over in the middle of a call (as a split
// scene's part does at its end): it draws the handed bands of what it holds (drawKept), keeps the
// rest of its bands for what it holds and what comes (narrowFilter), and another queue filtered to
// the handed bands draws the call's later triangles there. Whatever the triangle (first, last, at
// and around the group of 64 a queue draws at once) and whichever bands, the picture and count are
// one queue's (additive: a triangle drawn twice in a band, or in none, shows).
TEST(SpanQueue, BandsHandedOverInACallAreDrawnOnceInEachBand) {
    constexpr int kWidth = 64, kRows = 256, kCount = 300;  // four bands
    std::vector<d3d::TriangleSetup> triangles;
    uint32_t seed = 41;
    auto next = [&](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((seed >> 8) % uint32_t(range));
    };
    while (triangles.size() < kCount) {
        d3d::ScreenVertex v[3] = {};
        const int32_t x = next(kWidth * 16), y = next(kRows * 16);
        for (d3d::ScreenVertex& c : v) {
            c.x = x + next(300) - 150, c.y = y + next(1600) - 800, c.z = 0.5, c.invW = 1.0f;
            c.attr[d3d::kRed] = c.attr[d3d::kGreen] = c.attr[d3d::kBlue] = 0.01f;
        }
        d3d::TriangleSetup t;
        if (d3d::setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, {0, 0, kWidth - 1, kRows - 1}, &t)) triangles.push_back(t);
    }
    std::vector<uint8_t> pixels(size_t(kWidth) * kRows * 4);
    d3d::SpanState state;
    state.color = pixels.data(), state.colorPitch = kWidth * 4, state.width = kWidth, state.additive = true;
    // Triangles [from, to) through `queue` in one call; returns the covered count.
    auto drawRange = [&](d3d::SpanQueue& queue, int from, int to) {
        queue.beginCall(state, false, kRows, nullptr);
        for (int i = from; i < to; ++i) queue.add(triangles[size_t(i)], false);
        queue.endCall();
        return queue.draw();
    };
    d3d::SpanQueue one, part, taker;
    for (d3d::SpanQueue* q : {&one, &part, &taker}) q->allowHelpers(false);
    const uint64_t covered = drawRange(one, 0, kCount);
    const std::vector<uint8_t> picture = pixels;
    ASSERT_GT(covered, 0u);
    const d3d::BandMask own = d3d::interleavedBands(0, 2) | 2;  // bands 0, 1, 2 (3 is nobody's here)
    const d3d::BandMask other = ~own;
    for (const d3d::BandMask handed : {d3d::BandMask(2), d3d::BandMask(5), own, d3d::BandMask(0)})
        for (int at : {0, 1, 63, 64, 65, 130, kCount}) {
            std::fill(pixels.begin(), pixels.end(), 0);
            taker.setBandFilter(other);  // the bands of neither
            uint64_t got = drawRange(taker, 0, kCount);
            part.setBandFilter(own);
            part.beginCall(state, false, kRows, nullptr);
            for (int i = 0; i < at; ++i) part.add(triangles[size_t(i)], false);
            part.drawKept(handed);
            part.narrowFilter(own & ~handed);
            for (int i = at; i < kCount; ++i) part.add(triangles[size_t(i)], false);
            part.endCall();
            got += part.draw();
            taker.setBandFilter(handed);
            got += drawRange(taker, at, kCount);
            EXPECT_EQ(got, covered) << "bands " << handed << " from triangle " << at;
            EXPECT_TRUE(pixels == picture) << "bands " << handed << " from triangle " << at;
        }
}

// Rows handed out for clearing, by whichever threads: each row of the range once, no part crossing
// a band edge when cut, for ranges of a few rows and of many, aligned and not.
TEST(SpanQueue, ClearRowsCoversEveryRowOnceWithinBands) {
    const int threadsBefore = d3d::rasterThreads();
    const bool pacedBefore = d3d::rasterThreadsPaced();
    for (int threads : {1, 2, 3}) {
        d3d::setRasterThreads(threads);
        d3d::SpanQueue queue;
        for (int every : {0, 2, 3}) {
            queue.fixBandShare(every);
            // Shared bands (-1) and a split scene's interleave of `split` parts, each as the own
            // part, or (split 5) bands of this thread's at random.
            std::vector<std::array<int, 4>> cases;  // top, bottom, split, own
            for (auto [top, bottom] : {std::pair{0, 600}, std::pair{5, 21}, std::pair{7, 333}, std::pair{16, 32}}) {
                cases.push_back({top, bottom, -1, 0});
                for (int split = 1; split <= 4; ++split)
                    for (int own = 0; own < split; ++own) cases.push_back({top, bottom, split, own});
                for (int own = 0; own < 4; ++own) cases.push_back({top, bottom, 5, own});
            }
            for (auto [top, bottom, split, own] : cases) {
                std::vector<int> times(size_t(bottom) + 16, 0);
                std::vector<std::pair<int, int>> parts;
                std::mutex mutex;
                const d3d::BandMask mine = split == 5 ? d3d::BandMask(0x9E3779B97F4A7C15ull * unsigned(own + 1))
                                                      : d3d::interleavedBands(own, split);
                queue.clearRows(top, bottom, split < 0 ? nullptr : &mine, [&](int from, int to) {
                    std::lock_guard<std::mutex> lock(mutex);
                    parts.push_back({from, to});
                    for (int y = from; y < to; ++y) ++times[size_t(y)];
                });
                for (int y = 0; y < int(times.size()); ++y)
                    EXPECT_EQ(times[size_t(y)], y >= top && y < bottom ? 1 : 0)
                        << top << ".." << bottom << " split " << split << "/" << own << " row " << y;
                if (parts.size() > 1) {
                    for (auto [from, to] : parts) EXPECT_EQ(from >> d3d::kBandShift, (to - 1) >> d3d::kBandShift);
                }
            }
        }
    }
    d3d::setRasterThreads(threadsBefore, pacedBefore);
}

}  // namespace
