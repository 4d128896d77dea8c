// Scoped access to a surface's pixels: locks the whole surface on construction and unlocks it on
// destruction. ok() is false (and hr() tells why) when the lock failed or the surface's format is
// not one the device understands; pixels are never touched in that case. A read-only lock (the
// device's textures) promises not to write, so the surface's pixels count as unchanged.
#pragma once

#include <cstddef>

#include "platform/d3d/pixel_format.h"
#include "platform/ddraw/ddraw.h"

namespace platform::d3d {

class SurfaceLock {
public:
    enum class Kind { Color, Depth };
    SurfaceLock(IDirectDrawSurface7* surface, Kind kind, bool readOnly = false);
    ~SurfaceLock();
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    bool ok() const { return bits_ != nullptr; }
    IDirectDrawSurface7* surface() const { return surface_; }  // null unless ok()
    HRESULT hr() const { return hr_; }
    uint8_t* bits() const { return bits_; }
    LONG pitch() const { return pitch_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const PixelLayout& layout() const { return layout_; }
    const DepthLayout& depthLayout() const { return depth_; }
    uint8_t* row(int y) const { return bits_ + static_cast<std::ptrdiff_t>(pitch_) * y; }

private:
    IDirectDrawSurface7* surface_ = nullptr;
    uint8_t* bits_ = nullptr;
    LONG pitch_ = 0;
    int width_ = 0, height_ = 0;
    PixelLayout layout_;
    DepthLayout depth_;
    HRESULT hr_ = DD_OK;
};

}  // namespace platform::d3d
