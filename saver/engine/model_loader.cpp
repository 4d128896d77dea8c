// ModelObject::load: reads a ".3d" entry whole, checks it, then builds the tree.
//
// The entry is parsed into plain records first and every count and index is checked against the
// data before anything global changes; a file that fails any check leaves the object empty and
// adds nothing to the material table or the textures. Child numbers and the linking both use the
// creation order of the mesh records (records of other types take no number); a mesh may be
// named as a child only once, and child links may not form a cycle, so ownership stays a tree.
#include <fstream>
#include <iterator>

#include "saver/archive/current_archive.h"
#include "saver/engine/model_file.h"
#include "saver/engine/model_material.h"
#include "saver/engine/model_object.h"
#include "saver/engine/model_textures.h"

namespace {

// Largest entry the loader reads; far above any model the 16-bit counts can describe sensibly.
constexpr std::streamoff kMaxModelBytes = 64 << 20;

bool readWholeFile(const char* path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxModelBytes) return false;
    in.seekg(0, std::ios::beg);
    out->resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(out->data()), size);
    return static_cast<std::streamoff>(in.gcount()) == size;
}

// The entry's bytes: through the archive's temporary copy, else the name as a plain file.
bool readModelEntry(const char* entryName, std::vector<uint8_t>* out) {
    Archive* archive = currentArchive();
    const char* path = archive ? archive->extractToTemp(entryName) : nullptr;
    const bool ok = readWholeFile(path ? path : entryName, out);
    if (archive) archive->deleteTempFiles();
    return ok;
}

// Appends the file's materials to the table; returns the base position, or -1 when the table
// cannot hold them all (then nothing stays appended).
int32_t appendMaterials(const std::vector<modelfile::ParsedMaterial>& materials) {
    ObjectList& table = materialTable();
    const int32_t base = table.count;
    if (static_cast<int64_t>(base) + static_cast<int64_t>(materials.size()) > ObjectList::kMaxCapacity) return -1;
    ModelTextureSource* textures = modelTextureSource();
    for (const modelfile::ParsedMaterial& pm : materials) {
        const int32_t texture =
            !pm.texture.empty() && textures ? textures->textureIndexFor(pm.texture.c_str()) : -1;
        table.add(new ModelMaterial(ModelMaterial::fromBytes(pm.colourBytes, texture)));
    }
    return base;
}

ModelObject* makeMeshObject(modelfile::ParsedMesh& pm, int32_t insideOut, int32_t base, int32_t materialCount) {
    auto* object = new ModelObject;
    object->name = pm.name;
    object->localMatrix = pm.localMatrix;
    auto* mesh = new ModelMesh;
    mesh->insideOut = insideOut;
    mesh->smooth = pm.name.find("[S]") != std::string::npos ? 1 : 0;
    mesh->vertexCount = static_cast<int32_t>(pm.positions.size());
    mesh->positions = std::move(pm.positions);
    mesh->vertexNormals = std::move(pm.vertexNormals);
    mesh->faceCount = static_cast<int32_t>(pm.faceNormals.size());
    mesh->faceVertices = std::move(pm.faceVertices);
    mesh->faceNormals = std::move(pm.faceNormals);
    mesh->texCoordCount = static_cast<int32_t>(pm.texCoords.size());
    mesh->texCoords = std::move(pm.texCoords);
    mesh->texFaceCount = mesh->texCoordCount > 0 ? static_cast<int32_t>(pm.texFaceIndices.size() / 3) : 0;
    mesh->texFaceIndices = std::move(pm.texFaceIndices);
    mesh->faceMaterials.reserve(pm.faceMaterials.size());
    for (int32_t m : pm.faceMaterials) mesh->faceMaterials.push_back(base + m);
    mesh->buildGroups(base, materialCount);
    object->attachMesh(mesh);
    return object;
}

}  // namespace

void ModelObject::load(const char* entryName) {
    if (!entryName) return;
    name = entryName;
    std::vector<uint8_t> bytes;
    if (readModelEntry(entryName, &bytes)) loadFromBytes(bytes.data(), bytes.size());
}

bool ModelObject::loadFromBytes(const uint8_t* data, size_t size) {
    modelfile::ParsedModel model;
    if (!modelfile::parseModel(data, size, &model)) return false;
    const int32_t base = appendMaterials(model.materials);
    if (base < 0) return false;
    const auto materialCount = static_cast<int32_t>(model.materials.size());
    std::vector<ModelObject*> made;
    made.reserve(model.meshes.size());
    for (modelfile::ParsedMesh& pm : model.meshes) made.push_back(makeMeshObject(pm, insideOut, base, materialCount));
    std::vector<bool> isChild(made.size(), false);
    for (size_t j = 0; j < made.size(); ++j)
        for (int32_t k : model.meshes[j].children) made[j]->addChild(made[k]), isChild[k] = true;
    for (size_t j = 0; j < made.size(); ++j)
        if (!isChild[j]) addChild(made[j]);
    computeBounds();
    return true;
}
