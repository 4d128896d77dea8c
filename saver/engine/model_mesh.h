// ModelMesh: one triangle mesh of a model object, as read from a ".3d" entry, plus its draw-ready
// per-material triangle lists (MeshGroup).
//
// Arrays are owned std::vectors sized by their counts (vertexCount, faceCount, ...), so a count
// and its array never disagree. Face and texture-face indices have been checked against their
// arrays when the mesh was read. `groups` holds owned MeshGroup records in material order; each
// group is an unindexed triangle list (three ModelVertex per face) in the device's 0x112 layout.
// Winding: with `insideOut` the corners run 0, 2, 1 and every normal is negated.
#pragma once

#include <cstdint>
#include <vector>

#include "common/object_list.h"
#include "platform/d3d/d3dtypes.h"
#include "saver/engine/math3d.h"

using ModelVertex = D3DVERTEX;  // x, y, z, nx, ny, nz, tu, tv (32 bytes, vertex format 0x112)

struct MeshGroup {
    std::vector<ModelVertex> vertices;  // 3 per face, in face order
    int32_t vertexCount = 0;            // vertices.size()
    int32_t materialIndex = 0;          // global position in the material table
};

struct TexCoord {
    float u, v;
};

struct ModelMesh {
    int32_t vertexCount = 0;
    std::vector<Vector3> positions;
    std::vector<Vector3> vertexNormals;  // unit length (zero stays zero)
    int32_t faceCount = 0;
    std::vector<int32_t> faceVertices;  // 3 per face
    std::vector<Vector3> faceNormals;   // unit length (zero stays zero)
    int32_t texCoordCount = 0;
    std::vector<TexCoord> texCoords;
    int32_t texFaceCount = 0;             // 0 when texCoordCount is 0
    std::vector<int32_t> texFaceIndices;  // 3 per texture face
    std::vector<int32_t> faceMaterials;   // global material positions, one per face
    int32_t insideOut = 0;
    int32_t smooth = 0;  // the object's name contains "[S]"
    ObjectList groups;   // MeshGroup*, owned
    float radius = 0.0f; // farthest position from the mesh origin

    ModelMesh() = default;
    ~ModelMesh();
    ModelMesh(const ModelMesh&) = delete;
    ModelMesh& operator=(const ModelMesh&) = delete;

    // Builds one group per material in [firstMaterial, firstMaterial + materialCount) that has
    // faces, then sets radius. Faces whose texture face is missing get (0, 0) coordinates.
    void buildGroups(int32_t firstMaterial, int32_t materialCount);
    void releaseGroups();
    MeshGroup* groupAt(int32_t index) const { return groups.at<MeshGroup>(index); }
};
