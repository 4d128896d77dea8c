// A plain surface in system memory that the 3D device can draw into, sample from or use as its
// z-buffer, without a display: for off-screen rendering, the benchmark and tests.
//
// It implements the parts of IDirectDrawSurface7 the device uses: Lock/Unlock (the whole surface;
// a locked surface cannot be locked again), GetSurfaceDesc, GetPixelFormat, GetAttachedSurface and
// AddAttachedSurface/DeleteAttachedSurface (attached surfaces are held counted), Get/SetColorKey
// (source key), IsLost/Restore (setLost marks it lost, as a display change would). Blits, flips and
// device contexts report DDERR_UNSUPPORTED. Rows are 4-byte aligned; pitch is in bytes.
// Lock, pixels(), setLost and Restore first finish drawing queued against any surface
// (ddraw/queued_drawing.h); the memory never moves. createMemorySurface gives one reference to
// the caller, or null for a zero or huge size or a format that is neither 16/32-bit RGB nor a
// 16/32-bit z format.
#pragma once

#include "platform/ddraw/ddraw.h"

namespace platform::d3d {

struct MemorySurface : IDirectDrawSurface7 {
    virtual void setLost(bool lost) = 0;
    virtual uint8_t* pixels() = 0;  // direct access for tests and the benchmark
    virtual LONG pitch() const = 0;
};

MemorySurface* createMemorySurface(DWORD width, DWORD height, const DDPIXELFORMAT& format, DWORD caps);

}  // namespace platform::d3d
