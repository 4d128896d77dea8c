// The two cluster shells, seen turning against each other around the helix and, far away, as the
// clusters of the fogged field. Both are open lattices in a thin layer of the sphere: every point
// of either lies between kShellInner and 1.0 times kClusterRadius from the centre, so a camera
// inside at 0.95 R or outside beyond R never meets a surface.
//
// "vorel07", the capsid: plates (twelve five-sided, the rest six-sided) around the points of a
// geodesic sphere, each one flat polygon with a top and a bottom face (visible from either side).
// The plate picture "capsid07.bmp" (plate_atlas.h) draws the ring on it: glowing rim, dark band,
// faint inner rim and a black hole, which adds nothing when drawn additively. A plate is a fan
// from one corner where that stays in the layer, else from its middle, else (the big plates of
// level 0) a ring around the hole, which is then left out. Its plates reach exactly
// kClusterRadius, which makes it the model that sets the cluster radius.
//
// "vorel08", the cage: flat ribbons along great circles of the icosahedral symmetry (6, then 16,
// then 31 circles), top and bottom faces, each circle a polygon of 20 to 24 straight segments.
// Texture: "cage08.bmp", u along the ribbon, v across it.
//
// Levels 0, 1, 2 give about 1400, 2400 and 4400 triangles for both shells together: the field
// outside draws 21 clusters of two shells each, so the shells carry their detail in the pictures.
#pragma once

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

constexpr float kClusterRadius = 3000.0f;
constexpr float kShellInner = 0.985f;

AssetMesh buildCapsidShell(int level);
AssetMesh buildStrutCage(int level);

}  // namespace assets
