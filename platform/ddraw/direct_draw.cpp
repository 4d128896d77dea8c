// DirectDraw object: life, cooperative level, display modes, capabilities and presentation.
// Surface creation lives in direct_draw_create.cpp.
#include "platform/ddraw/direct_draw.h"

#include <algorithm>

#include "platform/backend/bridge.h"
#include "platform/backend/stream_copy.h"
#include "platform/ddraw/display_control.h"
#include "platform/ddraw/display_modes.h"
#include "platform/ddraw/frame_output.h"
#include "platform/ddraw/pixel_formats.h"
#include "platform/ddraw/queued_drawing.h"
#include "platform/ddraw/surface.h"

namespace platform::ddraw {
namespace {

std::vector<DirectDraw*> g_live;
DirectDraw* g_exclusiveOwner = nullptr;

void describeMode(int width, int height, int bits, DDSURFACEDESC2* desc) {
    const DWORD size = desc->dwSize;
    *desc = DDSURFACEDESC2{};
    desc->dwSize = size ? size : sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = width * bits / 8;
    desc->dwRefreshRate = 60;
    desc->ddpfPixelFormat = displayFormatForBits(bits);
}

bool modeMatchesFilter(const ModeSize& m, const DDSURFACEDESC2* filter) {
    if (!filter) return true;
    if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != static_cast<DWORD>(m.width)) return false;
    if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != static_cast<DWORD>(m.height)) return false;
    if ((filter->dwFlags & DDSD_PIXELFORMAT) && filter->ddpfPixelFormat.dwRGBBitCount != static_cast<DWORD>(m.bits))
        return false;
    return true;
}

std::vector<ModeSize> offeredModes() {
    int w = 0, h = 0;
    platform::bridge::desktopSize(&w, &h);
    return displayModesFor(w, h);
}

}  // namespace

const std::vector<DirectDraw*>& liveDirectDrawObjects() { return g_live; }

DirectDraw::DirectDraw() { g_live.push_back(this); }

DirectDraw::~DirectDraw() {
    if (g_exclusiveOwner == this) g_exclusiveOwner = nullptr;
    g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
}

