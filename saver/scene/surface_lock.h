// Locking a whole surface, retried while the surface is still being drawn (inside saver/scene).
#pragma once

#include "platform/ddraw/ddraw.h"

// True when locked; the caller unlocks. desc receives the memory, pitch and pixel format.
inline bool lockSurface(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc) {
    *desc = DDSURFACEDESC2{};
    desc->dwSize = sizeof *desc;
    HRESULT result;
    do {
        result = surface->Lock(nullptr, desc, DDLOCK_WAIT, nullptr);
    } while (result == DDERR_WASSTILLDRAWING);
    return result == DD_OK;
}
