// The material table and the conversion of file colour bytes.
#include "saver/engine/model_material.h"

#include "saver/engine/model_textures.h"

namespace {

ObjectList& table() {
    static ObjectList materials;  // lives until exit; records are never freed before then
    return materials;
}

ModelTextureSource* g_textureSource = nullptr;

D3DCOLORVALUE colourFromBytes(const uint8_t* rgb) {
    return {rgb[0] / 256.0f, rgb[1] / 256.0f, rgb[2] / 256.0f, 1.0f};
}

}  // namespace

ModelMaterial ModelMaterial::fromBytes(const uint8_t colourBytes[9], int32_t textureIndex) {
    ModelMaterial m;
    m.ambientColor = colourFromBytes(colourBytes);
    m.diffuseColor = colourFromBytes(colourBytes + 3);
    m.specularColor = colourFromBytes(colourBytes + 6);
    m.textureIndex = textureIndex;
    m.d3dMaterial.diffuse = m.diffuseColor;
    m.d3dMaterial.ambient = m.ambientColor;
    m.d3dMaterial.specular = m.specularColor;
    m.d3dMaterial.specular.a = 0.0f;
    m.d3dMaterial.emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    m.d3dMaterial.power = 10.0f;
    return m;
}

ObjectList& materialTable() { return table(); }

ModelMaterial* materialAt(int32_t position) { return table().at<ModelMaterial>(position); }

void resetMaterialTable() {
    ObjectList& t = table();
    for (int32_t i = 0; i < t.count; ++i) delete t.at<ModelMaterial>(i);
    t.clear();
}

void setModelTextureSource(ModelTextureSource* source) { g_textureSource = source; }

ModelTextureSource* modelTextureSource() { return g_textureSource; }
