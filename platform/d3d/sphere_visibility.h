// Sphere visibility against the view frustum of World x View x Projection.
//
// The six planes (left x >= -w, right x <= w, top y <= w, bottom y >= -w, front z >= 0,
// back z <= w) are taken back into model space and normalised. For each plane the result has
// the "union" bit (D3DCLIP_*) when the sphere is at least partly outside it, and the
// "intersection" bit (D3DSTATUS_CLIPINTERSECTION*) when it is wholly outside it. A sphere exactly
// touching a plane from outside counts as partly outside. Degenerate planes report nothing.
#pragma once

#include "platform/d3d/d3dtypes.h"

namespace platform::d3d {

DWORD sphereVisibility(const D3DMATRIX& worldViewProjection, const D3DVECTOR& centre, float radius);

// ComputeSphereVisibility: every sphere against World x View x Projection into results; false
// (nothing written) when count > 0 and an array is missing.
bool sphereVisibilities(const D3DMATRIX& world, const D3DMATRIX& view, const D3DMATRIX& projection,
                        const D3DVECTOR* centres, const float* radii, DWORD count, DWORD* results);

}  // namespace platform::d3d
