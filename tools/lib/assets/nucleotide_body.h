// The nucleotide body "vorel01": a purine base (a six-ring fused with a five-ring), a sugar ring
// standing across the base's plane, and the phosphate ball, drawn as a plump, smooth molecule:
// the rings are rounded slabs, the bonds thick tubes, and from level 1 small side groups stand
// off the base and the phosphate. Centred on its bounding box and scaled so its farthest point is
// kNucleotideRadius from the origin (the saver takes the model's radius as the nucleotide size,
// at most 70).
//
// Levels 0, 1, 2 give about 200, 600 and 1500 triangles. The caustic frames are tileable: the
// slabs carry them flat (see rounded_slab.h), the tubes and balls wrap them a whole number of
// times around, so no seam shows on any part. One repeat covers about kNucleotideTexelScale
// units: a body shows one or two light cells across, big enough to read at a distance.
#pragma once

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

constexpr float kNucleotideRadius = 66.0f;
constexpr float kNucleotideTexelScale = 90.0f;

AssetMesh buildNucleotideBody(int level);

}  // namespace assets
