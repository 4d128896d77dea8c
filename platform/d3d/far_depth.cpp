#include "platform/d3d/far_depth.h"

#include "platform/ddraw/surface.h"

namespace platform::d3d {

namespace {

// 0 for surfaces that do not stamp their writes (stamps start at 1).
uint64_t stampOf(IDirectDrawSurface7* surface) {
    const ddraw::Surface* s = surface ? ddraw::asSurface(surface) : nullptr;
    return s ? s->writeStamp() : 0;
}

bool writesDepth(const DeviceState& s) { return s.rs(D3DRENDERSTATE_ZWRITEENABLE) != 0; }

// The test passes whenever the stored depth is the far value.
bool passesAgainstFar(const DeviceState& s) {
    const DWORD func = s.rs(D3DRENDERSTATE_ZFUNC);
    return s.rs(D3DRENDERSTATE_ZENABLE) == D3DZB_FALSE || func == D3DCMP_LESSEQUAL || func == D3DCMP_ALWAYS;
}

}  // namespace

bool FarDepth::isFar(IDirectDrawSurface7* surface) const {
    const uint64_t stamp = stampOf(surface);
    return far_ && stamp != 0 && stamp == stamp_;
}

bool FarDepth::canSkip(IDirectDrawSurface7* surface, const DeviceState& s, int targetWidth, int targetHeight) const {
    return isFar(surface) && !writesDepth(s) && passesAgainstFar(s) && width_ >= targetWidth &&
           height_ >= targetHeight;
}

void FarDepth::cleared(IDirectDrawSurface7* surface, const SurfaceLock& lock, bool whole, float z, bool wasFar) {
    // The clear stores 1.0 for anything at or past it and for values that are not numbers.
    const bool far = !(z < 1.0f) && lock.depthLayout().stencilMask == 0;
    width_ = lock.width(), height_ = lock.height();
    remember(surface, far && (whole || wasFar));
}

void FarDepth::drawing(IDirectDrawSurface7* surface, const DeviceState& s, bool wasFar) {
    remember(surface, wasFar && !writesDepth(s));
}

void FarDepth::remember(IDirectDrawSurface7* surface, bool far) {
    stamp_ = stampOf(surface);
    far_ = far && stamp_ != 0;
}

}  // namespace platform::d3d
