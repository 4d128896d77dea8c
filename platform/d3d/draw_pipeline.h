// The reference drawing pipeline: one DrawPrimitive call from vertices to pixels.
//
// Vertices (format 0x112) are transformed and lit, assembled into triangles (lists, strips and
// fans), clipped, projected, culled, set up and rasterized; every covered pixel goes through the
// pixel stage, or, for the states the span path covers, is set up into a span queue. The surfaces
// are locked by the caller for the whole call.
#pragma once

#include <cstdint>

#include "platform/d3d/device_state.h"
#include "platform/d3d/span_queue.h"
#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

class SplitScene;

struct DrawTargets {
    const SurfaceLock* color = nullptr;    // required
    const SurfaceLock* depth = nullptr;    // optional
    const SurfaceLock* texture = nullptr;  // optional
    bool textureHasKey = false;
    DDCOLORKEY textureKey{};
};

struct DrawFigures {
    uint64_t triangles = 0;  // triangles submitted
    uint64_t pixels = 0;     // pixel centres covered by drawn triangles
};

// Number of triangles `count` vertices make for the primitive type (0 for types not drawn).
uint32_t triangleCount(D3DPRIMITIVETYPE type, uint32_t count);

// The span path's triangles are added to `queue` (never null) and drawn by queue->draw() (their
// pixels are counted there), and a call the span path does not cover draws the queue first; the
// caller keeps the surfaces alive and their pixels unchanged until the queue is drawn. With
// `split` (may be null) the span path's calls are split by bands between this thread and helpers
// that replay them (split_scene.h; started at the first such call, when it can be): `queue` then
// draws this thread's bands, and the caller finishes with split->finish(queue) instead of
// queue->draw() while split->running(). A call the span path does not cover finishes both first.
void drawPrimitives(const DeviceState& state, const DrawTargets& targets, D3DPRIMITIVETYPE type,
                    const D3DVERTEX* vertices, uint32_t count, DrawFigures* figures, SpanQueue* queue,
                    SplitScene* split = nullptr);

}  // namespace platform::d3d
