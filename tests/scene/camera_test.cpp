// The camera's flight: steps, the switches between views, the orbit and when it may be left.
#include <gtest/gtest.h>

#include <cmath>

#include "saver/scene/camera.h"
#include "tests/support/recording_device.h"

namespace {

constexpr float R = 3000.0f;

struct FakeStage : CameraStage {
    int inside = 0, outside = 0;
    float clusterRadius() const override { return R; }
    Vector3 centralClusterPosition() const override { return {}; }
    void enterInsideView() override { ++inside; }
    void enterOutsideView() override { ++outside; }
};

struct CameraTest : ::testing::Test {
    FakeStage stage;
    SceneCamera camera;
    void SetUp() override {
        seedRandom(7);
        camera.stage = &stage;
    }
    // Runs the camera in 50 ms steps starting at `start`; returns the time after the last step.
    uint32_t run(uint32_t start, int steps) {
        for (int i = 0; i < steps; ++i) camera.update(start + 50u * static_cast<uint32_t>(i), nullptr);
        return start + 50u * static_cast<uint32_t>(steps);
    }
};

TEST_F(CameraTest, FirstUpdateMovesOneUnitStepTowardsTheTarget) {
    camera.update(123456, nullptr);
    EXPECT_FLOAT_EQ(camera.eye.z, -3900.0f);
    EXPECT_FLOAT_EQ(camera.target.z, 100.0f);
    EXPECT_EQ(camera.lastUpdateTime, 123456u);
}

TEST_F(CameraTest, ALongPauseGivesOneLargeStep) {
    camera.eye = {0, 0, -40000};
    camera.update(1000, nullptr);
    camera.update(1000 + 5000, nullptr);  // 100 units of time
    EXPECT_FLOAT_EQ(camera.eye.z, -40000.0f + 100.0f + 100.0f * 100.0f);
}

TEST_F(CameraTest, ApproachSwitchesToTheInsideViewWithinOnePointOhTwoR) {
    camera.eye = {0, 0, -1.02f * R - 150.0f};
    camera.leaveRequested = 1;
    camera.update(1000, nullptr);  // one step of 100: still outside
    EXPECT_EQ(camera.state, 0);
    EXPECT_EQ(stage.inside, 0);
    camera.update(1050, nullptr);
    EXPECT_EQ(camera.state, 1);
    EXPECT_EQ(stage.inside, 1);
    EXPECT_EQ(camera.leaveRequested, 0);
}

TEST_F(CameraTest, EnteringStartsTheOrbitAtNinetyFivePercentAndClearsALeaveRequest) {
    camera.state = 1;
    camera.eye = {0, 0, -0.98f * R};
    camera.leaveRequested = 1;
    uint32_t t = run(1000, 2);
    EXPECT_EQ(camera.state, 1);
    while (camera.state == 1 && t < 2000) t = run(t, 1);
    EXPECT_EQ(camera.state, 2);
    EXPECT_LT(length(camera.eye), 0.95f * R + 1e-3f);
    EXPECT_EQ(camera.leaveRequested, 0);
    EXPECT_FLOAT_EQ(camera.orbitAngle, 0.0f);
    const float waves = camera.orbitWaves;
    EXPECT_TRUE(waves == 0.5f || waves == 1.0f || waves == 1.5f || waves == 2.0f || waves == 2.5f) << waves;
    const float wobble = std::fabs(camera.orbitWobble);
    EXPECT_GE(wobble, kPi / 2 * 0.25f - 1e-6f);
    EXPECT_LE(wobble, kPi / 2 * 0.65f + 1e-6f);
}

TEST_F(CameraTest, OrbitKeepsTheEyeAtNinetyFivePercentLookingAtTheCentre) {
    camera.state = 2;
    camera.pickOrbitParameters();
    uint32_t t = 1000;
    for (int i = 0; i < 300; ++i) {
        t = run(t, 1);
        EXPECT_NEAR(length(camera.eye), 0.95f * R, 0.5f);
        EXPECT_NEAR(dot(camera.up, camera.target - camera.eye), 0.0f, 1.0f);
        EXPECT_GT(camera.up.y, 0.0f);
    }
}

TEST_F(CameraTest, OrbitIsLeftOnlyWhenTheAngleWraps) {
    camera.state = 2;
    camera.pickOrbitParameters();
    camera.leaveRequested = 1;
    uint32_t t = run(1000, 600);  // angle 6.0 after the first unit step: no wrap yet
    EXPECT_EQ(camera.state, 2);
    EXPECT_EQ(camera.leaveRequested, 1);
    while (camera.state == 2 && t < 1000 + 50 * 700) t = run(t, 1);
    EXPECT_EQ(camera.state, 5);
    EXPECT_EQ(camera.leaveRequested, 0);
    EXPECT_FLOAT_EQ(camera.eye.z, -0.95f * R);
    EXPECT_FLOAT_EQ(camera.eye.x, 0.0f);
    EXPECT_LT(camera.orbitAngle, 0.02f);
}

TEST_F(CameraTest, AWrapWithoutARequestKeepsOrbiting) {
    camera.state = 2;
    camera.orbitAngle = 2.0f * kPi - 0.005f;
    camera.update(1000, nullptr);
    EXPECT_EQ(camera.state, 2);
    EXPECT_NEAR(camera.orbitAngle, 0.005f, 1e-4f);
}

TEST_F(CameraTest, LeavingPassesThroughTheCentreBeforeTheOutsideView) {
    camera.state = 5;
    camera.eye = {0, 0, -0.95f * R};
    camera.target = {0, 0, 0};
    float nearest = R;
    uint32_t t = 1000;
    while (camera.state == 5 && t < 1000 + 50 * 400) {
        t = run(t, 1);
        nearest = std::min(nearest, length(camera.eye));
    }
    EXPECT_EQ(camera.state, 0);
    EXPECT_EQ(stage.outside, 1);
    EXPECT_LT(nearest, 30.0f);
    EXPECT_GE(camera.eye.z, 0.98f * R);
}

TEST_F(CameraTest, UpdateSetsThePointLightAtTheEyeAndTheView) {
    RecordingDevice device;
    camera.update(1000, &device);
    ASSERT_EQ(device.lights.count(1), 1u);
    const D3DLIGHT7& light = device.lights[1];
    EXPECT_EQ(light.dltType, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(light.dvPosition.z, camera.eye.z);
    EXPECT_FLOAT_EQ(light.dvRange, 7000.0f);
    EXPECT_FLOAT_EQ(light.dvAttenuation1, 0.00025f);
    ASSERT_EQ(device.transforms.count(D3DTRANSFORMSTATE_VIEW), 1u);
    // The view carries the eye to the camera-space origin.
    Vector3 eyeInView;
    ASSERT_EQ(transformPoint(camera.eye, Matrix4(device.transforms[D3DTRANSFORMSTATE_VIEW]), &eyeInView), S_OK);
    EXPECT_NEAR(length(eyeInView), 0.0f, 0.01f);
}

}  // namespace
