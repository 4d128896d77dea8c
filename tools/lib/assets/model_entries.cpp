#include "tools/lib/assets/model_entries.h"

#include "tools/lib/assets/cluster_shells.h"
#include "tools/lib/assets/nucleotide_body.h"
#include "tools/lib/model_writer.h"

namespace assets {

const std::array<ModelRecipe, 3>& modelRecipes() {
    // The body is white under its caustic frames (the frames bring the colour); the shells glow
    // in their own colours: cool blue for the capsid, violet for the cage. The saver lights the
    // cluster around the helix by strong ambient light alone and the clusters outside by the
    // directional light, so the shells' ambient colours are kept low (a quiet cage around the
    // helix) and their diffuse colours high (lit clusters that hold their own in the fog).
    static const std::array<ModelRecipe, 3> recipes{{
        {"vorel01", "nucleotide [S]", {{255, 255, 255}, {255, 255, 255}, "caust01.bmp"}, buildNucleotideBody},
        {"vorel07", "capsid [S]", {{38, 80, 125}, {80, 150, 220}, "capsid07.bmp"}, buildCapsidShell},
        {"vorel08", "cage [S]", {{80, 45, 110}, {150, 85, 200}, "cage08.bmp"}, buildStrutCage},
    }};
    return recipes;
}

std::string modelEntryName(const char* baseName, int level) {
    return std::string(baseName) + std::to_string(level) + ".3d";
}

bool encodeAssetModel(const AssetMesh& mesh, const char* objectName, const MaterialLook& look,
                      std::vector<uint8_t>* out, std::string* error) {
    if (mesh.vertices.size() > 32767 || mesh.triangles.size() > 32767) {
        *error = std::string(objectName) + ": too many vertices or triangles for the model format";
        return false;
    }
    modelfile::MaterialSpec material;
    material.ambient = look.ambient;
    material.diffuse = look.diffuse;
    material.texture = look.texture;
    modelfile::MeshSpec m;
    m.name = objectName;
    for (const AssetVertex& v : mesh.vertices) {
        m.positions.push_back(v.position);
        m.normals.push_back(v.normal);
        m.texCoords.push_back({v.u, v.v});
    }
    for (const auto& t : mesh.triangles) {
        const std::array<int16_t, 3> face{static_cast<int16_t>(t[0]), static_cast<int16_t>(t[1]),
                                          static_cast<int16_t>(t[2])};
        m.faces.push_back(face);
        m.texFaces.push_back(face);
        m.faceNormals.push_back(normalize(faceNormal(mesh, t)));
        m.faceMaterials.push_back(0);
    }
    modelfile::ModelSpec model;
    model.materials.push_back(material);
    model.records.emplace_back(std::move(m));
    return modelfile::encodeModel(model, out, error);
}

}  // namespace assets
