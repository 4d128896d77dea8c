// Whole draw calls beyond the view volume, found before the vertex stage's first pass.
//
// Vertices come from the program's memory with every call, so nothing can be kept from frame to
// frame. A call is beyond the view when every one of its vertices lies beyond one and the same
// plane as the vertex stage judges a triangle's corners beyond (triangle_list_avx2.cpp): z < 0,
// w - z < 0 (a NaN lies beyond both), or w > 0 and two pixels or more past an edge of the
// viewport (x > k w, x < -k w, y > k w or y < -k w, k = beyondFactor of the viewport's half size).
// Then every triangle of it is wholly beyond a plane and none can put a pixel on the screen, so
// the call can be left out whole.
//
// The clip positions are computed with the vertex stage's own float operations (transformPoint's
// order), so the judgement is that of the first pass, bit for bit. A few vertices spread over the
// call are tested first; only when all of them lie beyond a common plane are all the others
// tested, plane by plane, eight at a time with AVX2 (without AVX2 no call is skipped).
#pragma once

#include <cstdint>

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/transform.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

// 1 + 2 / halfSize (float): a clip x (y) beyond k w with w > 0 lies two pixels or more past the
// viewport's edge (halfSize: half the viewport's width or height in pixels).
inline float beyondFactor(float halfSize) { return 1.0f + 2.0f / halfSize; }

// The planes a clip position lies beyond, as the vertex stage tests them: bit 0 near, 1 far,
// 2 right (x > kx w), 3 left, 4 top (y > ky w), 5 bottom; the sides only where w > 0.
unsigned beyondPlanes(const Vec4& clip, float kx, float ky);

// True when every vertex of vertices[0, count) lies beyond one common plane.
bool callBeyondView(const D3DMATRIX& worldViewProjection, const ViewportMap& map, const D3DVERTEX* vertices,
                    uint32_t count);

// Calls (and their triangles) left out whole since the process started.
struct SkippedCalls {
    unsigned long long calls = 0, triangles = 0;
};
SkippedCalls skippedCalls();
void countSkippedCall(uint32_t triangles);

}  // namespace platform::d3d
