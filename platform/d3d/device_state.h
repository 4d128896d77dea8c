// The state tables of the 3D device: render states, texture-stage states, transforms, material,
// lights and viewport, with the defaults a freshly created device has.
//
// Render states are kept in a table indexed by D3DRENDERSTATETYPE (values >= D3DRENDERSTATE_COUNT
// are refused); texture-stage states per stage (D3DMAX_TEXTURESTAGES stages of D3DTSS_COUNT
// entries). Defaults follow the fixed-function pipeline's: lighting on, Gouraud shading,
// counter-clockwise culling, less-or-equal z, z-writes on, blending off (ONE/ZERO), dithering off,
// fog off (both fog modes none, start 0, end 1), normals not renormalised, colour keying off,
// ambient 0; stage 0 modulates texture by diffuse and selects texture alpha, later stages are
// disabled; every stage wraps and samples with point filters. Eight lights, all disabled.
#pragma once

#include <array>

#include "platform/d3d/d3dtypes.h"

namespace platform::d3d {

constexpr DWORD kMaxLights = 8;

struct LightSlot {
    D3DLIGHT7 light{};
    bool set = false;
    bool enabled = false;
};

struct DeviceState {
    std::array<DWORD, D3DRENDERSTATE_COUNT> render{};
    std::array<std::array<DWORD, D3DTSS_COUNT>, D3DMAX_TEXTURESTAGES> stage{};
    D3DMATRIX world{}, view{}, projection{};
    D3DMATERIAL7 material{};
    std::array<LightSlot, kMaxLights> lights{};
    D3DVIEWPORT7 viewport{};

    DWORD rs(D3DRENDERSTATETYPE s) const { return render[s]; }
    DWORD tss(DWORD stageIndex, D3DTEXTURESTAGESTATETYPE s) const { return stage[stageIndex][s]; }
};

// A state record with every default set; z-buffering on when the target has a z-buffer.
DeviceState defaultDeviceState(bool hasZBuffer, DWORD targetWidth, DWORD targetHeight);

D3DMATRIX identityMatrix();

}  // namespace platform::d3d
