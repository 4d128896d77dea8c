// System-memory surfaces for off-screen drawing.
#include "platform/d3d/memory_surface.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/d3d/counted.h"
#include "platform/d3d/pixel_format.h"
#include "platform/ddraw/queued_drawing.h"

namespace platform::d3d {

namespace {

constexpr DWORD kMaxSide = 16384;

class MemorySurfaceImpl final : public Counted<MemorySurface> {
public:
    MemorySurfaceImpl(DWORD width, DWORD height, const DDPIXELFORMAT& format, DWORD caps, int bytesPerPixel)
        : width_(width), height_(height), format_(format), caps_(caps) {
        pitch_ = static_cast<LONG>((width * static_cast<DWORD>(bytesPerPixel) + 3u) & ~3u);
        memory_.assign(static_cast<size_t>(pitch_) * height, 0);
    }

    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override {
        if (!surface) return DDERR_INVALIDPARAMS;
        surface->AddRef();
        attached_.push_back(surface);
        return DD_OK;
    }
    HRESULT DeleteAttachedSurface(DWORD, IDirectDrawSurface7* surface) override {
        for (auto it = attached_.begin(); it != attached_.end(); ++it) {
            if (surface && *it != surface) continue;
            (*it)->Release();
            attached_.erase(it);
            return DD_OK;
        }
        return surface ? DDERR_NOTFOUND : DD_OK;
    }
    HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) override {
        if (!caps || !out) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        for (IDirectDrawSurface7* s : attached_) {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof desc;
            s->GetSurfaceDesc(&desc);
            if ((desc.ddsCaps.dwCaps & caps->dwCaps) == caps->dwCaps) {
                s->AddRef();
                *out = s;
                return DD_OK;
            }
        }
        return DDERR_NOTFOUND;
    }

    HRESULT Blt(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDBLTFX*) override { return DDERR_UNSUPPORTED; }
    HRESULT BltFast(DWORD, DWORD, IDirectDrawSurface7*, RECT*, DWORD) override { return DDERR_UNSUPPORTED; }
    HRESULT Flip(IDirectDrawSurface7*, DWORD) override { return DDERR_UNSUPPORTED; }
    HRESULT GetDC(HDC*) override { return DDERR_UNSUPPORTED; }
    HRESULT ReleaseDC(HDC) override { return DDERR_UNSUPPORTED; }

    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override {
        if (!key || flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
        if (!hasKey_) return DDERR_NOTFOUND;
        *key = key_;
        return DD_OK;
    }
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override {
        if (flags != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
        hasKey_ = key != nullptr;
        if (key) key_ = *key;
        return DD_OK;
    }

    HRESULT GetPixelFormat(DDPIXELFORMAT* format) override {
        if (!format) return DDERR_INVALIDPARAMS;
        *format = format_;
        return DD_OK;
    }
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        fillDesc(desc);
        desc->lpSurface = nullptr;
        return DD_OK;
    }
    HRESULT IsLost() override { return lost_ ? DDERR_SURFACELOST : DD_OK; }
    HRESULT Restore() override {
        ddraw::finishQueuedDrawing();
        lost_ = false;
        return DD_OK;
    }

    HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD, HANDLE) override {
        if (!desc || rect) return DDERR_INVALIDPARAMS;
        ddraw::finishQueuedDrawing();
        if (lost_) return DDERR_SURFACELOST;
        if (locked_) return DDERR_SURFACEBUSY;
        locked_ = true;
        fillDesc(desc);
        desc->lpSurface = memory_.data();
        return DD_OK;
    }
    HRESULT Unlock(RECT*) override {
        if (!locked_) return DDERR_NOTLOCKED;
        locked_ = false;
        return DD_OK;
    }

    void setLost(bool lost) override {
        ddraw::finishQueuedDrawing();
        lost_ = lost;
    }
    uint8_t* pixels() override {
        ddraw::finishQueuedDrawing();
        return memory_.data();
    }
    LONG pitch() const override { return pitch_; }

private:
    ~MemorySurfaceImpl() override {
        for (IDirectDrawSurface7* s : attached_) s->Release();
    }

    void fillDesc(DDSURFACEDESC2* desc) const {
        std::memset(desc, 0, sizeof *desc);
        desc->dwSize = sizeof *desc;
        desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
        desc->dwWidth = width_;
        desc->dwHeight = height_;
        desc->lPitch = pitch_;
        desc->ddpfPixelFormat = format_;
        desc->ddsCaps.dwCaps = caps_;
        if (hasKey_) {
            desc->dwFlags |= DDSD_CKSRCBLT;
            desc->ddckCKSrcBlt = key_;
        }
    }

    DWORD width_, height_;
    LONG pitch_ = 0;
    DDPIXELFORMAT format_;
    DWORD caps_;
    std::vector<uint8_t> memory_;
    std::vector<IDirectDrawSurface7*> attached_;
    DDCOLORKEY key_{};
    bool hasKey_ = false;
    bool lost_ = false;
    bool locked_ = false;
};

}  // namespace

MemorySurface* createMemorySurface(DWORD width, DWORD height, const DDPIXELFORMAT& format, DWORD caps) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    int bytes = 0;
    PixelLayout colour;
    DepthLayout depth;
    if (makeLayout(format, &colour)) {
        bytes = colour.bytesPerPixel;
    } else if (makeDepthLayout(format, &depth)) {
        bytes = depth.bytesPerPixel;
    } else {
        return nullptr;
    }
    return new (std::nothrow) MemorySurfaceImpl(width, height, format, caps, bytes);
}

}  // namespace platform::d3d
