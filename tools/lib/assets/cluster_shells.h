// The two cluster shells, seen turning against each other around the helix and, far away, as the
// clusters of the fogged field. Both are open lattices in a thin layer of the sphere: every point
// of either lies between kShellInner and 1.0 times kClusterRadius from the centre, so a camera
// inside at 0.95 R or outside beyond R never meets a surface.
//
// "vorel07", the capsid: ring-shaped plates (twelve five-sided, the rest six-sided) around the
// points of a geodesic sphere, each a top and a bottom face (visible from either side), with rim
// walls at the finer levels. Its plates reach exactly kClusterRadius, which makes it the model
// that sets the cluster radius. Texture: "capsid07.bmp", u one repeat per plate side, v from the
// outer rim (0) to the inner rim (1).
//
// "vorel08", the cage: flat ribbons along great circles of the icosahedral symmetry (6, then 16,
// then 31 circles), top and bottom faces. Texture: "cage08.bmp", u along the ribbon, v across it.
//
// Levels 0, 1, 2 give about 1000, 3000 and 8000 triangles per shell.
#pragma once

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

constexpr float kClusterRadius = 3000.0f;
constexpr float kShellInner = 0.985f;

AssetMesh buildCapsidShell(int level);
AssetMesh buildStrutCage(int level);

}  // namespace assets
