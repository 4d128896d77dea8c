// Fog stage: fog modes and factors.
#include "platform/d3d/fog.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/lighting.h"
#include "platform/d3d/transform.h"

namespace platform::d3d {

FogSetup prepareFog(const DeviceState& state) {
    FogSetup f;
    DWORD table = state.rs(D3DRENDERSTATE_FOGTABLEMODE);
    DWORD vertex = state.rs(D3DRENDERSTATE_FOGVERTEXMODE);
    f.perPixel = table != D3DFOG_NONE;
    f.mode = static_cast<D3DFOGMODE>(f.perPixel ? table : vertex);
    f.enabled = state.rs(D3DRENDERSTATE_FOGENABLE) != 0 && f.mode >= D3DFOG_EXP && f.mode <= D3DFOG_LINEAR;
    f.rangeBased = state.rs(D3DRENDERSTATE_RANGEFOGENABLE) != 0;
    f.start = d3dStateToFloat(state.rs(D3DRENDERSTATE_FOGSTART));
    f.end = d3dStateToFloat(state.rs(D3DRENDERSTATE_FOGEND));
    f.density = d3dStateToFloat(state.rs(D3DRENDERSTATE_FOGDENSITY));
    D3DCOLORVALUE c = colorFromArgb(state.rs(D3DRENDERSTATE_FOGCOLOR));
    f.color[0] = c.r;
    f.color[1] = c.g;
    f.color[2] = c.b;
    return f;
}

float fogFactor(D3DFOGMODE mode, float start, float end, float density, float depth) {
    float f = 1.0f;
    switch (mode) {
        case D3DFOG_LINEAR:
            if (end != start) f = (end - depth) / (end - start);
            else f = depth < end ? 1.0f : 0.0f;
            break;
        case D3DFOG_EXP: f = std::exp(-density * depth); break;
        case D3DFOG_EXP2: f = std::exp(-(density * depth) * (density * depth)); break;
        default: return 1.0f;
    }
    if (!(f == f)) return 1.0f;  // NaN from a nonsense range: leave the colour alone
    return std::clamp(f, 0.0f, 1.0f);
}

float vertexFog(const FogSetup& fog, const D3DVECTOR& eye) {
    if (!fog.enabled || fog.perPixel) return 1.0f;
    float depth = fog.rangeBased ? length(eye) : eye.z;
    return fogFactor(fog.mode, fog.start, fog.end, fog.density, depth);
}

}  // namespace platform::d3d
