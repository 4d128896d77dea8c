#include "saver/engine/model_object.h"

#include <gtest/gtest.h>

#include <cmath>

#include "saver/archive/current_archive.h"
#include "saver/engine/model_file.h"
#include "saver/engine/model_material.h"
#include "saver/engine/model_textures.h"
#include "tests/archive/scratch_dir.h"
#include "tests/support/recording_device.h"
#include "tools/lib/model_writer.h"
#include "tools/lib/pak_writer.h"

namespace {

using namespace modelfile;

class FakeTextures : public ModelTextureSource {
public:
    std::vector<std::string> names;
    int32_t textureIndexFor(const char* name) override {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int32_t>(i);
        names.push_back(name);
        return static_cast<int32_t>(names.size() - 1);
    }
    IDirectDrawSurface7* textureSurfaceAt(int32_t index) override { return surfaceFor(index); }
    static IDirectDrawSurface7* surfaceFor(int32_t index) {
        // Only compared, never called: a distinct made-up address per index.
        return reinterpret_cast<IDirectDrawSurface7*>(static_cast<uintptr_t>(0x1000 + 16 * index));
    }
};

MaterialSpec material(uint8_t r, uint8_t g, uint8_t b, const std::string& texture) {
    MaterialSpec m;
    m.ambient = {r, g, b};
    m.diffuse = {b, g, r};
    m.specular = {255, 255, 0};
    m.texture = texture;
    return m;
}

// A unit square in the xy plane, two faces, both of material `mat`, with texture coordinates.
MeshSpec square(const std::string& name, int16_t mat = 0) {
    MeshSpec m;
    m.name = name;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2}, {0, 2, 3}};
    m.faceMaterials = {mat, mat};
    m.texCoords = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    m.texFaces = {{0, 1, 2}, {0, 2, 3}};
    computeNormals(&m);
    m.normals[1] = {1, 0, 0};  // a vertex normal that differs from the face normal
    return m;
}

class ModelLoad : public ::testing::Test {
protected:
    ScratchDir dir;
    FakeTextures textures;
    std::vector<PakEntry> entries;
    std::unique_ptr<Archive> archive;
    ModelTextureSource* previousSource = nullptr;

    void SetUp() override {
        resetMaterialTable();
        previousSource = modelTextureSource();
        setModelTextureSource(&textures);
    }
    void TearDown() override {
        setCurrentArchive(nullptr);
        archive.reset();
        setModelTextureSource(previousSource);
        resetMaterialTable();
    }
    void addEntry(const std::string& name, const ModelSpec& model, bool allowInvalid = false) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(encodeModel(model, &bytes, &error, allowInvalid)) << error;
        entries.push_back({name, bytes});
    }
    void openArchive() {
        std::string error;
        ASSERT_TRUE(writePak(dir.path("models.pak"), entries, &error)) << error;
        archive = std::make_unique<Archive>(dir.path("models.pak").c_str());
        setCurrentArchive(archive.get());
    }
    std::unique_ptr<ModelObject> load(const ModelSpec& model, bool insideOut = false) {
        entries.clear();
        addEntry("m.3d", model);
        openArchive();
        auto object = std::make_unique<ModelObject>();
        object->insideOut = insideOut ? 1 : 0;
        object->load("m.3d");
        return object;
    }
    static const MeshGroup& group(const ModelObject& root, int child, int g) {
        return *root.childAt(child)->mesh->groupAt(g);
    }
};

TEST_F(ModelLoad, ReadsColourBytesAsByteOver256) {
    auto object = load({{material(255, 0, 128, "t.bmp")}, {square("sq")}});
    ModelMaterial* m = materialAt(0);
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->ambientColor.r, 0.99609375f);
    EXPECT_FLOAT_EQ(m->ambientColor.g, 0.0f);
    EXPECT_FLOAT_EQ(m->ambientColor.b, 0.5f);
    EXPECT_FLOAT_EQ(m->diffuseColor.r, 0.5f);
    EXPECT_FLOAT_EQ(m->d3dMaterial.diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(m->d3dMaterial.specular.r, 0.99609375f);
    EXPECT_FLOAT_EQ(m->d3dMaterial.specular.a, 0.0f);
    EXPECT_FLOAT_EQ(m->d3dMaterial.power, 10.0f);
    EXPECT_FLOAT_EQ(m->d3dMaterial.emissive.r, 0.0f);
    EXPECT_EQ(m->textureIndex, 0);
    EXPECT_EQ(textures.names, std::vector<std::string>{"t.bmp"});
}

