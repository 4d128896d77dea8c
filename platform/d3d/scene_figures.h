// What the 3D device did in its most recent scene (BeginScene to EndScene), for the frame trace
// and the benchmark: draw calls, triangles submitted, pixel centres covered, the camera position
// recovered from the view matrix at the last draw (or at EndScene when nothing was drawn), whether
// fog was on, which of the eight lights were enabled at EndScene, and on how many threads the
// scene's queued triangles were drawn (the most of any filling; 1 when nothing was queued or the
// device left its helpers out) and whether any of them were split by bands between the threads
// (split_scene.h) rather than drawn from one queue.
#pragma once

#include <cstdint>

#include "platform/d3d/d3dtypes.h"
#include "platform/ddraw/ddraw.h"

namespace platform::d3d {

struct SceneFigures {
    uint32_t draws = 0;
    uint64_t triangles = 0;
    uint64_t pixels = 0;
    D3DVECTOR eye{0, 0, 0};
    bool fog = false;
    bool lights[8] = {};
    int threads = 1;
    bool bands = false;
};

// The figures of the last finished scene of a device made by this layer; false for any other
// object (or null).
bool lastSceneFigures(IDirect3DDevice7* device, SceneFigures* out);

}  // namespace platform::d3d
