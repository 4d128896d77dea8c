// Which way the device's threads share the next scene, when the program leaves it to the device:
// split by bands (split_scene.h: both threads run all geometry, no record crosses cores) or one
// queue (span_queue.h: one thread's geometry, the pixels shared). Which is faster depends on the
// machine's moment: how fast a cache line crosses between its cores changes by a factor of three
// on the machines measured, and the queue pays that for every triangle. So the two are tried
// against each other now and then, on the program's own scenes, and the faster is kept.
//
// A trial draws kTrialScenes scenes alternately each way (so that a scene changing slowly over
// time weighs on both alike) and keeps the way whose middle scenes took less time (each way's
// fastest and slowest left out: a way's first scene also makes its buffers, and a scene can be
// held up by anything else the machine does); then that way draws kKeptScenes scenes before the
// next trial. The first scenes are a trial, after kWarmScenes drawn each way and not counted (the
// first ones of a way make its buffers and fill its caches). The machine's moment can change
// sooner: when kRecentScenes kept scenes in a row, but for the fastest and the slowest of them,
// took more than kSlower times what the other way's middle trial scenes took, the next trial
// starts at once. Times are nanoseconds of real time from BeginScene to EndScene; negative ones
// count as 0. Pictures never depend on the choice, only the speed. A
// paced device (raster_options.h) makes no trials and keeps to the queue: it pays in processor
// time, not real time. Not thread-safe: the device's thread alone uses it.
#pragma once

#include <cstdint>

namespace platform::d3d {

class SplitChoice {
public:
    static constexpr int kTrialScenes = 8;
    static constexpr int kKeptScenes = 240;
    static constexpr int kWarmScenes = 2;
    static constexpr int kRecentScenes = 6;
    static constexpr double kSlower = 1.25;

    // The way the scene starting now takes: true for bands.
    bool sceneStarted() const;
    // The scene started last took `ns`.
    void sceneEnded(int64_t ns);

private:
    int scene_ = -2 * kWarmScenes;  // scenes since the current trial began (below 0: warming up)
    bool bands_ = true;  // the kept way
    int64_t trialNs_[2][kTrialScenes / 2] = {};  // [0]: queue, [1]: bands; in trial order
    int64_t otherMiddleNs_ = 0;                  // the way not kept: its middle trial scenes' sum
    int64_t recentNs_[kRecentScenes] = {};       // the kept way's latest scenes, round
};

}  // namespace platform::d3d
