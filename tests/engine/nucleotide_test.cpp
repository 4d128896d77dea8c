// The nucleotide's rules: caustic frames, breathing, the flight to a slot, the sting and drawing.
#include <gtest/gtest.h>

#include <cmath>

#include "saver/engine/helix_slot.h"
#include "saver/engine/nucleotide.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_model.h"

namespace {

RecordingModel* g_bodies[4];
IDirectDrawSurface7* const kStingSurface = reinterpret_cast<IDirectDrawSurface7*>(0x5000);

struct NucleotideTest : ::testing::Test {
    RecordingModel bodies[4];
    RecordingDevice device;
    void SetUp() override {
        seedRandom(3);
        for (int i = 0; i < 4; ++i) g_bodies[i] = &bodies[i];
        NucleotideLinks& links = nucleotideLinks();
        links = {};
        links.causticFrames = [](int32_t kind) { return CausticFrames{100 + 16 * kind, 16}; };
        links.bodyModel = [](int32_t kind) -> ModelObject* { return kind >= 0 && kind < 4 ? g_bodies[kind] : nullptr; };
        links.stingTextureIndex = 9;
        links.textureSurface = [](int32_t i) { return i == 9 ? kStingSurface : nullptr; };
    }
    void TearDown() override { nucleotideLinks() = {}; }
};

TEST_F(NucleotideTest, ComplementsPairZeroWithOneAndTwoWithThree) {
    EXPECT_EQ(complementKind(0), 1);
    EXPECT_EQ(complementKind(1), 0);
    EXPECT_EQ(complementKind(2), 3);
    EXPECT_EQ(complementKind(3), 2);
    EXPECT_EQ(complementKind(7), 0);
    EXPECT_EQ(complementKind(-1), 0);
}

TEST_F(NucleotideTest, CausticFramesCycleThroughTheKindsSequenceAndWrap) {
    NucleotideObject n;
    n.reset(1, 2, 0, {}, {});
    EXPECT_EQ(n.baseFrame, 132);
    EXPECT_EQ(n.currentFrame, 132);
    DWORD t = 1000;
    n.advanceCaustic(t);  // the first call only starts the clock
    EXPECT_EQ(n.currentFrame, 132);
    for (int i = 1; i <= 15; ++i) {
        n.advanceCaustic(t += 50);
        EXPECT_EQ(n.currentFrame, 132 + i);
    }
    n.advanceCaustic(t += 50);
    EXPECT_EQ(n.currentFrame, 132);  // after 16 steps, back at frame one
    n.advanceCaustic(t += 49);
    EXPECT_EQ(n.currentFrame, 132);
    n.advanceCaustic(t += 500);  // a long gap advances one frame only
    EXPECT_EQ(n.currentFrame, 133);
}

TEST_F(NucleotideTest, AnInactiveNucleotideKeepsItsClocksCurrentAndDrawsNothing) {
    NucleotideObject n;
    n.reset(0, 1, 0, {0, 0, 5000}, {});
    n.frame(7000, &device);
    EXPECT_EQ(n.lastTime, 7000u);
    EXPECT_EQ(n.lastFrameChange, 7000u);
    EXPECT_TRUE(bodies[1].passes.empty());
    EXPECT_TRUE(device.sphereTests.empty());
    n.active = 1;
    n.frame(7050, &device);  // one unit step, not seven thousand milliseconds' worth
    EXPECT_NEAR(n.scale, 1.0f, 0.021f);
    EXPECT_EQ(n.currentFrame, n.baseFrame + 1);
}

TEST_F(NucleotideTest, DrawsItsKindsBodyWithTheCurrentFrameWhereItIs) {
    NucleotideObject n;
    n.reset(1, 3, 0, {10, 20, 30}, {});
    n.frame(1000, &device);
    ASSERT_EQ(bodies[3].passes.size(), 1u);
    EXPECT_EQ(bodies[3].passes[0].textureOverride, n.currentFrame);
    Vector3 origin;
    transformPoint({0, 0, 0}, bodies[3].passes[0].parent, &origin);
    EXPECT_NEAR(origin.x, 10.0f, 1e-3f);
    EXPECT_NEAR(origin.z, 30.0f, 1e-3f);
    ASSERT_EQ(device.sphereTests.size(), 1u);
    EXPECT_FLOAT_EQ(device.sphereTests[0].radius, 70.0f * n.scale);
}

TEST_F(NucleotideTest, OutsideTheViewItIsNotDrawnButStillMoves) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 2000};
    n.reset(1, 0, 1, {0, 0, 0}, {0, 500, 0});
    n.slot = &slot;
    device.visibilityStatus = D3DSTATUS_CLIPINTERSECTIONLEFT | D3DSTATUS_CLIPUNIONLEFT;
    n.frame(1000, &device);
    EXPECT_TRUE(bodies[0].passes.empty());
    EXPECT_FLOAT_EQ(n.position.z, 50.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 3.0f);
    EXPECT_NE(n.pulseTarget, 1.0f);  // it breathes
    device.visibilityStatus = D3DSTATUS_CLIPUNIONLEFT;  // only partly outside: drawn
    n.frame(1050, &device);
    EXPECT_EQ(bodies[0].passes.size(), 1u);
}

