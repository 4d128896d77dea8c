// The scene's rules: the build, the two views, the dispatch and the render pass's states.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "common/settings.h"
#include "platform/ddraw/frame_trace.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene.h"
#include "saver/scene/scene_models.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_model.h"

namespace {

struct SceneTest : ::testing::Test {
    RecordingDevice device;
    Scene scene;
    std::array<RecordingModel*, 8> models{};

    void SetUp() override {
        g_settings = Settings{};
        seedRandom(21);
        scene.build(nullptr);  // no archive: every template is empty
        // Stand-ins that record where and with which states they are drawn.
        deleteModelTemplates();
        for (auto*& m : models) {
            m = new RecordingModel;
            modelTemplates().add(m);
        }
        scene.device = &device;
    }
    void TearDown() override {
        deleteModelTemplates();
        clearAnimatedTextures();
        g_settings = Settings{};
    }
    int32_t countFree() const {
        int32_t n = 0;
        for (int32_t i = 0; i < scene.nucleotides.count; ++i) n += scene.nucleotide(i)->free;
        return n;
    }
};

TEST_F(SceneTest, BuildMakesTheStorysObjectsWithDefaultSizesWhenModelsAreMissing) {
    EXPECT_EQ(scene.nucleotides.count, 80);
    EXPECT_EQ(scene.helices.count, 2);
    ASSERT_NE(scene.centralCluster, nullptr);
    EXPECT_EQ(scene.clusters.count, 0);
    EXPECT_FLOAT_EQ(nucleotideLinks().size, 70.0f);
    EXPECT_FLOAT_EQ(scene.clusterRadius(), 3000.0f);
    EXPECT_EQ(animatedTextures().count, 4);
    const NucleotideObject* n = scene.nucleotide(5);
    EXPECT_EQ(n->active, 1);
    EXPECT_EQ(n->stingState, 1);
    EXPECT_GE(n->position.z, 1000.0f);
    EXPECT_FLOAT_EQ(n->target.x, n->position.x + 100.0f);
    EXPECT_FLOAT_EQ(n->target.z, n->position.z - 100.0f);
}

TEST_F(SceneTest, DetailLevelOutsideTheRangeReadsLevelZero) {
    EXPECT_EQ(modelEntryName("vorel01", 1), "vorel011.3d");
    EXPECT_EQ(modelEntryName("vorel07", 2), "vorel072.3d");
    EXPECT_EQ(modelEntryName("vorel08", 3), "vorel080.3d");
    EXPECT_EQ(modelEntryName("vorel01", -5), "vorel010.3d");
}

TEST_F(SceneTest, OutsideViewLaysOutASortedFogboundFieldAroundTheLineOfSight) {
    scene.enterOutsideView();
    const float R = scene.clusterRadius();
    ASSERT_EQ(scene.clusters.count, 21);
    EXPECT_EQ(scene.centralInClusters, 1);
    EXPECT_NEAR(length(scene.centralCluster->position - scene.camera.eye), 35000.0f, 1.0f);
    bool centralListed = false;
    for (int32_t i = 0; i < scene.clusters.count; ++i) {
        const ClusterObject* c = scene.cluster(i);
        centralListed = centralListed || c == scene.centralCluster;
        if (i > 0) {
            EXPECT_LE(length(scene.cluster(i - 1)->position - scene.camera.eye), length(c->position - scene.camera.eye));
        }
        for (int32_t j = 0; j < i; ++j) EXPECT_GT(length(scene.cluster(j)->position - c->position), 2.5f * R);
        // Nothing sits on the line of flight (the camera looks along +z from z = -4000).
        if (c != scene.centralCluster) {
            EXPECT_GT(std::hypot(c->position.x, c->position.y), 2.0f * R);
        }
    }
    EXPECT_TRUE(centralListed);
    EXPECT_EQ(device.state(D3DRENDERSTATE_FOGENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_FLOAT_EQ(d3dStateToFloat(device.state(D3DRENDERSTATE_FOGSTART)), 30000.0f);
    EXPECT_FLOAT_EQ(d3dStateToFloat(device.state(D3DRENDERSTATE_FOGEND)), 49000.0f);
    EXPECT_EQ(device.state(D3DRENDERSTATE_AMBIENT), 0x99999999u);
    EXPECT_FALSE(device.lightEnabled[1]);
    for (int32_t i = 0; i < scene.nucleotides.count; ++i) EXPECT_EQ(scene.nucleotide(i)->active, 0);
    EXPECT_EQ(scene.helix(0)->active, 0);
}

TEST_F(SceneTest, InsideViewBuildsOneHelixAndScattersItsMissingHalfAroundIt) {
    scene.enterOutsideView();
    scene.enterInsideView();
    const float R = scene.clusterRadius();
    EXPECT_EQ(scene.clusters.count, 0);
    EXPECT_EQ(scene.centralInClusters, 0);
    EXPECT_FLOAT_EQ(scene.camera.eye.z, -0.98f * R);
    EXPECT_EQ(scene.helix(0)->active, 1);
    EXPECT_EQ(scene.helix(1)->active, 0);
    EXPECT_EQ(countFree(), 40);
    EXPECT_EQ(device.state(D3DRENDERSTATE_FOGENABLE), 0u);
    EXPECT_TRUE(device.lightEnabled[1]);
    const HelixController* h = scene.helix(0);
    const float a = std::max(h->length, 6 * h->radius), b = 1.5f * h->length, c = a / 2;
    int kindsHeld[4] = {}, kindsFree[4] = {};
    for (int32_t i = 0; i < scene.nucleotides.count; ++i) {
        const NucleotideObject* n = scene.nucleotide(i);
        EXPECT_EQ(n->active, 1);
        (n->free ? kindsFree : kindsHeld)[n->kind]++;
        if (!n->free) continue;
        const Vector3 p = n->position;
        EXPECT_LE(length(p), 0.8f * R + 0.5f);
        EXPECT_EQ(n->stingState, 0);
        // Scaled-back points may fall inside the ellipsoid; drawn points never do.
        if (length(p) < 0.8f * R - 0.5f) {
            EXPECT_GT(p.x * p.x / (a * a) + p.y * p.y / (b * b) + p.z * p.z / (c * c), 1.0f);
        }
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(kindsHeld[k], kindsFree[k]) << "kind " << k;
}

TEST_F(SceneTest, DispatchSendsAFreeNucleotideOfTheWantedKindToAnOpenPlace) {
    scene.enterInsideView();
    scene.dispatchNucleotide();  // the helix is full: no open place
    EXPECT_EQ(countFree(), 40);
    HelixSlot* place = scene.helix(0)->slotB(3);
    place->nucleotide->free = 1;  // it leaves, the place opens
    place->nucleotide = nullptr;
    place->empty = 1;
    for (int32_t i = 0; i < scene.nucleotides.count; ++i)
        if (scene.nucleotide(i)->kind == place->kind) scene.nucleotide(i)->free = 0;
    const int32_t before = countFree();
    scene.dispatchNucleotide();  // no free nucleotide of that kind
    EXPECT_EQ(countFree(), before);
    EXPECT_EQ(place->empty, 1);
    NucleotideObject* candidate = nullptr;
    for (int32_t i = 0; i < scene.nucleotides.count && !candidate; ++i)
        if (scene.nucleotide(i)->kind == place->kind) candidate = scene.nucleotide(i);
    ASSERT_NE(candidate, nullptr);
    candidate->free = 1;
    scene.dispatchNucleotide();
    EXPECT_EQ(candidate->slot, place);
    EXPECT_EQ(candidate->free, 0);
    EXPECT_EQ(place->empty, 0);
}

TEST_F(SceneTest, InactiveHelicesOfferNoPlaces) {
    scene.enterInsideView();
    HelixSlot* place = scene.helix(0)->slotA(0);
    place->nucleotide = nullptr;
    place->empty = 1;
    scene.helix(0)->active = 0;
    scene.dispatchNucleotide();
    EXPECT_EQ(place->empty, 1);
}

TEST_F(SceneTest, OpaqueNucleotidesWriteDepthAndClustersAlwaysBlend) {
    scene.enterOutsideView();
    scene.enterInsideView();
    scene.renderFrame(5000, &device);
    ASSERT_FALSE(models[0]->passes.empty() && models[1]->passes.empty() && models[2]->passes.empty());
    for (int k = 0; k < 4; ++k)
        for (const RecordedPass& p : models[k]->passes) {
            EXPECT_EQ(p.zWrite, 1u);
            EXPECT_EQ(p.alphaBlend, 0u);
        }
    // Inside: the central cluster's inside-out models, lit only by a strong ambient.
    ASSERT_EQ(models[4]->passes.size(), 1u);
    EXPECT_EQ(models[4]->passes[0].zWrite, 0u);
    EXPECT_EQ(models[4]->passes[0].alphaBlend, 1u);
    EXPECT_EQ(models[4]->passes[0].ambient, 0xCCCCCCCCu);
    EXPECT_EQ(device.state(D3DRENDERSTATE_AMBIENT), 0x22222222u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ZWRITEENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ALPHABLENDENABLE), 0u);
    EXPECT_TRUE(device.lightEnabled[0]);
}

TEST_F(SceneTest, TransparentNucleotidesBlendWithoutDepthWrites) {
    g_settings.transparencyOn = 1;
    scene.enterInsideView();
    scene.renderFrame(5000, &device);
    int passes = 0;
    for (int k = 0; k < 4; ++k)
        for (const RecordedPass& p : models[k]->passes) {
            EXPECT_EQ(p.zWrite, 0u);
            EXPECT_EQ(p.alphaBlend, 1u);
            ++passes;
        }
    EXPECT_GT(passes, 0);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ZWRITEENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ALPHABLENDENABLE), 0u);
}

TEST_F(SceneTest, OutsideNoNucleotideIsDrawnAndTheFieldIsFogged) {
    scene.enterOutsideView();
    scene.renderFrame(5000, &device);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(models[k]->passes.empty());
    EXPECT_EQ(models[6]->passes.size(), 21u);
    for (const RecordedPass& p : models[6]->passes) EXPECT_EQ(p.fog, 1u);
    EXPECT_TRUE(models[4]->passes.empty());
}

TEST_F(SceneTest, WhenEveryHelixWaitsTheDispatchStartsAndRunsEveryInterval) {
    scene.enterInsideView();
    scene.renderFrame(1000, &device);  // the first frame: its elapsed time is the whole count
    for (int32_t i = 0; i < scene.helices.count; ++i) scene.helix(i)->state = 7, scene.helix(i)->active = 1;
    HelixSlot* place = scene.helix(0)->slotA(0);
    place->nucleotide->free = 1;
    place->nucleotide = nullptr;
    place->empty = 1;
    scene.helix(1)->active = 0;
    scene.helix(1)->state = 7;
    for (int32_t i = 0; i < scene.nucleotides.count; ++i) scene.nucleotide(i)->stingState = 0;  // rungs in
    scene.renderFrame(1050, &device);
    EXPECT_EQ(scene.helix(0)->state, 8);
    EXPECT_EQ(scene.dispatchActive, 1);
    EXPECT_EQ(scene.dispatchCountdown, 1500 - 50);  // the starting frame already counts
    DWORD t = 1050;
    for (int i = 0; i < 29; ++i) scene.renderFrame(t += 50, &device);
    EXPECT_EQ(place->empty, 1);  // 1500 ms exactly: not yet below zero
    scene.renderFrame(t += 50, &device);
    EXPECT_EQ(place->empty, 0);
    EXPECT_EQ(scene.dispatchCountdown, 1500);
}

TEST_F(SceneTest, TheCameraEntersTheCentralClusterFromTheApproach) {
    scene.enterOutsideView();
    DWORD t = 1000;
    int frames = 0;
    while (scene.camera.state == 0 && frames < 20000) scene.renderFrame(t += 50, &device), ++frames;
    EXPECT_EQ(scene.camera.state, 1);
    EXPECT_EQ(scene.centralInClusters, 0);
    EXPECT_EQ(scene.clusters.count, 0);
    EXPECT_NEAR(frames, (35000 - 1.02f * 3000) / 100, 2);
}

}  // namespace

namespace {

TEST_F(SceneTest, EveryFramePublishesTheStorysStateForTheTrace) {
    scene.enterInsideView();
    scene.renderFrame(5000, &device);
    const std::string extra = platform::ddraw::traceExtra();
    EXPECT_NE(extra.find("\"camera\":1,\"view\":\"inside\""), std::string::npos) << extra;
    EXPECT_NE(extra.find("\"helices\":[1,0],\"open\":[0,0],\"nucleotides\":80"), std::string::npos) << extra;
    scene.enterOutsideView();
    scene.renderFrame(5050, &device);
    EXPECT_NE(std::string(platform::ddraw::traceExtra()).find("\"view\":\"outside\""), std::string::npos);
    platform::ddraw::setTraceExtra("");
}

}  // namespace
