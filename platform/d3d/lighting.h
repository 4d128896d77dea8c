// Lighting stage: per-vertex fixed-function lighting in camera space.
//
//   colour = emissive + ambient_material x (global ambient + sum atten x ambient_light)
//            + sum diffuse_material x diffuse_light x max(0, N.L) x atten x spot
// clamped to [0, 1]; alpha is the diffuse material's alpha. Directional light: L is the negated,
// normalised direction, atten = 1. Point and spot light: L points from the vertex to the light;
// beyond `range` the light adds nothing; atten = 1 / (a0 + a1 d + a2 d^2) (a zero or negative
// denominator counts as full strength). Spot lights also fade between the inner cone (theta) and
// the outer cone (phi) with the falloff exponent. Specular is not computed. Light positions and
// directions are given in world space and are moved into camera space with the view matrix when
// the lighting is prepared. N is used as given (normalised only when the caller asks).
#pragma once

#include <vector>

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/device_state.h"

namespace platform::d3d {

struct EyeLight {
    D3DLIGHTTYPE type;
    D3DCOLORVALUE diffuse, ambient;
    D3DVECTOR position;   // camera space (point, spot)
    D3DVECTOR toLight;    // camera space, normalised, for directional lights
    D3DVECTOR spotAxis;   // camera space, normalised direction the spot points along
    float range;
    float att0, att1, att2;
    float cosHalfTheta, cosHalfPhi, falloff;
};

struct LightingSetup {
    D3DMATERIAL7 material;
    D3DCOLORVALUE globalAmbient;
    std::vector<EyeLight> lights;
    bool normalize = false;
};

LightingSetup prepareLighting(const DeviceState& state);

// Colour of one vertex from its camera-space position and normal; rgba gets 4 values in [0, 1].
void lightVertex(const LightingSetup& setup, const D3DVECTOR& position, const D3DVECTOR& normal, float rgba[4]);

D3DCOLORVALUE colorFromArgb(D3DCOLOR c);

}  // namespace platform::d3d
