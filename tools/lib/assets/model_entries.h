// The ".3d" entries of the data set: each generated mesh becomes one mesh object with one
// textured material, encoded with the tools' model writer.
//
// Entry names: base name + detail level digit + ".3d" (vorel010.3d ... vorel082.3d), as the saver
// asks for them. Material colours are bytes (the reader divides by 256). encodeAssetModel fails
// (returns false and says why) only when the mesh is too large for the format's 16-bit counts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/lib/assets/asset_mesh.h"

namespace assets {

struct MaterialLook {
    std::array<uint8_t, 3> ambient;
    std::array<uint8_t, 3> diffuse;
    std::string texture;  // archive entry name of the texture
};

struct ModelRecipe {
    const char* baseName;    // "vorel01", "vorel07", "vorel08"
    const char* objectName;  // "[S]" in it asks the saver for smooth shading
    MaterialLook look;
    AssetMesh (*build)(int level);
};

// The three models of the data set, in the order the saver loads them.
const std::array<ModelRecipe, 3>& modelRecipes();

std::string modelEntryName(const char* baseName, int level);

bool encodeAssetModel(const AssetMesh& mesh, const char* objectName, const MaterialLook& look,
                      std::vector<uint8_t>* out, std::string* error);

}  // namespace assets
