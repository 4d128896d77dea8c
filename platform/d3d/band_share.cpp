// The filling thread's share of the bands: one step per filling towards the balance.
#include "platform/d3d/band_share.h"

#include <iterator>

namespace platform::d3d {

namespace {

// The filling thread's bands, from its largest share to none.
constexpr int kEvery[] = {2, 3, 4, 6, 8, 0};
constexpr int kSteps = int(std::size(kEvery));

}  // namespace

int BandShare::every() const { return fixed_ >= 0 ? fixed_ : kEvery[step_]; }

void BandShare::fillingEnded(int64_t fillerOverNs, int64_t helperIdleNs, int64_t fillingNs) {
    if (fixed_ >= 0) return;
    const int64_t margin = fillingNs / 16;
    const int64_t difference = fillerOverNs - helperIdleNs;
    if (difference > margin && step_ > 0) --step_;  // helpers behind: the filling thread takes more
    else if (difference < -margin && step_ + 1 < kSteps) ++step_;
}

}  // namespace platform::d3d
