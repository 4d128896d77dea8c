// The nucleotide body "vorel01": a purine base (a six-ring fused with a five-ring), a sugar ring
// standing across the base's plane, and the phosphate ball, drawn as a smooth tube-and-ball
// molecule. Centred on its bounding sphere and scaled so its farthest point is kNucleotideRadius
// from the origin (the saver takes the model's radius as the nucleotide size, at most 70).
//
// Levels 0, 1, 2 give about 200, 600 and 1500 triangles. Texture coordinates wrap each tube and
// the ball a whole number of times with the tileable caustic frames (one repeat per
// kNucleotideTexelScale units), so no seam shows on any part.
#pragma once

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

constexpr float kNucleotideRadius = 66.0f;
constexpr float kNucleotideTexelScale = 55.0f;

AssetMesh buildNucleotideBody(int level);

}  // namespace assets
