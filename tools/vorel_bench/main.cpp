// vorel_bench: measures the software 3D device on synthetic scenes shaped like the saver's views.
//
//   vorel_bench [--json] [--frames N] [--scene inside|outside] [--resolution WxH]
//
// Each scene is rendered at 640x480, 1024x768 and 1920x1080 (or the one resolution given) into a
// 32-bit target with a 32-bit z-buffer: two warm-up frames, then N timed frames (default 10) of
// Clear, BeginScene, the scene's draws and EndScene. Prints per scene and resolution the median
// milliseconds per frame, million pixel centres shaded per second and triangles submitted per
// second, as a table or (--json) as a JSON array.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/standard_formats.h"
#include "tools/vorel_bench/synthetic_scene.h"

namespace {

struct Options {
    bool json = false;
    int frames = 10;
    std::vector<std::string> scenes{"inside", "outside"};
    std::vector<std::pair<int, int>> resolutions{{640, 480}, {1024, 768}, {1920, 1080}};
};

struct Result {
    std::string scene;
    int width, height, frames;
    double msPerFrame, mpixPerSecond, trisPerSecond;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: vorel_bench [--json] [--frames N] [--scene inside|outside] [--resolution WxH]\n"
                 "Renders synthetic scenes on the software 3D device and prints the median time per frame,\n"
                 "million pixels shaded per second and triangles per second.\n");
}

// 0: run; 1: done (help); 2: bad arguments.
int parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 1;
        } else if (a == "--json") {
            o->json = true;
        } else if (a == "--frames" && hasValue) {
            o->frames = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--scene" && hasValue) {
            o->scenes = {argv[++i]};
        } else if (a == "--resolution" && hasValue) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 8192 || h > 8192) return 2;
            o->resolutions = {{w, h}};
        } else {
            return 2;
        }
    }
    return 0;
}

bool measure(const std::string& name, int width, int height, int frames, Result* r) {
    using namespace platform::d3d;
    bench::SyntheticScene scene;
    if (!scene.build(name)) return false;
    MemorySurface* target = createMemorySurface(DWORD(width), DWORD(height), formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(DWORD(width), DWORD(height), formatZ32(), DDSCAPS_ZBUFFER);
    target->AddAttachedSurface(z);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    CreateDirect3DForDirectDraw(nullptr, &d3d);
    d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device);
    scene.applyStates(device);
    std::vector<double> ms;
    uint64_t pixels = 0, triangles = 0;
    for (int f = 0; f < frames + 2; ++f) {
        auto start = std::chrono::steady_clock::now();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        scene.render(device);
        device->EndScene();
        double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (f < 2) continue;  // warm-up
        ms.push_back(elapsed);
        SceneFigures figures;
        lastSceneFigures(device, &figures);
        pixels += figures.pixels;
        triangles += figures.triangles;
    }
    device->Release();
    d3d->Release();
    z->Release();
    target->Release();
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double m : ms) total += m;
    *r = {name, width, height, frames, sorted[sorted.size() / 2], double(pixels) / (total * 1e3),
          double(triangles) / (total * 1e-3)};
    return true;
}

void print(const std::vector<Result>& results, bool json) {
    if (json) {
        std::printf("[\n");
        for (size_t i = 0; i < results.size(); ++i) {
            const Result& r = results[i];
            std::printf("  {\"scene\": \"%s\", \"resolution\": \"%dx%d\", \"frames\": %d, \"ms_per_frame\": %.3f, "
                        "\"mpix_per_s\": %.2f, \"tris_per_s\": %.0f}%s\n",
                        r.scene.c_str(), r.width, r.height, r.frames, r.msPerFrame, r.mpixPerSecond, r.trisPerSecond,
                        i + 1 < results.size() ? "," : "");
        }
        std::printf("]\n");
        return;
    }
    std::printf("%-8s %-10s %7s %12s %12s %14s\n", "scene", "resolution", "frames", "ms/frame", "Mpix/s", "tris/s");
    for (const Result& r : results) {
        char res[32];
        std::snprintf(res, sizeof res, "%dx%d", r.width, r.height);
        std::printf("%-8s %-10s %7d %12.2f %12.2f %14.0f\n", r.scene.c_str(), res, r.frames, r.msPerFrame,
                    r.mpixPerSecond, r.trisPerSecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int parsed = parse(argc, argv, &options);
    if (parsed == 1) return 0;
    if (parsed == 2) {
        usage(stderr);
        return 2;
    }
    std::vector<Result> results;
    for (const std::string& scene : options.scenes)
        for (auto [w, h] : options.resolutions) {
            Result r;
            if (!measure(scene, w, h, options.frames, &r)) {
                std::fprintf(stderr, "vorel_bench: unknown scene \"%s\"\n", scene.c_str());
                return 2;
            }
            results.push_back(r);
        }
    print(results, options.json);
    return 0;
}
