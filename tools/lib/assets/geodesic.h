// Geodesic spheres for the cluster shells: the icosahedron, its symmetry axes and its faces cut
// into frequency x frequency smaller triangles, with every point on the unit sphere.
#pragma once

#include <array>
#include <vector>

#include "saver/engine/math3d.h"

namespace assets {

struct Geodesic {
    std::vector<Vector3> points;               // unit vectors, no duplicates
    std::vector<std::array<int, 3>> faces;     // indices into points
    // For every point, the faces around it in order (turning one way about the point).
    std::vector<std::vector<int>> facesAround;
};

Geodesic makeGeodesic(int frequency);

// Unit axes of the icosahedron's rotations: 6 five-fold (through its vertices), 10 three-fold
// (through its face centres) and 15 two-fold (through its edge midpoints), one per opposite pair.
std::vector<Vector3> icosahedralAxes(int fold);

}  // namespace assets
