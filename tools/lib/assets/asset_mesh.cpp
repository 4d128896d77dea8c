#include "tools/lib/assets/asset_mesh.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Whole repeats of the picture over `length`, at least one.
int repeatsOver(float length, float texelScale) {
    return std::max(1, static_cast<int>(std::lround(length / texelScale)));
}


// Frames carried along the path without twisting; a closed path spreads the mismatch that is left
// when the frame comes round again evenly over its length, so the tube closes without a kink.
std::vector<Vector3> transportedNormals(const std::vector<Vector3>& tangents, bool closed) {
    std::vector<Vector3> normals(tangents.size());
    normals[0] = anyPerpendicular(tangents[0]);
    for (size_t i = 1; i < tangents.size(); ++i) {
        Vector3 n = normals[i - 1] - tangents[i] * dot(normals[i - 1], tangents[i]);
        normals[i] = squaredLength(n) > 1e-12f ? normalize(n) : anyPerpendicular(tangents[i]);
    }
    if (!closed) return normals;
    Vector3 back = normals.back() - tangents[0] * dot(normals.back(), tangents[0]);
    back = normalize(back);
    const float mismatch = std::atan2(dot(cross(back, normals[0]), tangents[0]), dot(back, normals[0]));
    for (size_t i = 1; i < tangents.size(); ++i) {
        const float a = mismatch * static_cast<float>(i) / static_cast<float>(tangents.size());
        const Vector3 b = cross(tangents[i], normals[i]);
        normals[i] = normals[i] * std::cos(a) + b * std::sin(a);
    }
    return normals;
}

}  // namespace

Vector3 anyPerpendicular(const Vector3& t) {
    Vector3 helper = std::fabs(t.x) < 0.9f ? Vector3(1, 0, 0) : Vector3(0, 1, 0);
    return normalize(cross(t, helper));
}

std::vector<Vector3> pathTangents(const std::vector<Vector3>& path, bool closed) {
    const size_t n = path.size();
    std::vector<Vector3> tangents(n);
    for (size_t i = 0; i < n; ++i) {
        size_t prev = i == 0 ? (closed ? n - 1 : 0) : i - 1;
        size_t next = i + 1 == n ? (closed ? 0 : n - 1) : i + 1;
        tangents[i] = normalize(path[next] - path[prev]);
    }
    return tangents;
}

int AssetMesh::addVertex(const Vector3& position, const Vector3& normal, float u, float v) {
    vertices.push_back({position, normalize(normal), u, v});
    return static_cast<int>(vertices.size()) - 1;
}

void AssetMesh::addTriangle(int a, int b, int c) {
    const Vector3 n = cross(vertices[b].position - vertices[a].position,
                            vertices[c].position - vertices[a].position);
    if (squaredLength(n) <= 0.0f) return;  // a sliver of zero area shows nothing
    const Vector3 corners = vertices[a].normal + vertices[b].normal + vertices[c].normal;
    if (dot(n, corners) < 0.0f) std::swap(b, c);
    triangles.push_back({a, b, c});
}