TEST_F(NucleotideTest, FlightSpeedFollowsTheDistanceLaw) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {2000, 0, 0};
    n.slot = &slot;
    n.flyToSlot(1.0f);
    EXPECT_FLOAT_EQ(n.position.x, 50.0f);
    n.position = {2000 - 500, 0, 0};
    n.flyToSlot(2.0f);
    EXPECT_NEAR(n.position.x, 1500.0f + 2 * (45.0f * 500 / 1000 + 5), 1e-3f);
    n.position = {2000 - 100, 0, 0};
    n.flyToSlot(1.0f);
    EXPECT_NEAR(n.position.x, 1900.0f + (1 - 100.0f / 150) * 25 + 5, 1e-3f);
    EXPECT_EQ(n.slot, &slot);
}

TEST_F(NucleotideTest, ArrivesOnceWithinHalfItsSize) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 60};
    n.slot = &slot;
    n.flyToSlot(1.0f);  // 60 → about 40 away: not yet within 35
    EXPECT_EQ(n.slot, &slot);
    n.flyToSlot(1.0f);
    EXPECT_EQ(n.slot, nullptr);
    EXPECT_EQ(slot.nucleotide, &n);
    EXPECT_FLOAT_EQ(n.position.z, 60.0f);
}

TEST_F(NucleotideTest, AStepPastTheSlotArrives) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 1200};
    n.slot = &slot;
    n.flyToSlot(30.0f);
    EXPECT_EQ(slot.nucleotide, &n);
    EXPECT_FLOAT_EQ(n.position.z, 1200.0f);
}

TEST_F(NucleotideTest, AMovingSlotCarriesItAlongWhileTheLawClosesTheGap) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 100};
    n.slot = &slot;
    n.flyToSlot(1.0f);  // the first frame: nothing to follow yet
    const float first = (1 - 100.0f / 150) * 25 + 5;
    EXPECT_NEAR(n.position.z, first, 1e-3f);
    slot.position.x += 30.0f;  // the place sways sideways
    n.flyToSlot(1.0f);
    EXPECT_NEAR(n.position.x, 30.0f, 1e-3f);
    EXPECT_NEAR(n.position.z, first + (1 - (100.0f - first) / 150) * 25 + 5, 1e-3f);
}

TEST_F(NucleotideTest, ReachesASlotMovingAwayFasterThanItsApproach) {
    // At 12 units a frame the place outruns the approach just outside 150 units (11.75 there).
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 200};
    n.slot = &slot;
    int frames = 0;
    for (; n.slot && frames < 200; ++frames) {
        slot.position.z += 12.0f;
        n.flyToSlot(1.0f);
    }
    EXPECT_EQ(n.slot, nullptr) << "still chasing after " << frames << " frames";
    EXPECT_EQ(slot.nucleotide, &n);
}

TEST_F(NucleotideTest, ANewFlightDoesNotFollowThePlacesEarlierMotion) {
    NucleotideObject n;
    HelixSlot slot;
    slot.position = {0, 0, 2000};
    n.reset(1, 0, 0, {0, 0, 0}, {});
    n.slot = &slot;
    n.flyToSlot(1.0f);
    n.reset(1, 0, 0, {0, 0, 0}, {});  // a new cycle; the place has moved meanwhile
    slot.position = {0, 0, 3000};
    n.slot = &slot;
    n.flyToSlot(1.0f);
    EXPECT_FLOAT_EQ(n.position.x, 0.0f);
    EXPECT_FLOAT_EQ(n.position.z, 50.0f);
}

