// Set-up stage: from clip space to the screen, culling, and the per-triangle equations the
// rasterizer walks.
//
// Screen space: x to the right, y down, pixel centres on integer coordinates; the viewport maps
// clip x = -w to its left edge and y = +w to its top edge, and z/w to [minZ, maxZ]. Positions are
// snapped to 1/16 pixel (kSubPixelBits); edge functions are exact 64-bit integers, so two triangles
// sharing an edge agree on every pixel centre along it. Winding: a triangle whose vertices run
// clockwise on the screen has positive area; counter-clockwise culling drops the negative ones.
// Attributes are prepared for perspective-correct interpolation: each vertex carries 1/w and
// attribute/w; z is interpolated linearly in screen space.
#pragma once

#include <cstdint>

#include "platform/d3d/clip_vertex.h"
#include "platform/d3d/d3dtypes.h"

namespace platform::d3d {

constexpr int kSubPixelBits = 4;
constexpr int kSubPixel = 1 << kSubPixelBits;

struct ViewportMap {
    float x = 0, y = 0, halfWidth = 0, halfHeight = 0, minZ = 0, maxZ = 1;
};
ViewportMap makeViewportMap(const D3DVIEWPORT7& viewport);

// Inclusive pixel rectangle the rasterizer may touch (viewport within the target).
struct Scissor {
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
};

struct ScreenVertex {
    int32_t x, y;    // 1/16 pixel
    double z;        // viewport depth
    float invW;      // 1/w (1 when perspective correction is off)
    float attr[kAttributeCount];  // attribute x invW
};

// False when w is not positive or the position is not finite.
bool projectVertex(const ClipVertex& v, const ViewportMap& map, bool perspective, ScreenVertex* out);
// The snapped screen position alone, as projectVertex gives it (same failures).
bool projectPosition(const ClipVertex& v, const ViewportMap& map, int32_t* x, int32_t* y);

// True when setupTriangle would drop the unclipped triangle a b c for its winding under `cull`
// (judged from the positions alone, before any lighting); false when it would not or when a
// vertex does not project.
bool culledByWinding(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ViewportMap& map,
                     D3DCULL cull);

struct Edge {
    int64_t a, b, c;  // E(X, Y) = a X + b Y + c at pixel centre (X, Y); inside when E + bias > 0
    int64_t bias;     // 1 for top and left edges (a centre exactly on them is drawn), else 0
};

struct TriangleSetup {
    Edge edge[3];  // edge[i] lies opposite vertex i
    double invArea;
    int minX, minY, maxX, maxY;
    double z0, dz1, dz2;
    float w0, dw1, dw2;
    float a0[kAttributeCount], da1[kAttributeCount], da2[kAttributeCount];
};

// Twice the signed area in 1/256 pixel^2; positive when the vertices run clockwise on the screen.
int64_t signedArea(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2);

// False when the triangle is culled, has no area, or covers no pixel of the scissor.
bool setupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, D3DCULL cull,
                   const Scissor& scissor, TriangleSetup* out);

}  // namespace platform::d3d
