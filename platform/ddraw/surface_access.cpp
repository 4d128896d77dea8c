#include "platform/ddraw/surface_access.h"

#include "platform/ddraw/queued_drawing.h"
#include "platform/ddraw/surface.h"

namespace platform::ddraw {

bool surfaceMemory(IDirectDrawSurface7* surface, SurfaceMemory* out) {
    Surface* s = surface ? asSurface(surface) : nullptr;
    if (!s || !out) return false;
    finishQueuedDrawing();
    out->pixels = s->memory();
    out->width = s->width();
    out->height = s->height();
    out->pitchBytes = s->pitch();
    out->format = s->format();
    return true;
}

IDirectDrawSurface7* attachedDepthBuffer(IDirectDrawSurface7* surface) {
    Surface* s = surface ? asSurface(surface) : nullptr;
    if (!s) return nullptr;
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* z = nullptr;
    if (s->GetAttachedSurface(&caps, &z) != DD_OK) return nullptr;
    z->Release();  // the attachment keeps it alive
    return z;
}

}  // namespace platform::ddraw
