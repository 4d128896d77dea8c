// Parser of ".3d" model entries into plain records, with every count and index checked.
//
// Format (little-endian; counts and indices are i16 widened with their sign, a negative count
// meaning none; strings are an i16 length including the terminating zero, no bytes when <= 0):
//   material block: i16 M; M x (ambient rgb, diffuse rgb, specular rgb as u8; texture name string)
//   i16 N records, each starting with an i16 type:
//     0 mesh: name; i16 K + K child numbers; 12 f32 (rows 0..3, three columns); i16 V, V positions,
//       V vertex normals (3 f32 each, normalised here); i16 F, 3F vertex indices, F face normals
//       (normalised here); an unused i16, F material numbers; i16 T, T (u, v) pairs; i16 texture
//       face count, followed by 3 x that count indices only when T > 0
//     1, 2: child list, name, 15 f32 (discarded)   3: child list, name, 3 f32 (discarded)
//     other: nothing follows
// parseModel returns false, leaving `out` unspecified, for truncated data, a vertex, material,
// texture or child index out of range, a textured face without its texture face, a mesh named as
// a child twice, child links that form a cycle, or a chain of more than kMaxTreeDepth meshes. Child numbers count mesh records only. Bytes
// after the last record are ignored. Reads never go past `size`; memory stays proportional to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/engine/math3d.h"
#include "saver/engine/model_mesh.h"

namespace modelfile {

constexpr int32_t kMaxTreeDepth = 64;

struct ParsedMaterial {
    uint8_t colourBytes[9];  // ambient, diffuse, specular rgb
    std::string texture;     // "" for none
};

struct ParsedMesh {
    std::string name;
    std::vector<int32_t> children;  // creation-order numbers of mesh records
    Matrix4 localMatrix;
    std::vector<Vector3> positions;
    std::vector<Vector3> vertexNormals;
    std::vector<int32_t> faceVertices;  // 3 per face
    std::vector<Vector3> faceNormals;
    std::vector<int32_t> faceMaterials;  // relative to the file's block
    std::vector<TexCoord> texCoords;
    std::vector<int32_t> texFaceIndices;  // 3 per texture face; empty when there are no texCoords
};

struct ParsedModel {
    std::vector<ParsedMaterial> materials;
    std::vector<ParsedMesh> meshes;  // creation order
};

bool parseModel(const uint8_t* data, size_t size, ParsedModel* out);

}  // namespace modelfile
