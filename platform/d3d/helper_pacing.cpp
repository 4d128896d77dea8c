// The helpers' pacing: windows of real time and the process's share of one core in each.
#include "platform/d3d/helper_pacing.h"

#include <chrono>
#include <ctime>

namespace platform::d3d {

bool HelperPacing::sceneStarted(int64_t wallNs, int64_t cpuNs) {
    if (!started_) {
        started_ = true;
        windowWall_ = wallNs;
        windowCpu_ = cpuNs;
        return helping_;
    }
    const int64_t wall = wallNs - windowWall_, cpu = cpuNs - windowCpu_;
    if (wall < 0 || cpu < 0) {  // a clock went backwards: start a new window, busy meanwhile
        helping_ = true;
        windowWall_ = wallNs;
        windowCpu_ = cpuNs;
        return helping_;
    }
    if (wall < kWindowNs) return helping_;
    helping_ = double(cpu) >= (helping_ ? kHelpedShare : kBusyShare) * double(wall);
    windowWall_ = wallNs;
    windowCpu_ = cpuNs;
    return helping_;
}

int64_t pacingWallNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t pacingCpuNs() {
    timespec t{};
    // Without the process's clock every window looks fully busy, so helpers stay as configured.
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return pacingWallNs();
    return int64_t(t.tv_sec) * 1'000'000'000 + int64_t(t.tv_nsec);
}

}  // namespace platform::d3d
