// A rounded slab: a flat plate with a fully rounded rim, like a pebble or a fat biscuit. It is the
// solid form of a molecular ring: the ring's atoms sit inside its rim, the plate fills the hole.
//
// `outline` is a closed path in one plane (at least three points, either turning sense) that is
// star-shaped about the mean of its points; `normal` is the plane's unit normal. The slab is the
// outline swept by a ball of radius `halfThickness`, filled in: a flat top and bottom face at
// +-halfThickness along the normal, joined by a half-round rim of `rimSegments` bands (at least 2;
// an odd count is rounded up, the rim needs a row at its middle).
// Concave stretches of the outline must bend with a radius above halfThickness, else the rim folds.
//
// Texture coordinates are the plane's own coordinates (one picture repeat per `texelScale` model
// units) on the faces, carried over the rim by its arc length, so the picture runs on without a
// seam or a jump anywhere; it mirrors itself along the middle line of the rim. Every vertex is
// shared between the faces and the rim, so the whole slab is one smooth surface.
#pragma once

#include <vector>

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

void addRoundedSlab(AssetMesh* mesh, const std::vector<Vector3>& outline, const Vector3& normal,
                    float halfThickness, int rimSegments, float texelScale);

}  // namespace assets