TEST_F(ModelLoad, GivesTexturelessMaterialsIndexMinusOneAndZeroCoordinates) {
    auto object = load({{material(10, 20, 30, "")}, {square("sq")}});
    EXPECT_EQ(materialAt(0)->textureIndex, -1);
    EXPECT_TRUE(textures.names.empty());
    for (const ModelVertex& v : group(*object, 0, 0).vertices) {
        EXPECT_EQ(v.tu, 0.0f);
        EXPECT_EQ(v.tv, 0.0f);
    }
}

TEST_F(ModelLoad, TakesTextureCoordinatesFromTheTextureFaces) {
    auto object = load({{material(1, 1, 1, "t.bmp")}, {square("sq")}});
    const MeshGroup& g = group(*object, 0, 0);
    ASSERT_EQ(g.vertexCount, 6);
    EXPECT_EQ(g.vertices[1].tu, 1.0f);  // face 0, corner 1 -> texture coordinate 1
    EXPECT_EQ(g.vertices[1].tv, 1.0f);
    EXPECT_EQ(g.vertices[5].tu, 0.0f);  // face 1, corner 2 -> texture coordinate 3
    EXPECT_EQ(g.vertices[5].tv, 0.0f);
}

TEST_F(ModelLoad, ShadesSmoothOnlyWhenTheNameContainsTheMarker) {
    auto object = load({{material(1, 1, 1, "")}, {square("body[S]part"), square("flat[s]")}});
    const MeshGroup& smooth = group(*object, 0, 0);
    EXPECT_EQ(smooth.vertices[1].nx, 1.0f);  // vertex normal of vertex 1
    EXPECT_EQ(object->childAt(0)->mesh->smooth, 1);
    const MeshGroup& flat = group(*object, 1, 0);
    EXPECT_EQ(object->childAt(1)->mesh->smooth, 0);
    for (const ModelVertex& v : flat.vertices) {
        EXPECT_EQ(v.nx, 0.0f);
        EXPECT_FLOAT_EQ(std::fabs(v.nz), 1.0f);
    }
}

TEST_F(ModelLoad, ReversesCornersAndNegatesNormalsInsideOut) {
    auto normal = load({{material(1, 1, 1, "t.bmp")}, {square("sq")}});
    auto inside = load({{material(1, 1, 1, "t.bmp")}, {square("sq")}}, true);
    const MeshGroup& a = group(*normal, 0, 0);
    const MeshGroup& b = group(*inside, 0, 0);
    EXPECT_EQ(inside->childAt(0)->mesh->insideOut, 1);
    const int order[3] = {0, 2, 1};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(b.vertices[c].x, a.vertices[order[c]].x);
        EXPECT_EQ(b.vertices[c].y, a.vertices[order[c]].y);
        EXPECT_EQ(b.vertices[c].tu, a.vertices[order[c]].tu);
        EXPECT_EQ(b.vertices[c].nz, -a.vertices[order[c]].nz);
    }
}

TEST_F(ModelLoad, GroupsFacesPerMaterialInMaterialOrder) {
    MeshSpec m = square("sq");
    m.faceMaterials = {1, 0};
    auto object = load({{material(1, 1, 1, ""), material(2, 2, 2, ""), material(3, 3, 3, "")}, {m}});
    const ModelMesh& mesh = *object->childAt(0)->mesh;
    ASSERT_EQ(mesh.groups.count, 2);  // material 2 has no faces: no group
    EXPECT_EQ(mesh.groupAt(0)->materialIndex, 0);
    EXPECT_EQ(mesh.groupAt(0)->vertices[1].x, 1.0f);  // face 1 = (0, 2, 3): corner 1 is (1, 1)
    EXPECT_EQ(mesh.groupAt(0)->vertices[1].y, 1.0f);
    EXPECT_EQ(mesh.groupAt(1)->materialIndex, 1);
    EXPECT_EQ(mesh.groupAt(1)->vertices[1].y, 0.0f);  // face 0 = (0, 1, 2): corner 1 is (1, 0)
}

