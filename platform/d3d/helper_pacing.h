// Decides, scene by scene, whether the device's helper threads draw with it, from how much of one
// core the whole process used lately.
//
// A saver paced by a frame timer spends most of each period waiting for the next tick. Finishing
// a scene sooner on two threads then buys nothing, yet costs processor time: the hand-over of
// triangles, triangles split between bands and drawn in parts, wake-ups. A program that draws
// back to back (a benchmark, a heavy scene near the frame rate) keeps its core busy and gains
// from the helpers.
//
// Every scene start reports the real time and the process's processor time (all threads), both
// in nanoseconds from any fixed origin. Over windows of at least kWindowNs of real time the
// process's share of one core is measured, and at each window's end the choice is made for the
// next: helpers come in when a window without them used at least kBusyShare of a core, and leave
// when a window with them used less than kHelpedShare. Two threads take from a third more to
// twice the processor time of one for the same scenes, so a window helped below one core would
// have stayed below three quarters on one thread (and would not bring the helpers back). Until
// the first window ends helpers are used, as a program that draws back to back needs. Clocks that
// went backwards start a new window and count as busy. Pictures never depend on the choice (the
// span queue draws the same bytes on any number of threads); only processor time does.
#pragma once

#include <cstdint>

namespace platform::d3d {

class HelperPacing {
public:
    static constexpr int64_t kWindowNs = 200'000'000;
    static constexpr double kBusyShare = 0.75;
    static constexpr double kHelpedShare = 1.0;

    // A scene starts now; true when helpers should draw it.
    bool sceneStarted(int64_t wallNs, int64_t cpuNs);
    bool helping() const { return helping_; }

private:
    bool started_ = false;
    bool helping_ = true;
    int64_t windowWall_ = 0, windowCpu_ = 0;  // the clocks when the current window began
};

// The real time and the process's processor time now, in nanoseconds, for sceneStarted.
int64_t pacingWallNs();
int64_t pacingCpuNs();

}  // namespace platform::d3d
