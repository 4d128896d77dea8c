// The way of sharing scenes between threads: trials of both ways, the faster kept a while.
#include "platform/d3d/split_choice.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <numeric>

namespace platform::d3d {

bool SplitChoice::sceneStarted() const { return scene_ < kTrialScenes ? (scene_ + 2 * kWarmScenes) % 2 == 0 : bands_; }

namespace {

// The sum of a way's trial times but its fastest and slowest.
int64_t middleSum(const int64_t (&ns)[SplitChoice::kTrialScenes / 2]) {
    std::array<int64_t, SplitChoice::kTrialScenes / 2> sorted;
    std::copy(std::begin(ns), std::end(ns), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    return std::accumulate(sorted.begin() + 1, sorted.end() - 1, int64_t(0));
}

}  // namespace

void SplitChoice::sceneEnded(int64_t ns) {
    if (scene_ >= 0 && scene_ < kTrialScenes) {
        trialNs_[scene_ % 2 == 0 ? 1 : 0][scene_ / 2] = std::max<int64_t>(ns, 0);
        if (scene_ + 1 == kTrialScenes) bands_ = middleSum(trialNs_[1]) <= middleSum(trialNs_[0]);
    }
    if (++scene_ == kTrialScenes + kKeptScenes) scene_ = 0;
}

}  // namespace platform::d3d
