// Writer of ".3d" model entries (the format the saver's model reader takes).
//
// Layout (little-endian; every count and index is a signed 16-bit integer; strings are an i16
// length that includes the terminating zero, then the bytes): material block (count, then per
// material ambient/diffuse/specular rgb bytes and a texture name, "" for none), record count, then
// records. A mesh record (type 0) holds name, child list, 4x3 matrix (rows 0..3, row 3 the
// translation), positions, vertex normals, faces, face normals, an unused i16 (written 0) and the
// per-face material numbers (relative to this file's block), texture coordinates and texture faces.
// Records of type 1..3 carry a child list, a name and floats that the reader discards.
//
// encodeModel refuses (returns false and says why) what the format cannot hold (counts or string
// lengths above 32767) and, unless `allowInvalid` is set, models the reader would reject (indices
// out of range, array sizes that disagree with each other). Tests set allowInvalid to build broken
// fixtures on purpose.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "saver/engine/math3d.h"

namespace modelfile {

struct MaterialSpec {
    std::array<uint8_t, 3> ambient{0, 0, 0};
    std::array<uint8_t, 3> diffuse{0, 0, 0};
    std::array<uint8_t, 3> specular{0, 0, 0};
    std::string texture;  // "" for none
};

struct MeshSpec {
    std::string name;                 // "[S]" anywhere in it asks for smooth shading
    std::vector<int16_t> children;    // creation-order numbers of this file's mesh records
    float matrix[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;     // one per position
    std::vector<std::array<int16_t, 3>> faces;
    std::vector<Vector3> faceNormals; // one per face
    std::vector<int16_t> faceMaterials;  // one per face, relative to the file's material block
    std::vector<std::array<float, 2>> texCoords;
    std::vector<std::array<int16_t, 3>> texFaces;  // written only when texCoords is not empty

    void setTranslation(const Vector3& t) { matrix[3][0] = t.x, matrix[3][1] = t.y, matrix[3][2] = t.z; }
};

// A record the reader reads and discards (types 1, 2 and 3), or an unknown type (nothing follows).
struct OtherRecord {
    int16_t type = 1;
    std::vector<int16_t> children;
    std::string name;
};

using RecordSpec = std::variant<MeshSpec, OtherRecord>;

struct ModelSpec {
    std::vector<MaterialSpec> materials;
    std::vector<RecordSpec> records;
};

// Checks what the reader checks; "" when the model is valid, else the first problem.
std::string checkModel(const ModelSpec& model);

bool encodeModel(const ModelSpec& model, std::vector<uint8_t>* out, std::string* error,
                 bool allowInvalid = false);
bool writeModelFile(const std::string& path, const ModelSpec& model, std::string* error);

// Flat normals for every face of a mesh (from its corner positions) and, for smooth meshes,
// area-weighted vertex normals; handy for generated geometry.
void computeNormals(MeshSpec* mesh);

}  // namespace modelfile
