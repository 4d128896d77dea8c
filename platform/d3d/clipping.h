// Clipping stage: a convex polygon in clip space against the near plane (z >= 0), the far plane
// (z <= w) and a guard band in x and y (|x|, |y| <= g w, with g chosen so that screen positions
// stay far inside the rasterizer's fixed-point range). Inside the guard band the rasterizer
// clips to the viewport itself, so triangles that merely leave the screen are not cut.
// Attributes are interpolated linearly in clip space along the cut edges.
#pragma once

#include "platform/d3d/clip_vertex.h"

namespace platform::d3d {

constexpr int kMaxClipVertices = 3 + 6;  // a triangle cut by six planes

struct ClipPlanes {
    float guardX = 1.0f;  // g for x
    float guardY = 1.0f;  // g for y
};

// Guard band factors for a viewport of the given size: screen coordinates stay within about
// +-16384 pixels of the viewport's centre.
ClipPlanes guardBandFor(float viewportWidth, float viewportHeight);

// Bit per plane that the vertex is outside of (0: inside all).
unsigned outcode(const ClipVertex& v, const ClipPlanes& planes);

// Clips poly[0..count) in place; poly must hold kMaxClipVertices. Returns the new vertex count
// (0 when nothing is left).
int clipPolygon(ClipVertex* poly, int count, const ClipPlanes& planes);

}  // namespace platform::d3d
