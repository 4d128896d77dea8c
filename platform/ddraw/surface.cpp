// Surface life, attachments, colour keys, description, locking, device contexts and restore.
// Blits and the flip live in surface_blit.cpp.
#include "platform/ddraw/surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/ddraw/direct_draw.h"
#include "platform/ddraw/display_control.h"
#include "platform/ddraw/queued_drawing.h"
#include "platform/ddraw/widening_table.h"
#include "platform/gdi/dc_target.h"

namespace platform::ddraw {

Surface* asSurface(IDirectDrawSurface7* surface) { return dynamic_cast<Surface*>(surface); }

Surface* Surface::make(DirectDraw* owner, const SurfaceSpec& desired) {
    PixelLayout layout;
    if (desired.width <= 0 || desired.height <= 0 || desired.width > kMaxSide || desired.height > kMaxSide) return nullptr;
    if (!describeLayout(desired.format, &layout)) return nullptr;
    const int pitch = (desired.width * layout.bytesPerPixel + 3) & ~3;
    if (static_cast<uint64_t>(pitch) * static_cast<uint64_t>(desired.height) > kMaxBytes) return nullptr;
    return new Surface(owner, desired, layout, pitch);
}

void Surface::markLost() {
    finishQueuedDrawing();
    lost_ = true;
    stampWrite();
}

void Surface::narrowWidenedPicture() {
    WideningTable::narrowPicture(layout_, widened_->data(), width_, height_, memory_.data(), pitch_);
    pictureWidened_ = false;
}

void Surface::stampWrite() {
    static std::atomic<uint64_t> clock{0};
    writes_ = ++clock;
}

Surface::Surface(DirectDraw* owner, const SurfaceSpec& desired, const PixelLayout& layout, int pitch)
    : owner_(owner),
      width_(desired.width),
      height_(desired.height),
      pitch_(pitch),
      format_(desired.format),
      layout_(layout),
      caps_(desired.caps),
      memory_(static_cast<size_t>(pitch) * static_cast<size_t>(desired.height)) {
    owner_->AddRef();
    owner_->addSurface(this);
    stampWrite();
}

Surface::~Surface() {
    if (dc_) platform::gdi::DeleteTargetDC(dc_);
    for (Surface* s : attached_) s->Release();
    owner_->removeSurface(this);
    owner_->Release();
}

HRESULT Surface::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IDirectDrawSurface7) {
        AddRef();
        *out = static_cast<IDirectDrawSurface7*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() { return ++refs_; }

ULONG Surface::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void Surface::attach(Surface* surface) {
    surface->AddRef();
    attached_.push_back(surface);
}

Surface* Surface::findAttached(DWORD caps) const {
    for (Surface* s : attached_)
        if ((s->caps_ & caps) == caps) return s;
    return nullptr;
}

HRESULT Surface::AddAttachedSurface(IDirectDrawSurface7* surface) {
    Surface* s = asSurface(surface);
    if (!s || s == this) return DDERR_INVALIDPARAMS;
    if (std::find(attached_.begin(), attached_.end(), s) != attached_.end()) return DDERR_SURFACEALREADYATTACHED;
    // Only a depth buffer of the same size attaches, and only one, and never to a depth buffer.
    const bool fits = (s->caps_ & DDSCAPS_ZBUFFER) && !(caps_ & DDSCAPS_ZBUFFER) && s->width_ == width_ &&
                      s->height_ == height_ && !findAttached(DDSCAPS_ZBUFFER) && s->owner_ == owner_;
    if (!fits) return DDERR_CANNOTATTACHSURFACE;
    attach(s);
    return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(DWORD, IDirectDrawSurface7* surface) {
    // The back buffer of a flipping chain belongs to the chain and cannot be detached.
    auto explicitlyAttached = [](const Surface* s) { return (s->caps_ & DDSCAPS_BACKBUFFER) == 0; };
    if (!surface) {
        std::vector<Surface*> keep;
        for (Surface* s : attached_) {
            if (explicitlyAttached(s))
                s->Release();
            else
                keep.push_back(s);
        }
        attached_.swap(keep);
        return DD_OK;
    }
    auto it = std::find(attached_.begin(), attached_.end(), asSurface(surface));
    if (it == attached_.end()) return DDERR_SURFACENOTATTACHED;
    if (!explicitlyAttached(*it)) return DDERR_CANNOTDETACHSURFACE;
    Surface* s = *it;
    attached_.erase(it);
    s->Release();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) {
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    Surface* s = findAttached(caps->dwCaps);
    if (!s) return DDERR_NOTFOUND;
    s->AddRef();
    *out = s;
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, DDCOLORKEY* key) {
    bool* has = nullptr;
    DDCOLORKEY* slot = nullptr;
    if (flags == DDCKEY_SRCBLT) {
        has = &hasSourceKey_;
        slot = &sourceKey_;
    } else if (flags == DDCKEY_DESTBLT) {
        has = &hasDestKey_;
        slot = &destKey_;
    } else {
        return DDERR_INVALIDPARAMS;
    }
    *has = key != nullptr;
    if (key) *slot = *key;
    return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (!key) return DDERR_INVALIDPARAMS;
    if (flags == DDCKEY_SRCBLT && hasSourceKey_) *key = sourceKey_;
    else if (flags == DDCKEY_DESTBLT && hasDestKey_) *key = destKey_;
    else if (flags == DDCKEY_SRCBLT || flags == DDCKEY_DESTBLT) return DDERR_NOCOLORKEY;
    else return DDERR_INVALIDPARAMS;
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(DDPIXELFORMAT* format) {
    if (!format) return DDERR_INVALIDPARAMS;
    *format = format_;
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    const DWORD size = desc->dwSize;
    *desc = DDSURFACEDESC2{};
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->lPitch = pitch_;
    desc->ddpfPixelFormat = format_;
    desc->ddsCaps.dwCaps = caps_;
    if (findAttached(DDSCAPS_BACKBUFFER)) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    if (hasSourceKey_) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = sourceKey_;
    }
    return DD_OK;
}

HRESULT Surface::IsLost() { return lost_ ? DDERR_SURFACELOST : DD_OK; }

HRESULT Surface::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE) {
    if (!desc) return DDERR_INVALIDPARAMS;
    finishQueuedDrawing();
    if (lost_) return DDERR_SURFACELOST;
    if (busy()) return DDERR_SURFACEBUSY;
    if (!(flags & DDLOCK_WAIT) && consumeStillDrawing()) return DDERR_WASSTILLDRAWING;
    const RECT whole{0, 0, width_, height_};
    const RECT r = rect ? *rect : whole;
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > width_ || r.bottom > height_)
        return DDERR_INVALIDRECT;
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = memory() + static_cast<size_t>(r.top) * pitch_ + static_cast<size_t>(r.left) * layout_.bytesPerPixel;
    locked_ = true;
    if (!(flags & DDLOCK_READONLY)) stampWrite();
    return DD_OK;
}

