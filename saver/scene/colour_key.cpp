// Matching a colour to a surface's raw pixel value, and source colour keys.
//
// The colour is put into pixel (0, 0) with GDI and read back raw through a lock. The pixel's own
// raw bits are saved and written back through the lock as well: putting the old colour back with
// GDI would drop an alpha channel (a colour reference has none) and so damage alpha textures.
#include <cstring>

#include "platform/gdi/gdi.h"
#include "saver/scene/surface_lock.h"
#include "saver/scene/surface_makers.h"

namespace {

// The bytes of the first pixel: a one-pixel 16-bit surface holds no more than two.
size_t firstPixelBytes(const DDSURFACEDESC2& desc) {
    const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
    return bits >= 32 ? 4 : (bits + 7) / 8;
}

// Reads (or, with `write`, first writes) the raw first pixel; false when the lock failed.
bool accessFirstPixel(IDirectDrawSurface7* surface, DWORD* value, bool write) {
    DDSURFACEDESC2 desc{};
    if (!lockSurface(surface, &desc)) return false;
    const size_t bytes = firstPixelBytes(desc);
    if (desc.lpSurface && bytes > 0) {
        if (write)
            std::memcpy(desc.lpSurface, value, bytes);  // little-endian
        else {
            *value = 0;
            std::memcpy(value, desc.lpSurface, bytes);
        }
    }
    surface->Unlock(nullptr);
    return true;
}

bool setFirstPixel(IDirectDrawSurface7* surface, COLORREF colour) {
    HDC dc = nullptr;
    if (surface->GetDC(&dc) != DD_OK) return false;
    SetPixel(dc, 0, 0, colour);
    surface->ReleaseDC(dc);
    return true;
}

}  // namespace

DWORD matchColor(IDirectDrawSurface7* surface, COLORREF colour) {
    if (!surface) return kNoColour;
    DWORD saved = 0;
    const bool restore = colour != kNoColour && accessFirstPixel(surface, &saved, false) &&
                         setFirstPixel(surface, colour);
    DWORD value = 0;
    if (!accessFirstPixel(surface, &value, false)) value = kNoColour;
    if (restore) accessFirstPixel(surface, &saved, true);
    if (value == kNoColour) return kNoColour;
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (surface->GetPixelFormat(&format) == DD_OK && format.dwRGBBitCount < 32)
        value &= (1u << format.dwRGBBitCount) - 1u;
    return value;
}

HRESULT setSourceColorKey(IDirectDrawSurface7* surface, COLORREF colour) {
    if (!surface) return E_FAIL;
    const DWORD raw = matchColor(surface, colour);
    DDCOLORKEY key{raw, raw};
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}
