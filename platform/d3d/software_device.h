// The software 3D device: an IDirect3DDevice7 that draws with the reference pipeline into the
// render target it was created on.
//
// The device keeps one reference to its render target and one to each bound texture. It finds
// the z-buffer at every Clear and draw through the target's attached surface (DDSCAPS_ZBUFFER),
// and reaches all pixels through IDirectDrawSurface7::Lock, so it works with any surface that
// locks to a 16/32-bit RGB format (z: 16/32-bit, optionally 24+8 with stencil). Drawing happens
// only between BeginScene and EndScene; a surface that cannot be locked (lost, busy) makes the
// call fail with the lock's code and draws nothing. Triangles on the span path are queued and
// drawn together (on all the device's threads) at EndScene, Clear, a draw the span path does not
// cover, when the queue grows large, when the device goes away, or before anything else reads or
// changes a surface's pixels (ddraw/queued_drawing.h); the queue holds a reference to every
// surface it needs. The pictures are the same as when each call is drawn at once. Single-threaded,
// like its callers.
#pragma once

#include "platform/ddraw/ddraw.h"

namespace platform::d3d {

// Device name reported by EnumDevices.
inline constexpr const char* kSoftwareDeviceName = "Vorel Software Rasterizer";
inline constexpr const char* kSoftwareDeviceDescription = "Software 3D acceleration";

// Creates the device on target (which must lock to a 16- or 32-bit RGB format).
HRESULT createSoftwareDevice(IDirectDrawSurface7* target, IDirect3DDevice7** out);

// The capabilities the device reports (also through EnumDevices).
D3DDEVICEDESC7 softwareDeviceDesc();

}  // namespace platform::d3d
