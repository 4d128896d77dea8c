// Creating, restoring and releasing the screensaver's display objects (g_display).
//
// createPresentation(window, width, height, bits): exclusive full screen for the window, the video
//   mode, the flipping chain with one back buffer (source colour key black), keyGreen and
//   screenDpi, one black frame presented, then a wait of 1000 ms. When the cooperative level, the
//   mode, the chain or the back buffer cannot be had, everything is released, the window is
//   destroyed and that step's code is returned.
// create3DDevice(): the Direct3D interface, a depth buffer of the chosen mode's size in the first
//   pure z format (no stencil) the device offers, attached to the back buffer, the device on the
//   back buffer, the viewport, the texture format and the default states. Returns the first
//   failing code (E_FAIL when no pure z format exists) and leaves what was made for releaseDisplay.
//   Reads and corrects g_settings.deviceIndex/modeIndex (out of range -> 0).
// restoreAfterLoss(): restores all surfaces, presents one black frame (its result is the status),
//   then lets the stores reload their pictures (release_hooks.h).
// releaseDisplay(window): releases everything in order and returns the desktop's mode; safe to call
//   again and with objects missing. showDesktopSurface(): hands the display back to the desktop
//   surface while the window is disabled.
// All return platform result codes (0 success, negative failure); nothing is shown to the user.
#pragma once

#include "platform/ddraw/ddraw.h"

HRESULT createPresentation(HWND window, int width, int height, int bits);
HRESULT create3DDevice();
HRESULT restoreAfterLoss();
void releaseDisplay(HWND window);
void showDesktopSurface();

// The back buffer filled with black and flipped once; the flip's result.
HRESULT presentBlackFrame();

// How long createPresentation waits after its first frame (1000 ms; tests shorten it).
void setPresentationSettleMs(DWORD milliseconds);

// Where create3DDevice gets the Direct3D interface: IDirectDraw7::QueryInterface(IID_IDirect3D7)
// unless replaced (tests); null goes back to it. out gets one reference.
using Direct3DSource = HRESULT (*)(IDirectDraw7* directDraw, IDirect3D7** out);
void setDirect3DSource(Direct3DSource source);
