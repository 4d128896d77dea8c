// vorel_bench --ab: two settings of platform/d3d/trial_setting.h weighed inside one process.
//
// A scene is run twice, in two orders: in order 0 even frames take setting A (0) and odd frames
// B (1), in order 1 even frames B and odd frames A (frames counted from the first warm-up frame,
// so the warm-ups alternate too). Each order's frames are the same frames (a story scene is set up
// afresh). Whatever favours even or odd frames (their place after the pause, the host's rhythm)
// then falls once on each setting, and the difference
//   delta = ((B - A) in order 0 + (B - A) in order 1) / 2
// of the settings' median times keeps only the settings' own cost. Negative: B is cheaper.
#pragma once

#include <string>
#include <vector>

namespace bench {

// The setting (0 = A, 1 = B) of frame `frame` (0 = the first warm-up frame) in `order` (0 or 1).
int abSetting(int frame, int order);

// One order's medians of the frames each setting drew.
struct AbMedians {
    double a = 0, b = 0;
};

// The medians of A's and B's frames among `counted` (the timed frames' values, the first of them
// frame `firstCounted`) in `order`.
AbMedians abMedians(const std::vector<double>& counted, int firstCounted, int order);

// The two orders' figures of one value (cpu ms or wall ms) and the difference they give.
struct AbFigures {
    AbMedians order[2];
    double deltaMs() const;       // ((B - A) in order 0 + (B - A) in order 1) / 2
    double meanA() const;         // A's median, the mean of the two orders
    double deltaPercent() const;  // deltaMs in % of meanA (0 when A took no time)
};

// One scene's --ab result.
struct AbRow {
    std::string scene;
    int width = 0, height = 0, threads = 1, frames = 0;
    AbFigures cpu, wall;
    bool picturesDiffer = false;  // the kept picture (one frame, A's in one order, B's in the other)
};

}  // namespace bench
