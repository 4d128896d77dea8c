// Expansion of a read mesh into per-material triangle lists in the device's vertex layout.
#include "saver/engine/model_mesh.h"

#include <cstddef>

#include "saver/engine/model_material.h"

namespace {

// One corner of face `face` (corner 0..2 in emission order) as a device vertex.
ModelVertex makeCorner(const ModelMesh& mesh, int32_t face, int corner, bool textured) {
    const int32_t vertex = mesh.faceVertices[3 * face + corner];
    const Vector3& p = mesh.positions[vertex];
    Vector3 n = mesh.smooth ? mesh.vertexNormals[vertex] : mesh.faceNormals[face];
    if (mesh.insideOut) n = -n;
    ModelVertex v{p.x, p.y, p.z, n.x, n.y, n.z, 0.0f, 0.0f};
    if (textured) {
        const TexCoord& uv = mesh.texCoords[mesh.texFaceIndices[3 * face + corner]];
        v.tu = uv.u;
        v.tv = uv.v;
    }
    return v;
}

}  // namespace

ModelMesh::~ModelMesh() { releaseGroups(); }

void ModelMesh::releaseGroups() {
    for (int32_t i = 0; i < groups.count; ++i) delete groupAt(i);
    groups.clear();
}

void ModelMesh::buildGroups(int32_t firstMaterial, int32_t materialCount) {
    // Inside-out meshes swap the last two corners so the winding (and the culled side) reverses.
    static constexpr int kCornersNormal[3] = {0, 1, 2};
    static constexpr int kCornersInsideOut[3] = {0, 2, 1};
    const int* corners = insideOut ? kCornersInsideOut : kCornersNormal;
    for (int32_t m = firstMaterial; m < firstMaterial + materialCount; ++m) {
        int32_t faces = 0;
        for (int32_t f = 0; f < faceCount; ++f) faces += faceMaterials[f] == m ? 1 : 0;
        if (faces == 0) continue;
        const ModelMaterial* material = materialAt(m);
        const bool textured = texCoordCount > 0 && material && material->textureIndex >= 0;
        auto* group = new MeshGroup;
        group->materialIndex = m;
        group->vertices.reserve(3 * static_cast<size_t>(faces));
        for (int32_t f = 0; f < faceCount; ++f) {
            if (faceMaterials[f] != m) continue;
            for (int c = 0; c < 3; ++c) group->vertices.push_back(makeCorner(*this, f, corners[c], textured));
        }
        group->vertexCount = static_cast<int32_t>(group->vertices.size());
        if (groups.add(group) < 0) delete group;
    }
    radius = 0.0f;
    for (const Vector3& p : positions) radius = larger(radius, length(p));
}