void AssetMesh::addQuad(int a, int b, int c, int d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void AssetMesh::append(const AssetMesh& other) {
    const int base = static_cast<int>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (const auto& t : other.triangles) triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
}

float AssetMesh::radius() const {
    float r = 0.0f;
    for (const auto& v : vertices) r = std::max(r, length(v.position));
    return r;
}

void AssetMesh::translateThenScale(const Vector3& offset, float scale) {
    for (auto& v : vertices) v.position = (v.position + offset) * scale;
}

Vector3 faceNormal(const AssetMesh& mesh, const std::array<int, 3>& t) {
    const Vector3& a = mesh.vertices[t[0]].position;
    return cross(mesh.vertices[t[1]].position - a, mesh.vertices[t[2]].position - a);
}

void addTube(AssetMesh* mesh, const std::vector<Vector3>& path, bool closed, float radius, int sides,
             float texelScale) {
    if (path.size() < 2 || sides < 3) return;
    const std::vector<Vector3> tangents = pathTangents(path, closed);
    const std::vector<Vector3> normals = transportedNormals(tangents, closed);
    const size_t rings = closed ? path.size() + 1 : path.size();
    std::vector<float> along(rings, 0.0f);
    for (size_t i = 1; i < rings; ++i) along[i] = along[i - 1] + length(path[i % path.size()] - path[i - 1]);
    const float vScale = closed ? static_cast<float>(repeatsOver(along.back(), texelScale)) / along.back()
                                : 1.0f / texelScale;
    const float uRepeats = static_cast<float>(repeatsOver(static_cast<float>(kTwoPi) * radius, texelScale));
    const int first = static_cast<int>(mesh->vertices.size());
    for (size_t i = 0; i < rings; ++i) {
        const size_t p = i % path.size();
        const Vector3 b = cross(tangents[p], normals[p]);
        for (int j = 0; j <= sides; ++j) {
            const double a = kTwoPi * j / sides;
            const Vector3 dir = normals[p] * static_cast<float>(std::cos(a)) + b * static_cast<float>(std::sin(a));
            mesh->addVertex(path[p] + dir * radius, dir, uRepeats * static_cast<float>(j) / static_cast<float>(sides),
                            along[i] * vScale);
        }
    }
    const int stride = sides + 1;
    for (size_t i = 0; i + 1 < rings; ++i) {
        const int row = first + static_cast<int>(i) * stride;
        for (int j = 0; j < sides; ++j) mesh->addQuad(row + j, row + j + 1, row + stride + j + 1, row + stride + j);
    }
}

void addSphere(AssetMesh* mesh, const Vector3& centre, float radius, const Vector3& axis, int slices,
               int stacks, float texelScale) {
    if (slices < 3 || stacks < 2) return;
    const Vector3 a = normalize(axis);
    const Vector3 e1 = anyPerpendicular(a);
    const Vector3 e2 = cross(a, e1);
    const float uRepeats = static_cast<float>(repeatsOver(static_cast<float>(kTwoPi) * radius, texelScale));
    const int first = static_cast<int>(mesh->vertices.size());
    for (int i = 0; i <= stacks; ++i) {
        const double theta = kTwoPi * 0.5 * i / stacks;
        for (int j = 0; j <= slices; ++j) {
            // The pole vertices sit half a slice over, so their fan covers the picture evenly.
            const double ju = (i == 0 || i == stacks) ? j + 0.5 : j;
            const double phi = kTwoPi * j / slices;
            const Vector3 ring = e1 * static_cast<float>(std::cos(phi)) + e2 * static_cast<float>(std::sin(phi));
            const Vector3 dir = a * static_cast<float>(std::cos(theta)) + ring * static_cast<float>(std::sin(theta));
            mesh->addVertex(centre + dir * radius, dir, uRepeats * static_cast<float>(ju / slices),
                            static_cast<float>(theta) * radius / texelScale);
        }
    }
    const int stride = slices + 1;
    for (int i = 0; i < stacks; ++i) {
        const int row = first + i * stride;
        for (int j = 0; j < slices; ++j) {
            if (i > 0) mesh->addTriangle(row + j, row + j + 1, row + stride + j);
            if (i + 1 < stacks) mesh->addTriangle(row + j + 1, row + stride + j + 1, row + stride + j);
        }
    }
}

std::vector<Vector3> roundedPolygon(const std::vector<Vector3>& corners, float cornerRadius,
                                    int cornerPoints, int edgePoints) {
    std::vector<Vector3> path;
    const size_t n = corners.size();
    for (size_t k = 0; k < n; ++k) {
        const Vector3& c = corners[k];
        const Vector3 in = c + normalize(corners[(k + n - 1) % n] - c) * cornerRadius;
        const Vector3 out = c + normalize(corners[(k + 1) % n] - c) * cornerRadius;
        // The corner is a quadratic curve from `in` to `out` pulled towards the corner itself.
        for (int i = 0; i < cornerPoints; ++i) {
            const float t = cornerPoints == 1 ? 0.5f : static_cast<float>(i) / static_cast<float>(cornerPoints - 1);
            path.push_back(in * ((1 - t) * (1 - t)) + c * (2 * t * (1 - t)) + out * (t * t));
        }
        const Vector3 nextIn = corners[(k + 1) % n] + normalize(c - corners[(k + 1) % n]) * cornerRadius;
        for (int i = 1; i <= edgePoints; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(edgePoints + 1);
            path.push_back(out * (1 - t) + nextIn * t);
        }
    }
    return path;
}

}  // namespace assets
