// ModelMaterial and the process-wide material table.
//
// Every material of every loaded model is appended to one table; faces name materials by their
// global position in it. Colours are floats 0..1 made from file bytes as byte / 256 (255 reads as
// 0.99609375). `textureIndex` is a position in the scene's texture store, or -1 for none.
// Records are owned by the table and live until the process ends (or resetMaterialTable, which
// only tests call, while no model that refers to the table is drawn).
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "platform/d3d/d3dtypes.h"

struct ModelMaterial {
    D3DCOLORVALUE ambientColor{0.0f, 0.0f, 0.0f, 1.0f};
    D3DCOLORVALUE diffuseColor{0.0f, 0.0f, 0.0f, 1.0f};
    D3DCOLORVALUE specularColor{0.0f, 0.0f, 0.0f, 1.0f};
    int32_t textureIndex = -1;
    D3DMATERIAL7 d3dMaterial{};  // what the device gets; see makeModelMaterial

    // Builds a record from the nine colour bytes of a model file (ambient, diffuse, specular rgb)
    // and a texture index; fills d3dMaterial (specular alpha 0, emissive 0, power 10).
    static ModelMaterial fromBytes(const uint8_t colourBytes[9], int32_t textureIndex);
};

// The table: an ObjectList of ModelMaterial*. Never null.
ObjectList& materialTable();
// The material at a global position, or null.
ModelMaterial* materialAt(int32_t position);
// Deletes every record and empties the table (tests only).
void resetMaterialTable();
