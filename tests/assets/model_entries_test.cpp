#include "tools/lib/assets/model_entries.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "saver/engine/model_file.h"

namespace {

using assets::modelRecipes;

modelfile::ParsedModel encodeAndParse(const assets::ModelRecipe& recipe, int level) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(assets::encodeAssetModel(recipe.build(level), recipe.objectName, recipe.look, &bytes, &error)) << error;
    modelfile::ParsedModel parsed;
    EXPECT_TRUE(modelfile::parseModel(bytes.data(), bytes.size(), &parsed)) << recipe.baseName << level;
    return parsed;
}

float farthest(const modelfile::ParsedMesh& mesh) {
    float r = 0;
    for (const Vector3& p : mesh.positions) r = std::max(r, length(p));
    return r;
}

TEST(AssetModelEntries, AreNamedByBaseNameAndLevel) {
    EXPECT_EQ(assets::modelEntryName("vorel01", 0), "vorel010.3d");
    EXPECT_EQ(assets::modelEntryName("vorel08", 2), "vorel082.3d");
    EXPECT_STREQ(modelRecipes()[0].baseName, "vorel01");
    EXPECT_STREQ(modelRecipes()[1].baseName, "vorel07");
    EXPECT_STREQ(modelRecipes()[2].baseName, "vorel08");
}

// What the saver's own model reader makes of every entry: one smooth-shaded, textured mesh whose
// faces all use the one material, at the intended size.
TEST(AssetModelEntries, ReadBackAsOneSmoothTexturedMeshOfTheIntendedSize) {
    float clusterRadius = 0;
    for (int level = 0; level < 3; ++level) {
        for (const auto& recipe : modelRecipes()) {
            const modelfile::ParsedModel m = encodeAndParse(recipe, level);
            ASSERT_EQ(m.materials.size(), 1u);
            ASSERT_EQ(m.meshes.size(), 1u);
            EXPECT_EQ(m.materials[0].texture, recipe.look.texture);
            const auto& mesh = m.meshes[0];
            EXPECT_NE(mesh.name.find("[S]"), std::string::npos);
            EXPECT_EQ(mesh.faceVertices.size(), mesh.texFaceIndices.size());
            EXPECT_TRUE(std::all_of(mesh.faceMaterials.begin(), mesh.faceMaterials.end(), [](int32_t k) { return k == 0; }));
            const float r = farthest(mesh);
            const std::string base = recipe.baseName;
            if (base == "vorel01") {
                EXPECT_NEAR(r, 66.0f, 0.01f);
            } else if (base == "vorel07") {
                clusterRadius = r;
            } else {
                EXPECT_LE(r, clusterRadius);
            }
        }
        EXPECT_NEAR(clusterRadius, 3000.0f, 0.5f);
    }
}

TEST(AssetModelEntries, TheNucleotideTexturesItselfWithTheFirstRedCausticFrame) {
    const auto& look = modelRecipes()[0].look;
    EXPECT_EQ(look.texture, "caust01.bmp");
    EXPECT_GE(look.diffuse[0], 250) << "white under the caustic light, which brings the colour";
}

TEST(AssetModelEntries, MeshesTooLargeForSixteenBitCountsAreRefused) {
    assets::AssetMesh big;
    for (int i = 0; i < 40000; ++i) big.addVertex(Vector3(float(i), 0, 0), Vector3(0, 0, 1), 0, 0);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(assets::encodeAssetModel(big, "big", modelRecipes()[0].look, &bytes, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