TEST_F(NucleotideTest, StingGrowsToTheTargetThenShrinksAway) {
    NucleotideObject n;
    n.reset(1, 0, 1, {0, 0, 0}, {0, 0, 100});
    n.growSting(10.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 30.0f);
    EXPECT_EQ(n.stingState, 1);
    for (int i = 0; i < 30 && n.stingState == 1; ++i) n.growSting(1.0f);
    EXPECT_EQ(n.stingState, 2);
    EXPECT_FLOAT_EQ(n.stingLength(), 100.0f);
    n.target = {0, 0, 150};
    n.growSting(1.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 150.0f);  // a full sting follows its target
    n.stingState = -1;
    n.growSting(10.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 120.0f);
    n.growSting(10.0f);
    EXPECT_EQ(n.stingState, -1);
    n.growSting(10.0f);  // 60: below the size
    EXPECT_EQ(n.stingState, 0);
    n.growSting(1.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 0.0f);
}

TEST_F(NucleotideTest, AStingWithATargetNearerThanTheSizeIsNeitherChangedNorDrawn) {
    NucleotideObject n;
    n.reset(1, 0, 1, {0, 0, 0}, {0, 0, 69});
    n.growSting(5.0f);
    EXPECT_FLOAT_EQ(n.stingLength(), 0.0f);
    EXPECT_EQ(n.stingState, 1);
    n.drawSelf(&device);
    EXPECT_TRUE(device.draws.empty());
}

TEST_F(NucleotideTest, TheStingFanRunsFromTheNucleotideToItsTarget) {
    NucleotideObject n;
    n.reset(1, 0, 2, {100, 0, 0}, {100, 0, 300});
    n.growSting(1.0f);
    n.drawSelf(&device);
    ASSERT_EQ(device.draws.size(), 1u);
    const RecordedDraw& d = device.draws[0];
    EXPECT_EQ(d.type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(d.vertexCount, 13u);
    EXPECT_EQ(d.texture, kStingSurface);
    EXPECT_FLOAT_EQ(d.material.diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(d.material.diffuse.r, 0.0f);
    Vector3 apex, rim;
    transformPoint({d.vertices[0].x, d.vertices[0].y, d.vertices[0].z}, d.world, &apex);
    transformPoint({d.vertices[1].x, d.vertices[1].y, d.vertices[1].z}, d.world, &rim);
    EXPECT_NEAR(apex.x, 100.0f, 1e-2f);
    EXPECT_NEAR(apex.z, 300.0f, 1e-2f);
    EXPECT_NEAR(length(rim - Vector3{100, 0, 0}), 0.4f * 70.0f, 1e-2f);
}

TEST_F(NucleotideTest, StingFanClosesItsRing) {
    NucleotideObject n;
    EXPECT_FLOAT_EQ(n.stingVertices[1].x, n.stingVertices[12].x);
    EXPECT_NEAR(n.stingVertices[1].z, n.stingVertices[12].z, 1e-4f);
    EXPECT_FLOAT_EQ(n.stingVertices[12].tu, 0.0f);
    EXPECT_FLOAT_EQ(n.stingVertices[1].tu, 1.0f);
    EXPECT_FLOAT_EQ(n.stingVertices[0].ny, 1.0f);
}

TEST_F(NucleotideTest, NoStingIsDrawnWhenInactiveOrRetracted) {
    NucleotideObject n;
    n.reset(0, 0, 2, {0, 0, 0}, {0, 0, 300});
    n.drawSelf(&device);
    n.reset(1, 0, 0, {0, 0, 0}, {0, 0, 300});
    n.drawSelf(&device);
    EXPECT_TRUE(device.draws.empty());
}

TEST_F(NucleotideTest, BreathingSwellsAndReturnsToRest) {
    NucleotideObject n;
    n.breathe(1.0f);  // at rest with target 1.0: a new pulse is picked
    ASSERT_NE(n.pulseTarget, 1.0f);
    const bool swelling = n.pulseDirection == 1;
    EXPECT_GE(n.pulseTarget, swelling ? 1.2f : 0.6f);
    EXPECT_LE(n.pulseTarget, swelling ? 1.5f : 0.8f);
    int frames = 0;
    while (n.pulseTarget != 1.0f && frames < 100) n.breathe(1.0f), ++frames;
    EXPECT_EQ(n.pulseDirection, swelling ? -1 : 1);
    EXPECT_GT(frames, 8);
    while (n.pulseTarget == 1.0f && frames < 200) n.breathe(1.0f), ++frames;
    EXPECT_FLOAT_EQ(n.scale, 1.0f);  // picking anew starts from rest
}

}  // namespace
