// The way of sharing scenes between threads: trials of both ways, the faster kept a while.
#include "platform/d3d/split_choice.h"

#include <algorithm>

namespace platform::d3d {

bool SplitChoice::sceneStarted() const { return scene_ < kTrialScenes ? scene_ % 2 == 0 : bands_; }

void SplitChoice::sceneEnded(int64_t ns) {
    if (scene_ < kTrialScenes) {
        trialNs_[scene_ % 2 == 0 ? 1 : 0] += std::max<int64_t>(ns, 0);
        if (scene_ + 1 == kTrialScenes) bands_ = trialNs_[1] <= trialNs_[0];
    }
    if (++scene_ == kTrialScenes + kKeptScenes) {
        scene_ = 0;
        trialNs_[0] = trialNs_[1] = 0;
    }
}

}  // namespace platform::d3d