TEST_F(ModelLoad, SkipsRecordTypesOneToThreeAndNumbersChildrenByMeshes) {
    MeshSpec parent = square("parent");
    parent.children = {1};
    MeshSpec child = square("child");
    child.setTranslation({0, 0, 5});
    ModelSpec model{{material(1, 1, 1, "")},
                    {OtherRecord{1, {0}, "light"}, parent, OtherRecord{2, {}, "camera"}, OtherRecord{3, {1}, "x"},
                     child, OtherRecord{7, {}, ""}}};
    auto object = load(model);
    ASSERT_EQ(object->children.count, 1);
    ModelObject* p = object->childAt(0);
    EXPECT_EQ(p->name, "parent");
    ASSERT_EQ(p->children.count, 1);
    EXPECT_EQ(p->childAt(0)->name, "child");
    EXPECT_EQ(p->childAt(0)->localMatrix.m[3][2], 5.0f);
}

TEST_F(ModelLoad, ReadsOnlyTheTextureFaceCountWhenThereAreNoCoordinates) {
    MeshSpec a = square("a");
    a.texCoords.clear();
    a.texFaces = {{0, 1, 2}, {0, 2, 3}};  // the count is stored, the indices are not
    auto object = load({{material(1, 1, 1, "t.bmp")}, {a, square("b")}});
    ASSERT_EQ(object->children.count, 2);
    EXPECT_EQ(object->childAt(0)->mesh->texCoordCount, 0);
    EXPECT_EQ(object->childAt(0)->mesh->texFaceCount, 0);
    EXPECT_EQ(group(*object, 0, 0).vertices[1].tu, 0.0f);
    EXPECT_EQ(group(*object, 1, 0).vertices[1].tu, 1.0f);
}

TEST_F(ModelLoad, AppendsMaterialsAgainForEveryLoad) {
    const ModelSpec model{{material(1, 1, 1, "t.bmp"), material(2, 2, 2, "t.bmp")}, {square("sq", 1)}};
    auto first = load(model);
    ModelObject second;
    second.load("m.3d");
    EXPECT_EQ(materialTable().count, 4);
    EXPECT_EQ(group(*first, 0, 0).materialIndex, 1);
    EXPECT_EQ(group(second, 0, 0).materialIndex, 3);
    EXPECT_EQ(textures.names.size(), 1u);  // the name is registered once
}

TEST_F(ModelLoad, MeasuresTheFarthestPointOfTheTree) {
    MeshSpec parent = square("parent");
    parent.children = {1};
    parent.setTranslation({10, 0, 0});
    MeshSpec child = square("child");
    child.setTranslation({0, 0, 20});
    auto object = load({{material(1, 1, 1, "")}, {parent, child}});
    // The child's corner (1, 1, 20) is compared in the parent's space as returned: |(1,1,20)|.
    EXPECT_FLOAT_EQ(object->childAt(0)->childAt(0)->radius, std::sqrt(402.0f));
    EXPECT_FLOAT_EQ(object->childAt(0)->radius, std::sqrt(402.0f));
    EXPECT_FLOAT_EQ(object->radius, std::sqrt(402.0f));
    EXPECT_FLOAT_EQ(object->childAt(0)->mesh->radius, std::sqrt(2.0f));
}

TEST_F(ModelLoad, RejectsEveryTruncationWhole) {
    std::vector<uint8_t> bytes;
    std::string error;
    MeshSpec child = square("c");
    MeshSpec parent = square("p");
    parent.children = {1};
    ASSERT_TRUE(encodeModel({{material(1, 1, 1, "t.bmp")}, {parent, child}}, &bytes, &error));
    for (size_t n = 0; n < bytes.size(); ++n) {
        ParsedModel parsed;
        EXPECT_FALSE(parseModel(bytes.data(), n, &parsed)) << "prefix " << n;
    }
    ParsedModel parsed;
    EXPECT_TRUE(parseModel(bytes.data(), bytes.size(), &parsed));
}

TEST_F(ModelLoad, LeavesTheObjectEmptyForAnIndexOutOfRange) {
    MeshSpec bad = square("bad");
    bad.faces[1][2] = 4;
    entries.clear();
    addEntry("bad.3d", {{material(1, 1, 1, "t.bmp")}, {square("good"), bad}}, true);
    openArchive();
    ModelObject object;
    object.load("bad.3d");
    EXPECT_EQ(object.children.count, 0);
    EXPECT_EQ(object.radius, 0.0f);
    EXPECT_EQ(materialTable().count, 0);
    EXPECT_TRUE(textures.names.empty());
}

