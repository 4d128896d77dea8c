// One benchmark run of our software device: a synthetic scene rendered for a number of frames into
// a 32-bit target with a 32-bit z-buffer, timed frame by frame.
//
// A frame is Clear, BeginScene, the scene's draws and EndScene; the picture is then in memory
// (the target is a system-memory surface), which is where llvmpipe's frames end too. Two warm-up
// frames are not counted. Times are wall-clock milliseconds; the vertex/set-up/raster split comes
// from the device's own counters (see platform/d3d/raster_options.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "tools/vorel_bench/median.h"

namespace bench {

struct RunResult {
    std::string scene;
    int width = 0, height = 0, threads = 1;
    std::vector<double> frameMs;
    std::vector<double> frameCpuMs;                    // the calling thread's processor time
    uint64_t pixels = 0, triangles = 0;                // over the counted frames
    double vertexMs = 0, setupMs = 0, rasterMs = 0;    // per frame
    double skippedCalls = 0, skippedTriangles = 0;     // per frame: calls left out whole (beyond the view)
    std::vector<uint8_t> rgb;                          // last picture, top row first

    double medianMs() const;
    double medianCpuMs() const;
    double percentileMs(double p) const;
    double mpixPerSecond() const;
    double trianglesPerSecond() const;
};

// False for an unknown scene name, or a presenting story run whose flips failed.
bool runOurs(const std::string& scene, int width, int height, int threads, int frames, RunResult* out);

// How timed frames follow each other. paceMs: the thread sleeps that long after each frame (outside
// the timing), as a run paced by the saver's 64 Hz timer leaves the processor idle between frames;
// 0: frames back to back. present: story scenes end each timed frame with the frame loop's flip
// (the back buffer's picture copied to the front and shown on the headless screen). abOrder: 0 or
// 1, frames alternate the trial setting (trial_setting.h) in that order (ab_trial.h), set before
// each frame's Clear and back to 0 after the last; -1: the setting is left alone.
struct FramePacing {
    int paceMs = 0;
    bool present = false;
    int abOrder = -1;
};
void setFramePacing(const FramePacing& pacing);
const FramePacing& framePacing();

// Times frames + 2 frames on `device` (Clear, BeginScene, draw(f), EndScene, then present() when
// given; the first two not counted) into out's frame times (wall clock) and processor times (the
// calling thread's), figures and vertex/set-up/raster split; afterFrame(f), when given, runs after
// each frame, outside the timing, and then the pace's sleep.
void timeFrames(IDirect3DDevice7* device, int frames, const std::function<void(int)>& draw,
                const std::function<void(int)>& afterFrame, RunResult* out,
                const std::function<void()>& present = nullptr);

// Rows of pixels of `format` (any layout the device draws into), `pitch` bytes apart, as RGB
// bytes, top row first, decoded as the device decodes them; all black for a format it does not know.
void rgbFromPixels(const uint8_t* pixels, ptrdiff_t pitch, const DDPIXELFORMAT& format, int width, int height,
                   std::vector<uint8_t>* rgb);

// This program's own path (for starting workers and finding files beside it).
std::string selfPath();

}  // namespace bench
