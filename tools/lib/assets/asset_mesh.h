// In-memory triangle mesh of the asset generators, and the primitives the models are built from.
//
// Units are model units (the saver's world units). Every vertex carries its own position, unit
// normal and texture coordinates, so a texture seam is made by giving two vertices the same
// position and different coordinates. Triangles are stored front face first: seen from the side
// their normals point to, their corners run clockwise on screen, which is what the device keeps
// (it drops counter-clockwise triangles). The builders orient every triangle by the normals of its
// corners, so callers never think about winding.
//
// Texture coordinates of the primitives are laid out for tileable pictures: around a tube or a
// sphere the picture repeats a whole number of times and along a closed path too, so no seam shows;
// `texelScale` is the model length that one repeat of the picture covers.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "saver/engine/math3d.h"

namespace assets {

struct AssetVertex {
    Vector3 position;
    Vector3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

struct AssetMesh {
    std::vector<AssetVertex> vertices;
    std::vector<std::array<int, 3>> triangles;

    int addVertex(const Vector3& position, const Vector3& normal, float u, float v);
    // Adds the triangle, swapping two corners when its face normal disagrees with its corners'.
    void addTriangle(int a, int b, int c);
    // Two triangles over the quad a-b-c-d (corners in order around it).
    void addQuad(int a, int b, int c, int d);
    void append(const AssetMesh& other);
    size_t triangleCount() const { return triangles.size(); }
    // Largest distance of any vertex from the origin.
    float radius() const;
    // Moves every vertex by `offset` and scales about the origin afterwards.
    void translateThenScale(const Vector3& offset, float scale);
};

// Unnormalised face normal, cross(b - a, c - a): it points to the side the triangle faces.
Vector3 faceNormal(const AssetMesh& mesh, const std::array<int, 3>& t);

// Unit tangents of a path: at each point the direction from its previous to its next point (an
// open path's ends use the end point itself in place of the missing neighbour).
std::vector<Vector3> pathTangents(const std::vector<Vector3>& path, bool closed);

// A unit vector perpendicular to t (t need not be unit length, only not zero).
Vector3 anyPerpendicular(const Vector3& t);

// A tube of `radius` along `path` (at least two points). Open tubes have no caps: their ends are
// meant to be buried in other parts. A closed tube joins its last point back to the first.
void addTube(AssetMesh* mesh, const std::vector<Vector3>& path, bool closed, float radius, int sides,
             float texelScale);

// A sphere whose poles lie on `axis` (through the centre).
void addSphere(AssetMesh* mesh, const Vector3& centre, float radius, const Vector3& axis, int slices,
               int stacks, float texelScale);

// The outline of a convex polygon with rounded corners, as a closed path: `cornerPoints` points on
// each corner arc of radius `cornerRadius` and `edgePoints` further points inside each edge.
std::vector<Vector3> roundedPolygon(const std::vector<Vector3>& corners, float cornerRadius,
                                    int cornerPoints, int edgePoints);

}  // namespace assets