TEST_F(ModelLoad, RejectsMaterialTextureAndChildIndicesOutOfRange) {
    std::vector<MeshSpec> broken(5, square("m"));
    broken[0].faceMaterials[0] = 1;
    broken[1].faceMaterials[0] = -1;
    broken[2].texFaces[0][1] = 4;
    broken[3].children = {3};   // only one mesh: number 3 does not exist
    broken[4].texFaces.pop_back();  // a textured face without its texture face
    for (const MeshSpec& m : broken) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(encodeModel({{material(1, 1, 1, "t.bmp")}, {m}}, &bytes, &error, true)) << error;
        ParsedModel parsed;
        EXPECT_FALSE(parseModel(bytes.data(), bytes.size(), &parsed));
        EXPECT_NE(checkModel({{material(1, 1, 1, "t.bmp")}, {m}}), "");
    }
}

TEST_F(ModelLoad, RejectsChildLinksThatAreNotATree) {
    std::vector<std::vector<std::vector<int16_t>>> cases = {
        {{0}, {}},        // a mesh that is its own child
        {{1}, {0}},       // a cycle of two
        {{1}, {1}},       // one child with two parents
    };
    for (const auto& links : cases) {
        MeshSpec a = square("a"), b = square("b");
        a.children = links[0];
        b.children = links[1];
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(encodeModel({{material(1, 1, 1, "")}, {a, b}}, &bytes, &error, true));
        ParsedModel parsed;
        EXPECT_FALSE(parseModel(bytes.data(), bytes.size(), &parsed));
    }
}

TEST_F(ModelLoad, FallsBackToThePlainFileWhenTheArchiveLacksTheEntry) {
    entries.clear();
    addEntry("other.3d", {{material(1, 1, 1, "")}, {square("sq")}});
    openArchive();
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeModel({{material(1, 1, 1, "")}, {square("from-file")}}, &bytes, &error));
    const std::string file = dir.path("loose.3d");
    ScratchDir::write(file, bytes);
    ModelObject object;
    object.load(file.c_str());
    ASSERT_EQ(object.children.count, 1);
    EXPECT_EQ(object.childAt(0)->name, "from-file");
    EXPECT_EQ(object.name, file);
    ModelObject missing;
    missing.load(dir.path("nowhere.3d").c_str());
    EXPECT_EQ(missing.children.count, 0);
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

TEST_F(ModelLoad, DrawsOneTrianglelistPerGroupWithItsMaterialAndTexture) {
    MeshSpec m = square("sq");
    m.faceMaterials = {0, 1};
    m.setTranslation({0, 0, 3});
    auto object = load({{material(255, 0, 0, "a.bmp"), material(0, 255, 0, "")}, {m}});
    RecordingDevice device;
    object->renderTree(1000, translation({1, 2, 0}), &device);
    ASSERT_EQ(device.draws.size(), 2u);
    for (const auto& d : device.draws) {
        EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
        EXPECT_EQ(d.vertexFormat, 0x112u);
        EXPECT_EQ(d.vertices.size(), 3u);
        EXPECT_EQ(d.world.m[3][0], 1.0f);
        EXPECT_EQ(d.world.m[3][2], 3.0f);
    }
    EXPECT_EQ(device.draws[0].texture, FakeTextures::surfaceFor(0));
    EXPECT_FLOAT_EQ(device.draws[0].material.diffuse.b, 0.99609375f);  // diffuse is b, g, r of the helper
    EXPECT_EQ(device.draws[1].texture, nullptr);
    device.draws.clear();
    object->renderTreeTextured(1000, identity(), &device, 7);
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].texture, FakeTextures::surfaceFor(7));
    EXPECT_EQ(device.draws[1].texture, FakeTextures::surfaceFor(7));
    EXPECT_EQ(device.draws[0].world.m[3][0], 0.0f);
}

TEST(ModelObjectTree, AnEmptyObjectDrawsNothingAndMeasuresZero) {
    ModelObject object;
    RecordingDevice device;
    object.renderTree(0, identity(), &device);
    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(device.transforms.count(D3DTRANSFORMSTATE_WORLD), 0u);
    const Vector3 far = object.computeBounds();
    EXPECT_EQ(length(far), 0.0f);
    EXPECT_EQ(object.radius, 0.0f);
}

}  // namespace
