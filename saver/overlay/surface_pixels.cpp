#include "saver/overlay/surface_pixels.h"

#include <cstddef>

bool surfaceSize(IDirectDrawSurface7* surface, int32_t& width, int32_t& height) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    if (!surface || surface->GetSurfaceDesc(&desc) != DD_OK) return false;
    width = static_cast<int32_t>(desc.dwWidth);
    height = static_cast<int32_t>(desc.dwHeight);
    return true;
}

bool readPixel(IDirectDrawSurface7* surface, int32_t x, int32_t y, DWORD& value) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    if (!surface || surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return false;
    bool ok = desc.lpSurface && x >= 0 && y >= 0 && static_cast<DWORD>(x) < desc.dwWidth &&
              static_cast<DWORD>(y) < desc.dwHeight;
    if (ok) {
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
        const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
        if (bits == 16)
            value = reinterpret_cast<const uint16_t*>(row)[x];
        else if (bits == 32)
            value = reinterpret_cast<const uint32_t*>(row)[x];
        else
            ok = false;
    }
    surface->Unlock(nullptr);
    return ok;
}

int solidPixelAt(IDirectDrawSurface7* surface, int32_t x, int32_t y) {
    DWORD pixel = 0;
    if (!readPixel(surface, x, y, pixel)) return 0;
    DDCOLORKEY key = {};
    if (surface->GetColorKey(DDCKEY_SRCBLT, &key) != DD_OK) return 1;
    return pixel < key.dwColorSpaceLowValue || pixel > key.dwColorSpaceHighValue ? 1 : 0;
}
