#include "saver/overlay/scroll_track.h"

#include <algorithm>

int32_t thumbOffsetFor(int32_t trackLength, int32_t thumbLength, int32_t position, int32_t lastPosition) {
    const int64_t travel = int64_t{trackLength} - thumbLength;
    if (travel <= 0 || lastPosition <= 0) return 0;
    const int64_t p = std::clamp<int64_t>(position, 0, lastPosition);
    return static_cast<int32_t>(travel * p / lastPosition);
}

int32_t positionForThumb(int32_t trackLength, int32_t thumbLength, int32_t offset, int32_t lastPosition) {
    const int64_t travel = int64_t{trackLength} - thumbLength;
    if (travel <= 0 || lastPosition <= 0) return 0;
    const int64_t o = std::clamp<int64_t>(offset, 0, travel);
    return static_cast<int32_t>((o * lastPosition + travel / 2) / travel);
}