HRESULT Surface::Unlock(RECT*) {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    finishQueuedDrawing();
    if (lost_) return DDERR_SURFACELOST;
    if (busy()) return DDERR_SURFACEBUSY;
    if (caps_ & DDSCAPS_ZBUFFER) return DDERR_CANTCREATEDC;
    platform::gdi::DcTarget target;
    target.pixels = memory();
    target.width = width_;
    target.height = height_;
    target.pitchBytes = pitch_;
    target.bitsPerPixel = layout_.bytesPerPixel * 8;
    target.redMask = layout_.red.mask;
    target.greenMask = layout_.green.mask;
    target.blueMask = layout_.blue.mask;
    dc_ = platform::gdi::CreateDCForTarget(target);
    if (!dc_) return DDERR_CANTCREATEDC;
    *dc = dc_;
    stampWrite();
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    if (!dc || dc != dc_) return DDERR_NODC;
    platform::gdi::DeleteTargetDC(dc_);
    dc_ = nullptr;
    return DD_OK;
}

HRESULT Surface::Restore() {
    if (displayTaken()) return DDERR_WRONGMODE;
    finishQueuedDrawing();
    if (lost_) {
        // What a lost surface held is gone; its owner paints it again.
        memory_.clear();
        pictureWidened_ = false;
        lost_ = false;
        stampWrite();
    }
    for (Surface* s : attached_) s->Restore();
    return DD_OK;
}

}  // namespace platform::ddraw
