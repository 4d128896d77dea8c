// Clipping one rectangular copy to the target: where the part of `source` that lands inside a
// target of width x height goes. Positions are 64-bit so that no caller's sum can overflow.
#pragma once

#include <cstdint>

#include "platform/win/wintypes.h"

struct ClippedCopy {
    bool empty = true;  // nothing of the source lands on the target
    int32_t x = 0, y = 0;
    RECT source = {};
};

// A 64-bit value pinned to the 32-bit range.
inline int32_t clampToInt32(int64_t value) {
    return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : (value > INT32_MAX ? INT32_MAX : value));
}

ClippedCopy clipCopy(int64_t x, int64_t y, const RECT& source, int32_t width, int32_t height);
