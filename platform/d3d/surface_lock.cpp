// Scoped surface locks.
#include "platform/d3d/surface_lock.h"

#include <cstdlib>

namespace platform::d3d {

SurfaceLock::SurfaceLock(IDirectDrawSurface7* surface, Kind kind, bool readOnly) {
    if (!surface) {
        hr_ = DDERR_INVALIDPARAMS;
        return;
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    hr_ = surface->Lock(nullptr, &desc, DDLOCK_WAIT | (readOnly ? DDLOCK_READONLY : 0), nullptr);
    if (FAILED(hr_)) return;
    surface_ = surface;
    bool known = kind == Kind::Color ? makeLayout(desc.ddpfPixelFormat, &layout_)
                                     : makeDepthLayout(desc.ddpfPixelFormat, &depth_);
    int bytes = kind == Kind::Color ? layout_.bytesPerPixel : depth_.bytesPerPixel;
    // A pitch shorter than a row (or a missing pointer) would send writes out of the surface.
    bool sane = desc.lpSurface && desc.dwWidth > 0 && desc.dwHeight > 0 &&
                std::labs(desc.lPitch) >= static_cast<long>(desc.dwWidth) * bytes;
    if (!known || !sane) {
        hr_ = DDERR_INVALIDPIXELFORMAT;
        return;
    }
    bits_ = static_cast<uint8_t*>(desc.lpSurface);
    pitch_ = desc.lPitch;
    width_ = static_cast<int>(desc.dwWidth);
    height_ = static_cast<int>(desc.dwHeight);
}

SurfaceLock::~SurfaceLock() {
    if (surface_) surface_->Unlock(nullptr);
}

}  // namespace platform::d3d
