// The boundary of a scene split between two threads, moved by the threads' ends.
#include "platform/d3d/split_boundary.h"

#include <algorithm>

namespace platform::d3d {

namespace {

constexpr int kSettleScenes = 2;

int clampBands(int bands) { return std::clamp(bands, 2, kBandClasses); }

// Half the bands each, the calling thread's one more when they are odd (measured at 1080 rows, its
// eight lower bands of seventeen were 3.3 ms lighter than the helper's nine upper ones).
int startingBoundary(int bands) { return bands / 2; }

}  // namespace

int SplitBoundary::boundary(int bands) const {
    bands = clampBands(bands);
    return bands == bands_ ? boundary_ : startingBoundary(bands);
}

void SplitBoundary::masks(int bands, BandMask out[2]) const {
    const int b = boundary(bands);
    out[1] = (BandMask(1) << b) - 1;
    out[0] = ~out[1];
}

void SplitBoundary::sceneEnded(int bands, int64_t callerNs, int64_t laterNs, int64_t sceneNs, int64_t cpuNs) {
    bands = clampBands(bands);
    if (bands != bands_) {
        bands_ = bands, boundary_ = startingBoundary(bands), settle_ = 0, seen_ = false;
    }
    if (double(cpuNs) < kRunning * double(sceneNs)) return;
    if (settle_ > 0) {
        --settle_;
        return;
    }
    const int64_t late = seen_ ? (lateNs_ + laterNs) / 2 : laterNs;
    seen_ = true;
    lateNs_ = laterNs;
    // A band's work: the two parts' (each about the calling thread's) over every band.
    const int64_t band = 2 * std::max<int64_t>(callerNs, 0) / bands;
    int moved = boundary_;
    if (late > band && boundary_ > 1) --moved;                 // the helper's part is the heavier
    else if (late < -band && boundary_ < bands - 1) ++moved;  // the calling thread's is
    if (moved != boundary_) boundary_ = moved, settle_ = kSettleScenes, seen_ = false;
}

}  // namespace platform::d3d
