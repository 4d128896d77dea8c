// DisplayObjects: the screensaver's connection to the display, one process-wide record.
//
// Every interface member is owned by the record (one counted reference each) from its creation in
// createPresentation / create3DDevice until releaseDisplay sets it back to none. textureFormat is
// the format textures with alpha are made in (all zero until chosen, or when the device offers no
// 32-bit format with alpha). keyGreen is the back buffer's raw pixel value for pure green, the
// transparent colour of the on-screen controls; screenDpi the vertical dots per inch of the back
// buffer's device context (96 when it cannot be asked). Single-threaded: the saver window's thread.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

struct DisplayObjects {
    IDirectDraw7* directDraw = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* backBuffer = nullptr;
    IDirectDrawSurface7* zBuffer = nullptr;
    IDirect3D7* direct3D = nullptr;
    IDirect3DDevice7* device = nullptr;
    DDPIXELFORMAT textureFormat{};
    uint32_t keyGreen = 0;
    int32_t screenDpi = 96;
};

extern DisplayObjects g_display;

// Forgets the record without releasing anything (tests that released by hand).
void resetDisplayObjects();
