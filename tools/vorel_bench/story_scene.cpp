#include "tools/vorel_bench/story_scene.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/device_list.h"
#include "common/enumeration.h"
#include "common/settings.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"
#include "saver/archive/archive.h"
#include "saver/archive/current_archive.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/engine/math3d.h"
#include "saver/scene/scene.h"
#include "saver/engine/model_material.h"
#include "saver/scene/stores.h"
#include "saver/shell/display_wiring.h"
#include "tools/vorel_bench/frame_recording.h"
#include "tools/vorel_bench/gl_replay.h"

namespace bench {

namespace {

constexpr DWORD kFrameStepMs = 16;

// How a story scene is drawn: the showcase ("story-": detail level 2, transparency on, 32 bits),
// as a real run draws it with the configuration program's defaults ("real-": detail level 1,
// transparency off, a 16-bit mode) or with the saver's own defaults, without a settings file
// ("low-": detail level 0, transparency off, a 16-bit mode).
struct StoryLook {
    DWORD moment = 0;  // story time in ms; 0: not a story scene
    int detail = 2, transparency = 1, bits = 32;
};

StoryLook storyLook(const std::string& name) {
    StoryLook look;
    std::string rest = name;
    if (rest.rfind("real", 0) == 0) {
        look.detail = 1, look.transparency = 0, look.bits = 16;
        rest = "story" + rest.substr(4);
    } else if (rest.rfind("low", 0) == 0) {
        look.detail = 0, look.transparency = 0, look.bits = 16;
        rest = "story" + rest.substr(3);
    }
    if (rest == "story-outside") look.moment = 8000;
    if (rest == "story-inside") look.moment = 60000;
    if (rest.rfind("story@", 0) == 0) look.moment = DWORD(std::strtoul(rest.c_str() + 6, nullptr, 10));
    return look;
}

std::string archivePath() {
    if (const char* given = std::getenv("VOREL_BENCH_ARCHIVE")) return given;
    const std::string self = selfPath();
    return self.substr(0, self.find_last_of('/') + 1) + "vorel_screensaver.pak";
}

// The archive opens even when it is missing (as an empty one) and the story then runs on without
// its models and pictures: a few tenths of a millisecond a frame that look like a result. A bench
// has nothing to measure without them, so a missing or empty archive is refused up front.
bool archiveThere(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 8) return true;
    std::fprintf(stderr,
                 "vorel_bench: the story's archive %s is missing or empty (it is built beside vorel_bench;"
                 " VOREL_BENCH_ARCHIVE names another)\n",
                 path.c_str());
    return false;
}

LRESULT plainWindow(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND makeWindow(int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainWindow;
    wc.lpszClassName = "VorelBenchStory";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "VorelBenchStory", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
}

// The first device's mode of this size and depth becomes the chosen one, as the settings would.
bool chooseMode(int width, int height, int bits) {
    enumerateAndSort();
    const DeviceInfo* device = deviceAt(0);
    for (int32_t i = 0; device && i < device->modeCount; ++i) {
        const DisplayMode* mode = device->mode(i);
        if (mode && mode->width() == width && mode->height() == height && mode->bits() == bits) {
            g_settings.deviceIndex = 0;
            g_settings.modeIndex = i;
            return true;
        }
    }
    std::fprintf(stderr, "vorel_bench: the display offers no %dx%dx%d mode\n", width, height, bits);
    return false;
}

// The saver's start-up in the order the screensaver takes it, on a window of the asked size.
bool startStory(Scene& scene, HWND window, int width, int height, const StoryLook& look) {
    if (!chooseMode(width, height, look.bits)) return false;
    void* directDraw = nullptr;
    if (DirectDrawCreateEx(nullptr, &directDraw, IID_IDirectDraw7, nullptr) < 0) return false;
    g_display.directDraw = static_cast<IDirectDraw7*>(directDraw);
    setPresentationSettleMs(0);
    if (createPresentation(window, width, height, look.bits) < 0) return false;
    g_settings.detailLevel = look.detail;
    g_settings.transparencyOn = look.transparency;
    seedRandom(1);
    scene.build(g_display.directDraw);
    seedRandom(1);
    if (create3DDevice() < 0) return false;
    sceneTextures().loadAll(g_display.directDraw);
    scene.device = g_display.device;
    scene.enterOutsideView();
    return true;
}

void readBackBuffer(int width, int height, std::vector<uint8_t>* rgb) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (g_display.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return;
    rgbFromPixels(static_cast<const uint8_t*>(desc.lpSurface), desc.lPitch, desc.ddpfPixelFormat, width, height, rgb);
    g_display.backBuffer->Unlock(nullptr);
}

// Times frames from the story moment `start` on, 16 ms of story apart; the picture kept is the
// frame at `start` (the one the llvmpipe side records), read before the timing goes on. False
// when a presenting run's flip failed (its times would not include the presentation).
bool timeStoryFrames(Scene& scene, DWORD start, int width, int height, int frames, RunResult* r) {
    IDirect3DDevice7* device = g_display.device;
    std::function<void()> present;
    int failedFlips = 0;
    if (framePacing().present)
        present = [&] { failedFlips += g_display.primary->Flip(nullptr, DDFLIP_WAIT) != DD_OK; };
    timeFrames(
        device, frames, [&](int f) { scene.renderFrame(start + DWORD(f) * kFrameStepMs, device); },
        [&](int f) {
            if (f == 0) readBackBuffer(width, height, &r->rgb);
        },
        r, present);
    if (failedFlips > 0) std::fprintf(stderr, "vorel_bench: %d of the story's flips failed\n", failedFlips);
    return failedFlips == 0;
}

}  // namespace

bool isStoryScene(const std::string& name) { return storyLook(name).moment != 0; }

namespace {

// Sets the story up on a headless screen of the size, advances it to the scene's moment without
// drawing, calls `use` with it, and takes everything down again. False when the name is not a
// story scene or the display could not be set up (use is not called then).
template <typename Use>
bool withStory(const std::string& name, int width, int height, int threads, const Use& use) {
    const StoryLook look = storyLook(name);
    const DWORD moment = look.moment;
    if (moment == 0 || !archiveThere(archivePath())) return false;
    setenv("VOREL_BACKEND", "headless", 1);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height);
    setenv("VOREL_SCREEN", screen.c_str(), 1);
    // The virtual clock from its start, so the scene build seeds its random numbers the same way
    // in every run: the same story, the same frames (and the same frame on both sides of --compare).
    setenv("VOREL_TICK_MS", "16", 1);
    platform::resetClock();
    platform::d3d::setRasterThreads(threads);
    Archive archive(archivePath().c_str());
    setCurrentArchive(&archive);
    HWND window = makeWindow(width, height);
    // A story of its own for every run: nothing carries over from an earlier scene or size.
    installDisplayWiring();
    auto scene = std::make_unique<Scene>();
    const bool ready = window && startStory(*scene, window, width, height, look);
    if (ready) {
        // The story up to the moment, without drawing (the views still set their device states).
        for (DWORD t = 1000; t < moment; t += 50) scene->renderFrame(t, nullptr);
        use(*scene, moment);
    }
    releaseDisplay(window);
    scene.reset();
    resetStores();
    resetMaterialTable();
    if (window) DestroyWindow(window);
    setCurrentArchive(nullptr);
    archive.deleteTempFiles();
    clearDeviceList();
    return ready;
}

}  // namespace

