// The states a new 3D device gets once: ambient light 0x22222222, the identity world transform,
// the fixed projection (field of view 0.75 rad, aspect factor 0.75 whatever the mode's shape, near
// 100, far 10000), z-buffering and z-writes on, blending factors ONE/ONE for when blending is
// switched on, dithering on, specular off, stage 0 modulating texture by diffuse with wrapped,
// linear filtering, stages 1 and 2 wrapped and linear, and lights 0 and 1 both the same white
// directional light towards (-400, -200, 400), enabled (the scene is lit twice by it).
#pragma once

#include "platform/ddraw/ddraw.h"

D3DMATRIX defaultProjection();
D3DLIGHT7 defaultLight();
void applyDefaultStates(IDirect3DDevice7* device);
