// The cluster's counter-rotation and its choice between outside and inside-out models.
#include <gtest/gtest.h>

#include "saver/engine/cluster.h"
#include "tests/support/recording_model.h"

namespace {

RecordingModel* g_models[8];

struct ClusterTest : ::testing::Test {
    RecordingModel models[8];
    Vector3 eye{0, 0, -100000};
    void SetUp() override {
        seedRandom(5);
        for (int i = 0; i < 8; ++i) g_models[i] = &models[i];
        ClusterLinks& links = clusterLinks();
        links = {};
        links.radius = 3000.0f;
        links.eye = &eye;
        links.model = [](int32_t i) -> ModelObject* { return i >= 0 && i < 8 ? g_models[i] : nullptr; };
    }
    void TearDown() override { clusterLinks() = {}; }
};

TEST_F(ClusterTest, TwoHundredFramesTurnTheShellsOneRadianEachWay) {
    ClusterObject c;
    for (DWORD i = 0; i < 200; ++i) c.frame(1000 + 50 * i, nullptr);
    EXPECT_NEAR(c.spinAngle, 1.0f, 1e-4f);
    EXPECT_NEAR(c.counterSpinAngle, kTurn - 1.0f, 1e-4f);
}

TEST_F(ClusterTest, FromOutsideItDrawsTheOutsideModelsAroundItsPosition) {
    ClusterObject c;
    c.setPosition(100, 200, 300);
    c.frame(1000, nullptr);
    ASSERT_EQ(models[6].passes.size(), 1u);
    ASSERT_EQ(models[7].passes.size(), 1u);
    EXPECT_TRUE(models[4].passes.empty());
    Vector3 centre;
    transformPoint({0, 0, 0}, models[6].passes[0].parent, &centre);
    EXPECT_NEAR(centre.x, 100.0f, 1e-3f);
    EXPECT_NEAR(centre.z, 300.0f, 1e-3f);
    // The two shells turn in opposite senses: their matrices differ.
    EXPECT_NE(models[6].passes[0].parent.m[0][0] == models[7].passes[0].parent.m[0][0] &&
                  models[6].passes[0].parent.m[0][2] == models[7].passes[0].parent.m[0][2],
              true);
}

TEST_F(ClusterTest, AnEyeExactlyAtTheRadiusSeesTheInsideOutModels) {
    ClusterObject c;
    eye = {0, 0, -3000};
    EXPECT_TRUE(c.eyeInside());
    c.frame(1000, nullptr);
    EXPECT_EQ(models[4].passes.size(), 1u);
    EXPECT_EQ(models[5].passes.size(), 1u);
    EXPECT_TRUE(models[6].passes.empty());
    eye = {0, 0, -3000.5f};
    EXPECT_FALSE(c.eyeInside());
}

TEST_F(ClusterTest, SetPositionTiltsAndRestartsTheSpin) {
    ClusterObject c;
    c.spinAngle = 2.0f;
    c.setPosition(1, 2, 3);
    EXPECT_EQ(c.spinAngle, 0.0f);
    const Matrix4 expected = rotationX(c.tiltA) * rotationY(c.tiltB) * rotationZ(c.tiltC);
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(c.orientation.m[r][k], expected.m[r][k]);
}

TEST_F(ClusterTest, MissingModelsAreSkipped) {
    ClusterObject c;
    clusterLinks().model = [](int32_t) -> ModelObject* { return nullptr; };
    c.frame(1000, nullptr);
    EXPECT_EQ(c.lastTime, 1000u);
}

}  // namespace