bool runStory(const std::string& name, int width, int height, int threads, int frames, RunResult* r) {
    *r = RunResult{};
    r->scene = name;
    r->width = width, r->height = height, r->threads = threads;
    bool presented = true;
    const bool ready = withStory(name, width, height, threads, [&](Scene& scene, DWORD moment) {
        r->threads = platform::d3d::rasterThreads();
        presented = timeStoryFrames(scene, moment, width, height, frames, r);
    });
    return ready && presented;
}

bool runStoryOnLlvmpipe(const std::string& name, int width, int height, int frames, RunResult* r,
                        std::string* error) {
    *r = RunResult{};
    r->scene = name;
    bool replayed = false;
    const bool ready = withStory(name, width, height, 1, [&](Scene& scene, DWORD moment) {
        // The frame at the moment (our side's picture is that frame too), recorded instead of
        // drawn; the recording borrows the stores' textures, which live until the story is
        // taken down.
        Recording recording;
        IDirect3DDevice7* recorder = makeRecordingDevice(&recording);
        copyDeviceState(g_display.device, recorder);  // what earlier frames and the set-up left
        const size_t frameStart = recording.calls.size();
        recorder->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        recorder->BeginScene();
        scene.renderFrame(moment, recorder);
        recorder->EndScene();
        recorder->Release();
        replayed = replayTimed(recording, frameStart, width, height, frames, r, error);
    });
    if (!ready && error->empty()) *error = "the story could not be set up for " + name;
    return ready && replayed;
}

}  // namespace bench
