// Knows when the device's z-buffer still holds nothing but the far value (depth 1.0) everywhere.
//
// Against such a z-buffer a less-or-equal (or always-passing) depth test passes for every pixel a
// triangle can produce (depths are clamped to [0, 1]), so a draw that does not write depth gives
// the same picture with the z-buffer left out altogether: no depth to interpolate, read or compare.
// The additive shells of the outside view are drawn that way after every frame's clear.
//
// The z-buffer's write stamp (ddraw::Surface::writeStamp, unique in the process) tells whether
// anything touched it since it was known far: a lock by the program, a fill, a loss. Surfaces
// without a stamp (memory surfaces, which hand out their pixels) are never taken as far.
// Protocol: ask isFar before locking the z-buffer, then report what was done under the lock.
#pragma once

#include <cstdint>

#include "platform/d3d/device_state.h"
#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

class FarDepth {
public:
    // Whether `surface` is known to hold only the far value now.
    bool isFar(IDirectDrawSurface7* surface) const;
    // Whether a draw with these states into a target of the given size may leave the z-buffer out
    // (it is far, the draw does not write depth, and the z-buffer covers the target).
    bool canSkip(IDirectDrawSurface7* surface, const DeviceState& s, int targetWidth, int targetHeight) const;
    // Under the lock of a Clear that wrote depth `z` into all of the z-buffer or (whole false) parts
    // of it; wasFar: isFar before the lock.
    void cleared(IDirectDrawSurface7* surface, const SurfaceLock& lock, bool whole, float z, bool wasFar);
    // Under the lock of a draw that had the z-buffer bound; wasFar: isFar before the lock.
    void drawing(IDirectDrawSurface7* surface, const DeviceState& s, bool wasFar);

private:
    void remember(IDirectDrawSurface7* surface, bool far);

    uint64_t stamp_ = 0;  // the surface's write stamp when it was last known far
    int width_ = 0, height_ = 0;
    bool far_ = false;
};

}  // namespace platform::d3d
