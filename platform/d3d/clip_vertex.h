// The vertex record that travels from the vertex stages through clipping to set-up.
//
// Position in clip space (x, y, z, w); attributes are linear in clip space, so clipping
// interpolates all of them the same way: diffuse colour r, g, b, a in [0, 1], the fog factor
// (1 = no fog, 0 = fully fog colour) and texture coordinates u, v.
#pragma once

namespace platform::d3d {

constexpr int kAttributeCount = 7;  // r, g, b, a, fog, u, v
enum Attribute { kRed = 0, kGreen, kBlue, kAlpha, kFog, kU, kV };

struct ClipVertex {
    float x, y, z, w;
    float attr[kAttributeCount];
};

}  // namespace platform::d3d
