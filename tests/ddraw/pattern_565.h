// A 640x480 565 picture in which every one of the 65536 raw values appears (an odd multiplier runs
// through all of them) and neighbours lie far apart, for the presentation tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_formats.h"

namespace ddraw_test {

inline platform::ddraw::PixelLayout layout565() {
    platform::ddraw::PixelLayout layout;
    platform::ddraw::describeLayout(platform::ddraw::formatR5G6B5(), &layout);
    return layout;
}

inline uint16_t patternAt(int x, int y) { return uint16_t((y * 640 + x) * 40503u); }

inline void drawPattern(IDirectDrawSurface7* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = patternAt(x, y);
    s->Unlock(nullptr);
}

// Pixels of a 640x480 16-bit surface that differ from the pattern.
inline int offPattern(IDirectDrawSurface7* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (s->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return -1;
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            wrong += reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(d.lpSurface) + y * d.lPitch)[x] !=
                     patternAt(x, y);
    s->Unlock(nullptr);
    return wrong;
}

}  // namespace ddraw_test
