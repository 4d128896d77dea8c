// IDirectDraw7::CreateSurface: the flipping chain, depth buffers, off-screen and texture surfaces.
#include "platform/ddraw/direct_draw.h"
#include "platform/ddraw/pixel_formats.h"
#include "platform/ddraw/surface.h"

namespace platform::ddraw {
namespace {

// The colour formats a plain or texture surface may request.
bool offeredColourFormat(const DDPIXELFORMAT& f) {
    for (const DDPIXELFORMAT& o : {formatR5G6B5(), formatX8R8G8B8(), formatA8R8G8B8(), formatA4R4G4B4()})
        if (sameFormat(f, o)) return true;
    return false;
}

bool offeredZFormat(const DDPIXELFORMAT& f) {
    for (const DDPIXELFORMAT& o : {formatZ16(), formatZ32(), formatZ24S8()})
        if (f.dwFlags == o.dwFlags && f.dwZBufferBitDepth == o.dwZBufferBitDepth && f.dwZBitMask == o.dwZBitMask)
            return true;
    return false;
}

DWORD memoryCaps(DWORD requested) {
    return (requested & DDSCAPS_SYSTEMMEMORY) ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
}

bool hasSize(const DDSURFACEDESC2& desc) {
    return (desc.dwFlags & DDSD_WIDTH) && (desc.dwFlags & DDSD_HEIGHT) && desc.dwWidth > 0 && desc.dwHeight > 0 &&
           desc.dwWidth <= static_cast<DWORD>(Surface::kMaxSide) && desc.dwHeight <= static_cast<DWORD>(Surface::kMaxSide);
}

SurfaceSpec specOf(const DDSURFACEDESC2& desc, const DDPIXELFORMAT& format, DWORD caps) {
    SurfaceSpec desired;
    desired.width = static_cast<int>(desc.dwWidth);
    desired.height = static_cast<int>(desc.dwHeight);
    desired.format = format;
    desired.caps = caps;
    return desired;
}

}  // namespace

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer) {
    if (!desc || !out || outer) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    const DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    HRESULT hr;
    if (caps & DDSCAPS_PRIMARYSURFACE)
        hr = createFlippingChain(*desc, out);
    else if (caps & DDSCAPS_ZBUFFER)
        hr = createZBuffer(*desc, out);
    else
        hr = createPlain(*desc, out);
    if (SUCCEEDED(hr) && (desc->dwFlags & DDSD_CKSRCBLT)) (*out)->SetColorKey(DDCKEY_SRCBLT, &desc->ddckCKSrcBlt);
    return hr;
}

HRESULT DirectDraw::createFlippingChain(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out) {
    const DWORD caps = desc.ddsCaps.dwCaps;
    if (!(caps & DDSCAPS_FLIP) || !(caps & DDSCAPS_COMPLEX)) return DDERR_INVALIDPARAMS;
    if (!(desc.dwFlags & DDSD_BACKBUFFERCOUNT) || desc.dwBackBufferCount != 1) return DDERR_INVALIDPARAMS;
    if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
    SurfaceSpec desired;
    int bits = 32;
    currentMode(&desired.width, &desired.height, &bits);
    desired.format = displayFormatForBits(bits);
    const DWORD shared = DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY | (caps & DDSCAPS_3DDEVICE);
    desired.caps = shared | DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER;
    Surface* front = Surface::make(this, desired);
    desired.caps = shared | DDSCAPS_BACKBUFFER;
    Surface* back = Surface::make(this, desired);
    if (!front || !back) {
        if (front) front->Release();
        if (back) back->Release();
        return DDERR_OUTOFMEMORY;
    }
    front->attach(back);
    back->Release();  // the chain's reference is the only one
    *out = front;
    return DD_OK;
}

HRESULT DirectDraw::createZBuffer(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out) {
    if (!hasSize(desc)) return DDERR_INVALIDPARAMS;
    if (!(desc.dwFlags & DDSD_PIXELFORMAT) || !offeredZFormat(desc.ddpfPixelFormat)) return DDERR_INVALIDPIXELFORMAT;
    Surface* s = Surface::make(this, specOf(desc, desc.ddpfPixelFormat, DDSCAPS_ZBUFFER | memoryCaps(desc.ddsCaps.dwCaps)));
    if (!s) return DDERR_OUTOFMEMORY;
    *out = s;
    return DD_OK;
}

HRESULT DirectDraw::createPlain(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out) {
    if (!hasSize(desc)) return DDERR_INVALIDPARAMS;
    DDPIXELFORMAT format;
    if (desc.dwFlags & DDSD_PIXELFORMAT) {
        if (!offeredColourFormat(desc.ddpfPixelFormat)) return DDERR_INVALIDPIXELFORMAT;
        format = desc.ddpfPixelFormat;
    } else {
        int w = 0, h = 0, bits = 32;
        currentMode(&w, &h, &bits);
        format = displayFormatForBits(bits);
    }
    DWORD caps = desc.ddsCaps.dwCaps & (DDSCAPS_TEXTURE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    if (!(caps & (DDSCAPS_TEXTURE | DDSCAPS_OFFSCREENPLAIN))) caps |= DDSCAPS_OFFSCREENPLAIN;
    Surface* s = Surface::make(this, specOf(desc, format, caps | memoryCaps(desc.ddsCaps.dwCaps)));
    if (!s) return DDERR_OUTOFMEMORY;
    *out = s;
    return DD_OK;
}

}  // namespace platform::ddraw
