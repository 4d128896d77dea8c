// The way of sharing scenes between threads: trials of both ways, the faster kept a while.
#include "platform/d3d/split_choice.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <numeric>

namespace platform::d3d {

bool SplitChoice::sceneStarted() const { return scene_ < kTrialScenes ? (scene_ + 2 * kWarmScenes) % 2 == 0 : bands_; }

namespace {

// The sum of scene times but the fastest and the slowest.
template <size_t N>
int64_t middleSum(const int64_t (&ns)[N]) {
    std::array<int64_t, N> sorted;
    std::copy(std::begin(ns), std::end(ns), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    return std::accumulate(sorted.begin() + 1, sorted.end() - 1, int64_t(0));
}

}  // namespace

void SplitChoice::sceneEnded(int64_t ns) {
    ns = std::max<int64_t>(ns, 0);
    if (scene_ >= 0 && scene_ < kTrialScenes) {
        trialNs_[scene_ % 2 == 0 ? 1 : 0][scene_ / 2] = ns;
        if (scene_ + 1 == kTrialScenes) {
            const int64_t bands = middleSum(trialNs_[1]), queue = middleSum(trialNs_[0]);
            bands_ = bands <= queue;
            otherMiddleNs_ = bands_ ? queue : bands;
        }
    } else if (scene_ >= kTrialScenes) {
        const int kept = scene_ - kTrialScenes;
        recentNs_[kept % kRecentScenes] = ns;
        // Per scene: the recent middle sum over kRecentScenes - 2 against the trial's over
        // kTrialScenes / 2 - 2.
        constexpr int kRecentMiddle = kRecentScenes - 2, kTrialMiddle = kTrialScenes / 2 - 2;
        if (kept + 1 >= kRecentScenes &&
            double(middleSum(recentNs_)) * kTrialMiddle > kSlower * double(otherMiddleNs_) * kRecentMiddle) {
            scene_ = 0;  // the next trial starts now
            return;
        }
    }
    if (++scene_ == kTrialScenes + kKeptScenes) scene_ = 0;
}

}  // namespace platform::d3d
