// Helper pacing: a timer-paced run leaves the helpers out after its first window, busy programs
// keep or regain them at a window's end, and the device follows the choice scene by scene with
// the same pictures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/d3d/helper_pacing.h"
#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/standard_formats.h"

using namespace platform;
using d3d::HelperPacing;

namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kTick = 15'625'000;  // 64 Hz

// Scenes started every `period` ns, each using `cpu` ns of processor time on one thread and
// `helped` ns when the helpers draw it, from (wall, used); returns the choices and moves the
// clocks on.
std::vector<bool> run(HelperPacing& pacing, int scenes, int64_t period, int64_t cpu, int64_t helped, int64_t* wall,
                      int64_t* used) {
    std::vector<bool> out;
    for (int i = 0; i < scenes; ++i) {
        out.push_back(pacing.sceneStarted(*wall, *used));
        *wall += period;
        *used += out.back() ? helped : cpu;
    }
    return out;
}

int firstHelped(const std::vector<bool>& choices) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i]) return int(i);
    return -1;
}

TEST(HelperPacing, ATimerPacedRunLeavesHelpersOutFromTheFirstWindowsEnd) {
    HelperPacing pacing;
    int64_t wall = 5'000 * kMs, cpu = 123 * kMs;
    // 5 ms of a 15.6 ms tick on one thread, 9 ms with helpers: 58 % of a core while helped. The
    // window closes at the 14th scene (203 ms).
    const std::vector<bool> first = run(pacing, 13, kTick, 5 * kMs, 9 * kMs, &wall, &cpu);
    for (size_t i = 0; i < first.size(); ++i) EXPECT_TRUE(first[i]) << "scene " << i;
    const std::vector<bool> later = run(pacing, 200, kTick, 5 * kMs, 9 * kMs, &wall, &cpu);
    for (size_t i = 0; i < later.size(); ++i) EXPECT_FALSE(later[i]) << "scene " << 13 + i;
    EXPECT_FALSE(pacing.helping());
}

TEST(HelperPacing, BusyProgramsKeepHelpersAndHeavyMomentsBringThemBackOnlyWhileTheyLast) {
    HelperPacing backToBack;
    int64_t wall = 0, cpu = 0;
    for (bool b : run(backToBack, 300, 4 * kMs, 4 * kMs, 6 * kMs, &wall, &cpu)) EXPECT_TRUE(b);

    HelperPacing pacing;
    wall = cpu = 0;
    run(pacing, 20, kTick, 2 * kMs, 3 * kMs, &wall, &cpu);
    ASSERT_FALSE(pacing.helping());
    // The story turns heavy: 13 ms a tick on one thread (83 %), 19 ms helped. The window under
    // way (begun at scene 13) still closes light; the next one, wholly heavy, brings the helpers
    // back at its end and they stay while it lasts.
    const std::vector<bool> heavy = run(pacing, 60, kTick, 13 * kMs, 19 * kMs, &wall, &cpu);
    const int on = firstHelped(heavy);
    ASSERT_GT(on, 0);
    EXPECT_LT(on, 30);
    for (size_t i = size_t(on); i < heavy.size(); ++i) EXPECT_TRUE(heavy[i]) << "scene " << i;
    // Back to 9 ms (58 %), 14 ms helped (90 %, below one core): the helpers leave within two
    // windows and stay out.
    const std::vector<bool> light = run(pacing, 100, kTick, 9 * kMs, 14 * kMs, &wall, &cpu);
    EXPECT_FALSE(light[30]);
    for (size_t i = 30; i < light.size(); ++i) EXPECT_FALSE(light[i]) << "scene " << i;
}

TEST(HelperPacing, SharesAreComparedWithThreeQuartersWithoutHelpersAndOneCoreWithThem) {
    for (const auto& [share, helps] : {std::pair{1.0, true}, std::pair{0.99, false}}) {
        HelperPacing pacing;
        EXPECT_TRUE(pacing.sceneStarted(0, 0));
        EXPECT_EQ(pacing.sceneStarted(1'000 * kMs, int64_t(share * 1'000 * kMs)), helps) << share;
    }
    for (const auto& [share, helps] : {std::pair{0.75, true}, std::pair{0.74, false}}) {
        HelperPacing pacing;
        pacing.sceneStarted(0, 0);
        ASSERT_FALSE(pacing.sceneStarted(1'000 * kMs, 0));
        EXPECT_EQ(pacing.sceneStarted(2'000 * kMs, int64_t(share * 1'000 * kMs)), helps) << share;
    }
    HelperPacing pacing;
    pacing.sceneStarted(1'000 * kMs, 0);
    EXPECT_FALSE(pacing.sceneStarted(2'000 * kMs, 10 * kMs));
    EXPECT_TRUE(pacing.sceneStarted(500 * kMs, 20 * kMs));   // real time went backwards
    EXPECT_FALSE(pacing.sceneStarted(900 * kMs, 21 * kMs));  // a light window from there on
    EXPECT_TRUE(pacing.sceneStarted(1'000 * kMs, 10 * kMs));  // processor time went backwards
}

// Restores the process's thread setting when a test ends.
struct ThreadSetting {
    int threads = d3d::rasterThreads();
    bool paced = d3d::rasterThreadsPaced();
    ~ThreadSetting() { d3d::setRasterThreads(threads, paced); }
};

struct DeviceOnMemory {
    d3d::MemorySurface* target = d3d::createMemorySurface(64, 64, d3d::formatR5G6B5(), DDSCAPS_3DDEVICE);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    DeviceOnMemory() {
        if (!target || CreateDirect3DForDirectDraw(nullptr, &d3d) != S_OK) return;
        if (d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device) != D3D_OK) return;
        device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    }
    ~DeviceOnMemory() {
        if (device) device->Release();
        if (d3d) d3d->Release();
        if (target) target->Release();
    }
    // One scene of a few triangles across every band; returns the threads that drew it.
    int scene() {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        for (int i = 0; i < 6; ++i) {
            const float x = -1.0f + 0.3f * float(i);
            D3DVERTEX v[3] = {{x, 1, 0.5f, 0, 0, -1, 0, 0}, {x + 0.7f, -1, 0.5f, 0, 0, -1, 0, 0},
                              {x - 0.4f, -0.9f, 0.5f, 0, 0, -1, 0, 0}};
            EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, 0), D3D_OK);
        }
        EXPECT_EQ(device->EndScene(), D3D_OK);
        d3d::SceneFigures figures;
        EXPECT_TRUE(d3d::lastSceneFigures(device, &figures));
        return figures.threads;
    }
    std::vector<uint8_t> picture() const {
        const uint8_t* p = target->pixels();
        return std::vector<uint8_t>(p, p + ptrdiff_t(target->pitch()) * 64);
    }
};

TEST(HelperPacing, AnIdleDeviceDrawsWithoutHelpersAndTheSamePicture) {
    ThreadSetting restore;
    DeviceOnMemory d;
    ASSERT_NE(d.device, nullptr);
    d3d::setRasterThreads(2, true);
    EXPECT_EQ(d.scene(), 2);
    const std::vector<uint8_t> withHelpers = d.picture();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));  // a window of sleep: far below the share
    EXPECT_EQ(d.scene(), 1);
    EXPECT_EQ(d.picture(), withHelpers);
    // A count fixed by the setter is used whatever the pacing says.
    d3d::setRasterThreads(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(d.scene(), 2);
    EXPECT_EQ(d.picture(), withHelpers);
}

}  // namespace
