// Clearing the render target, the depth part and the stencil part of the z-buffer within a
// rectangle (inclusive-exclusive pixel bounds, already limited to the surfaces by the caller).
// The colour is converted to the target's format without dithering; depth 1.0 is the z-buffer's
// largest value; the stencil part is written only where the format has one, and clearing depth
// alone leaves the stencil bits as they were (and the other way round).
#pragma once

#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

struct ClearRect {
    int left, top, right, bottom;
};

void clearColor(const SurfaceLock& target, const ClearRect& r, D3DCOLOR color);
void clearDepthStencil(const SurfaceLock& zbuffer, const ClearRect& r, bool depth, float z, bool stencil,
                       DWORD stencilValue);

}  // namespace platform::d3d
