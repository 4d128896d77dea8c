// Fog stage: the fog factor f (1 = unfogged, 0 = fully the fog colour).
//
// Vertex fog (table mode none, vertex mode linear/exp/exp2) is worked out per vertex from the
// camera-space depth z (or the distance from the eye when range fog is on) and interpolated
// across the triangle. Table fog (table mode not none) is worked out per pixel from the
// interpolated camera depth w. Linear: f = (end - d) / (end - start), clamped to [0, 1] (end equal
// to start gives 1 before end and 0 from end on); exp: f = e^(-density d); exp2: e^(-(density d)^2).
// The colour becomes f x colour + (1 - f) x fog colour, before blending.
#pragma once

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/device_state.h"

namespace platform::d3d {

struct FogSetup {
    bool enabled = false;
    bool perPixel = false;  // table fog
    bool rangeBased = false;
    D3DFOGMODE mode = D3DFOG_NONE;
    float start = 0, end = 1, density = 1;
    float color[3] = {0, 0, 0};
};

FogSetup prepareFog(const DeviceState& state);
float fogFactor(D3DFOGMODE mode, float start, float end, float density, float depth);
// The per-vertex factor; 1 when vertex fog is not in use.
float vertexFog(const FogSetup& fog, const D3DVECTOR& eyePosition);

}  // namespace platform::d3d
