// One benchmark run of our software device.
#include "tools/vorel_bench/bench_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/d3d/call_bounds.h"
#include "platform/d3d/memory_surface.h"
#include "platform/d3d/pixel_format.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/standard_formats.h"
#include "platform/d3d/trial_setting.h"
#include "tools/vorel_bench/ab_trial.h"
#include "tools/vorel_bench/story_scene.h"
#include "tools/vorel_bench/synthetic_scene.h"

namespace bench {

double RunResult::medianMs() const { return medianOf(frameMs); }

double RunResult::medianCpuMs() const { return medianOf(frameCpuMs); }

namespace {

FramePacing g_pacing;

double threadCpuMs() {
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return 0.0;
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

}  // namespace

void setFramePacing(const FramePacing& pacing) { g_pacing = pacing; }

const FramePacing& framePacing() { return g_pacing; }

double RunResult::percentileMs(double p) const {
    if (frameMs.empty()) return 0;
    std::vector<double> v = frameMs;
    std::sort(v.begin(), v.end());
    size_t i = std::min(v.size() - 1, size_t(p / 100.0 * double(v.size() - 1) + 0.5));
    return v[i];
}

double RunResult::mpixPerSecond() const {
    double total = 0;
    for (double m : frameMs) total += m;
    return total > 0 ? double(pixels) / (total * 1e3) : 0;
}

double RunResult::trianglesPerSecond() const {
    double total = 0;
    for (double m : frameMs) total += m;
    return total > 0 ? double(triangles) / (total * 1e-3) : 0;
}

void rgbFromPixels(const uint8_t* pixels, ptrdiff_t pitch, const DDPIXELFORMAT& format, int width, int height,
                   std::vector<uint8_t>* rgb) {
    rgb->assign(size_t(width) * size_t(height) * 3, 0);
    platform::d3d::PixelLayout layout;
    if (!platform::d3d::makeLayout(format, &layout)) return;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + ptrdiff_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const uint32_t argb = platform::d3d::decodeArgb(
                layout, platform::d3d::readRaw(row + ptrdiff_t(x) * layout.bytesPerPixel, layout.bytesPerPixel));
            uint8_t* o = &(*rgb)[(size_t(y) * size_t(width) + size_t(x)) * 3];
            o[0] = uint8_t(argb >> 16), o[1] = uint8_t(argb >> 8), o[2] = uint8_t(argb);
        }
    }
}

std::string selfPath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : "vorel_bench";
}

void timeFrames(IDirect3DDevice7* device, int frames, const std::function<void(int)>& draw,
                const std::function<void(int)>& afterFrame, RunResult* r, const std::function<void()>& present) {
    using namespace platform::d3d;
    wantRasterTimes(true);  // the split between vertex, set-up and pixel work is reported
    RasterTimes before{};
    SkippedCalls skippedBefore{};
    for (int f = 0; f < frames + 2; ++f) {
        if (f == 2) before = rasterTimes(), skippedBefore = skippedCalls();
        if (g_pacing.abOrder >= 0) setTrialSetting(abSetting(f, g_pacing.abOrder));
        const double cpuStart = threadCpuMs();
        auto start = std::chrono::steady_clock::now();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        if (device->BeginScene() == D3D_OK) {
            draw(f);
            device->EndScene();
        }
        if (present) present();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double cpuMs = threadCpuMs() - cpuStart;
        if (afterFrame) afterFrame(f);
        if (g_pacing.paceMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_pacing.paceMs));
        if (f < 2) continue;  // warm-up
        r->frameMs.push_back(ms);
        r->frameCpuMs.push_back(cpuMs);
        SceneFigures figures;
        lastSceneFigures(device, &figures);
        r->pixels += figures.pixels;
        r->triangles += figures.triangles;
    }
    if (g_pacing.abOrder >= 0) setTrialSetting(0);
    RasterTimes after = rasterTimes();
    r->vertexMs = double(after.vertexNs - before.vertexNs) * 1e-6 / frames;
    r->setupMs = double(after.setupNs - before.setupNs) * 1e-6 / frames;
    r->rasterMs = double(after.rasterNs - before.rasterNs) * 1e-6 / frames;
    const SkippedCalls skipped = skippedCalls();
    r->skippedCalls = double(skipped.calls - skippedBefore.calls) / frames;
    r->skippedTriangles = double(skipped.triangles - skippedBefore.triangles) / frames;
}

bool runOurs(const std::string& name, int width, int height, int threads, int frames, RunResult* r) {
    using namespace platform::d3d;
    if (isStoryScene(name)) return runStory(name, width, height, threads, frames, r);
    SyntheticScene scene;
    if (!scene.build(name)) return false;
    setRasterThreads(threads);
    MemorySurface* target = createMemorySurface(DWORD(width), DWORD(height), formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(DWORD(width), DWORD(height), formatZ32(), DDSCAPS_ZBUFFER);
    target->AddAttachedSurface(z);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    CreateDirect3DForDirectDraw(nullptr, &d3d);
    d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device);
    scene.applyStates(device);
    *r = RunResult{};
    r->scene = name;
    r->width = width, r->height = height, r->threads = rasterThreads();
    timeFrames(device, frames, [&](int) { scene.render(device); }, nullptr, r);
    rgbFromPixels(target->pixels(), target->pitch(), platform::d3d::formatX8R8G8B8(), width, height, &r->rgb);
    device->Release();
    d3d->Release();
    z->Release();
    target->Release();
    return true;
}

}  // namespace bench