HRESULT DirectDraw::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IDirectDraw7) {
        AddRef();
        *out = static_cast<IDirectDraw7*>(this);
        return S_OK;
    }
    if (iid == IID_IDirect3D7) {
        IDirect3D7* d3d = nullptr;
        const HRESULT hr = CreateDirect3DForDirectDraw(this, &d3d);
        if (FAILED(hr) || !d3d) return FAILED(hr) ? hr : E_NOINTERFACE;
        *out = d3d;
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG DirectDraw::AddRef() { return ++refs_; }

ULONG DirectDraw::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void DirectDraw::removeSurface(Surface* surface) {
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

void DirectDraw::markSurfacesLost() {
    // Queued drawing first, once: finishing it lets go of the surfaces it held, and a surface
    // whose last reference that was would leave the list while the loop walks it.
    finishQueuedDrawing();
    for (Surface* s : surfaces_) s->markLost();
}

void DirectDraw::currentMode(int* width, int* height, int* bits) const {
    if (modeSet_) {
        *width = modeWidth_;
        *height = modeHeight_;
        *bits = modeBits_;
        return;
    }
    platform::bridge::desktopSize(width, height);
    *bits = 32;
}

HRESULT DirectDraw::EnumDisplayModes(DWORD, DDSURFACEDESC2* filter, void* context, LPDDENUMMODESCALLBACK2 callback) {
    if (!callback) return DDERR_INVALIDPARAMS;
    for (const ModeSize& m : offeredModes()) {
        if (!modeMatchesFilter(m, filter)) continue;
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        describeMode(m.width, m.height, m.bits, &desc);
        if (callback(&desc, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

HRESULT DirectDraw::GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) {
    if (!driverCaps && !emulationCaps) return DDERR_INVALIDPARAMS;
    constexpr DWORD kBlt = 0x00000040, kStretch = 0x00000200, kColorKey = 0x00400000, kColorFill = 0x04000000;
    constexpr DWORD kSourceKeyBlt = 0x00000200;
    if (driverCaps) {
        const DWORD size = driverCaps->dwSize;
        *driverCaps = DDCAPS{};
        driverCaps->dwSize = size;
        driverCaps->dwCaps = kBlt | kStretch | kColorKey | kColorFill;
        driverCaps->dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
        driverCaps->dwCKeyCaps = kSourceKeyBlt;
        driverCaps->dwVidMemTotal = 256u << 20;
        driverCaps->dwVidMemFree = 256u << 20;
        driverCaps->ddsCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER |
                                     DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PRIMARYSURFACE | DDSCAPS_TEXTURE |
                                     DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ZBUFFER;
    }
    if (emulationCaps) {
        const DWORD size = emulationCaps->dwSize;
        *emulationCaps = DDCAPS{};
        emulationCaps->dwSize = size;
    }
    return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(DDSURFACEDESC2* desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    int w = 0, h = 0, bits = 32;
    currentMode(&w, &h, &bits);
    describeMode(w, h, bits, desc);
    return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    if (flags & DDSCL_EXCLUSIVE) {
        if (!(flags & DDSCL_FULLSCREEN) || !window) return DDERR_INVALIDPARAMS;
        if (g_exclusiveOwner && g_exclusiveOwner != this) return DDERR_EXCLUSIVEMODEALREADYSET;
        g_exclusiveOwner = this;
        exclusive_ = true;
        window_ = window;
        return DD_OK;
    }
    if (!(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
    if (exclusive_) {
        RestoreDisplayMode();
        exclusive_ = false;
        g_exclusiveOwner = nullptr;
    }
    window_ = window;
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD, DWORD) {
    if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
    for (const ModeSize& m : offeredModes()) {
        if (static_cast<DWORD>(m.width) == width && static_cast<DWORD>(m.height) == height &&
            static_cast<DWORD>(m.bits) == bits) {
            modeSet_ = true;
            modeWidth_ = m.width;
            modeHeight_ = m.height;
            modeBits_ = m.bits;
            return DD_OK;
        }
    }
    return DDERR_INVALIDMODE;
}

HRESULT DirectDraw::RestoreDisplayMode() {
    modeSet_ = false;
    return DD_OK;
}

HRESULT DirectDraw::RestoreAllSurfaces() {
    if (displayTaken()) return DDERR_WRONGMODE;
    finishQueuedDrawing();  // as in markSurfacesLost: nothing may leave the list during the loop
    for (Surface* s : surfaces_) s->Restore();
    return DD_OK;
}

HRESULT DirectDraw::TestCooperativeLevel() { return displayTaken() ? DDERR_NOEXCLUSIVEMODE : DD_OK; }

HRESULT DirectDraw::FlipToGDISurface() {
    // The front buffer is what the window shows; handing the display back needs no copy.
    return exclusive_ ? DD_OK : DDERR_NOEXCLUSIVEMODE;
}

bool DirectDraw::present(Surface* front, const uint8_t* picture, int pitch,
                         std::shared_ptr<std::vector<uint32_t>>* widened, uint8_t* copyTo) {
    const int w = front->width(), h = front->height();
    if (front->layout().bytesPerPixel == 4) {
        const uint32_t* pixels = reinterpret_cast<const uint32_t*>(picture);
        platform::bridge::present(window_, pixels, w, h, pitch);
        recordPresentedFrame(pixels, w, h, pitch);
        return false;
    }
    if (platform::bridge::presentsRows()) {
        widened->reset();  // nothing keeps the picture widened now
        presentRows(front, picture, pitch, copyTo);
        return false;
    }
    presentWidened(front, picture, pitch, widened);
    return true;
}

namespace {

// The rows of a 16-bit picture as the window asks for them (rising, each at most once), widened;
// with `copyTo`, every row up to the one asked for is copied there on the way.
struct PictureRows {
    WideningTable* widening;
    const PixelLayout* layout;
    const uint8_t* picture;
    uint8_t* copyTo;
    int pitch, width;
    int copied = 0;  // rows [0, copied) are in copyTo

    void copyUpTo(int end) {
        if (!copyTo || end <= copied) return;
        platform::backend::streamCopy(copyTo + ptrdiff_t(copied) * pitch, picture + ptrdiff_t(copied) * pitch,
                                      size_t(end - copied) * size_t(pitch));
        copied = end;
    }
    static void row(const void* context, int y, uint32_t* out) {
        auto* self = const_cast<PictureRows*>(static_cast<const PictureRows*>(context));
        self->widening->widenRowOf(*self->layout, self->picture + ptrdiff_t(y) * self->pitch, self->width, out);
        self->copyUpTo(y + 1);
    }
};

}  // namespace

void DirectDraw::presentRows(Surface* front, const uint8_t* picture, int pitch, uint8_t* copyTo) {
    const int w = front->width(), h = front->height();
    PictureRows rows{&widening_, &front->layout(), picture, copyTo, pitch, w};
    platform::bridge::presentRows(window_, {w, h, &PictureRows::row, &rows});
    rows.copyUpTo(h);
    platform::backend::fenceStreamedCopies();
    if (!frameCapturedNext()) return recordPresentedFrame(nullptr, w, h, w * 4);
    std::vector<uint32_t> frame(static_cast<size_t>(w) * static_cast<size_t>(h));
    widening_.widenPicture(front->layout(), picture, pitch, w, h, frame.data());
    recordPresentedFrame(frame.data(), w, h, w * 4);
}

void DirectDraw::presentWidened(Surface* front, const uint8_t* picture, int pitch,
                                std::shared_ptr<std::vector<uint32_t>>* widened) {
    const int w = front->width(), h = front->height();
    // Two blocks take turns: the one the window showed last may still be held by the backend.
    std::shared_ptr<std::vector<uint32_t>> block;
    if (*widened && widened->use_count() == 1)
        block = *widened;
    else if (spareFrame_ && spareFrame_.use_count() == 1)
        block = spareFrame_;
    else
        block = std::make_shared<std::vector<uint32_t>>();
    if (block != *widened) spareFrame_ = std::move(*widened);
    *widened = block;
    block->resize(static_cast<size_t>(w) * h);
    // The block goes to the window and is not read here again (but for a captured frame): its
    // lines skip the cache instead of pushing the device's buffers out of it.
    widening_.widenPicture(front->layout(), picture, pitch, w, h, block->data(), WideningStores::Streamed);
    platform::backend::fenceStreamedCopies();
    platform::bridge::presentShared(window_, block, w, h);
    recordPresentedFrame(block->data(), w, h, w * 4);
}

}  // namespace platform::ddraw
