// The presentation surfaces: exclusive full screen, the flipping chain, the black first frame,
// restoring after loss and handing the display back to the desktop.
#include "platform/ddraw/pixel_formats.h"
#include "platform/gdi/gdi.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/scene/surface_makers.h"
#include "saver/display/release_hooks.h"

namespace {

DWORD g_settleMs = 1000;

HRESULT makeFlippingChain() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    desc.dwBackBufferCount = 1;
    HRESULT hr = g_display.directDraw->CreateSurface(&desc, &g_display.primary, nullptr);
    if (FAILED(hr)) return hr;
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    hr = g_display.primary->GetAttachedSurface(&caps, &g_display.backBuffer);
    if (FAILED(hr)) return hr;
    setSourceColorKey(g_display.backBuffer, RGB(0, 0, 0));
    return S_OK;
}

// The first four steps; the first failure is returned.
HRESULT takeTheDisplay(HWND window, int width, int height, int bits) {
    if (!g_display.directDraw) return E_FAIL;
    HRESULT hr = g_display.directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (FAILED(hr)) return hr;
    hr = g_display.directDraw->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                              static_cast<DWORD>(bits), 0, 0);
    if (FAILED(hr)) return hr;
    return makeFlippingChain();
}

// Vertical dots per inch of the back buffer's device context; 96 when no context can be had.
int backBufferDpi() {
    HDC dc = nullptr;
    if (FAILED(g_display.backBuffer->GetDC(&dc)) || !dc) return 96;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    g_display.backBuffer->ReleaseDC(dc);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

void setPresentationSettleMs(DWORD milliseconds) { g_settleMs = milliseconds; }

HRESULT presentBlackFrame() {
    if (!g_display.primary || !g_display.backBuffer) return E_FAIL;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    g_display.backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return g_display.primary->Flip(nullptr, 0);
}

HRESULT createPresentation(HWND window, int width, int height, int bits) {
    const HRESULT hr = takeTheDisplay(window, width, height, bits);
    if (FAILED(hr)) {
        releaseDisplay(window);
        DestroyWindow(window);
        return hr;
    }
    g_display.keyGreen = matchColor(g_display.backBuffer, RGB(0, 255, 0));
    g_display.screenDpi = backBufferDpi();
    presentBlackFrame();
    Sleep(g_settleMs);
    return S_OK;
}

HRESULT restoreAfterLoss() {
    if (!g_display.directDraw) return E_FAIL;
    const HRESULT restored = g_display.directDraw->RestoreAllSurfaces();
    if (FAILED(restored)) return restored;
    const HRESULT hr = presentBlackFrame();
    if (displayHooks().reloadPictures) displayHooks().reloadPictures();
    return hr;
}

void showDesktopSurface() {
    if (g_display.directDraw) g_display.directDraw->FlipToGDISurface();
}
