// The helix controller's rules: building, placing, braking, retracting, splitting, drifting,
// refilling and spinning up.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "saver/engine/helix.h"
#include "saver/engine/nucleotide.h"

namespace {

struct FakeStage : HelixStage {
    HelixController* partner = nullptr;
    int stops = 0, leaves = 0;
    HelixController* firstInactiveController() override { return partner && !partner->active ? partner : nullptr; }
    void stopDispatch() override { ++stops; }
    void requestLeave() override { ++leaves; }
};

struct HelixTest : ::testing::Test {
    std::vector<std::unique_ptr<NucleotideObject>> owned;
    ObjectList list;
    FakeStage stage;
    DWORD now = 1000;

    void SetUp() override {
        nucleotideLinks() = {};
        seedRandom(11);
        for (int i = 0; i < 80; ++i) {
            owned.push_back(std::make_unique<NucleotideObject>());
            list.add(owned.back().get());
        }
    }
    NucleotideObject* n(int i) { return list.at<NucleotideObject>(i); }
    // Runs one 50 ms frame of the controller.
    void step(HelixController& h) {
        now += 50;
        h.update(now);
    }
    // Runs frames until the state changes from `from` or `limit` frames passed; returns frames.
    int runWhile(HelixController& h, int32_t from, int limit = 2000) {
        int frames = 0;
        while (h.state == from && frames < limit) step(h), ++frames;
        return frames;
    }
    void setStings(HelixController& h, int32_t s) {
        for (int i = 0; i < HelixController::N; ++i)
            for (HelixSlot* slot : {h.slotA(i), h.slotB(i)})
                if (slot->nucleotide) slot->nucleotide->stingState = s;
    }
};

TEST_F(HelixTest, RebuildFillsBothStrandsWithComplementaryPairs) {
    HelixController h(&list, &stage);
    h.rebuild(1, 10, 20, 30);
    EXPECT_EQ(h.state, 1);
    EXPECT_EQ(h.countdown, 100);
    EXPECT_FLOAT_EQ(h.spinSpeed, 0.075f);
    EXPECT_FLOAT_EQ(h.spinSpeedLimit, 0.075f);
    for (int i = 0; i < HelixController::N; ++i) {
        HelixSlot *a = h.slotA(i), *b = h.slotB(i);
        EXPECT_EQ(a->nucleotide, n(2 * i));
        EXPECT_EQ(b->nucleotide, n(2 * i + 1));
        EXPECT_EQ(b->kind, complementKind(a->kind));
        EXPECT_EQ(a->empty, 0);
        EXPECT_EQ(n(2 * i)->kind, a->kind);
        EXPECT_EQ(n(2 * i)->free, 0);
        EXPECT_EQ(n(2 * i)->stingState, 2);
        EXPECT_EQ(n(2 * i)->active, 1);
        EXPECT_FLOAT_EQ(b->offset.x, -a->offset.x);
        EXPECT_NEAR(length(a->offset), h.radius, 1e-3f);
    }
    EXPECT_EQ(n(40)->free, 1);  // the rest stay where they were
    EXPECT_FLOAT_EQ(h.slotA(0)->t, 0.0f);
    EXPECT_FLOAT_EQ(h.slotA(0)->height, h.length / 2);
    // Neighbouring bases touch: rise and the chord between them span two nucleotide sizes.
    const float rise = h.slotA(0)->height - h.slotA(1)->height;
    EXPECT_NEAR(h.length, 20 * rise - 1.0f, 1e-2f);
    EXPECT_GE(h.endReach, 300.0f);
    EXPECT_LE(h.endReach, 600.0f);
    EXPECT_GE(std::fabs(h.topSwingSpeed), 0.1f);
    EXPECT_LE(std::fabs(h.topSwingSpeed), 0.25f);
}

TEST_F(HelixTest, InactiveRebuildEmptiesEverySlot) {
    HelixController h(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    h.rebuild(0, 0, 0, 0);
    EXPECT_EQ(h.state, 0);
    for (int i = 0; i < HelixController::N; ++i) {
        EXPECT_EQ(h.slotA(i)->nucleotide, nullptr);
        EXPECT_EQ(h.slotB(i)->empty, 1);
    }
    const DWORD before = h.lastTime;
    h.update(5000);
    EXPECT_NE(before, h.lastTime);
    EXPECT_EQ(h.lastTime, 5000u);
}

TEST_F(HelixTest, UpdatePlacesPairsOppositeEachOtherAroundTheAxis) {
    HelixController h(&list, &stage);
    h.rebuild(1, 500, 0, 0);
    step(h);
    for (int i = 0; i < HelixController::N; ++i) {
        HelixSlot *a = h.slotA(i), *b = h.slotB(i);
        EXPECT_NEAR(length(a->position - a->axisPoint), h.radius, 0.05f * h.radius);
        const Vector3 mid = (a->position + b->position) * 0.5f;
        EXPECT_NEAR(length(mid - a->axisPoint), 0.0f, 1e-2f);
        EXPECT_EQ(n(2 * i)->position.x, a->position.x);
        EXPECT_EQ(n(2 * i + 1)->target.y, b->axisPoint.y);
        EXPECT_NEAR(a->axisPoint.x, 500.0f, 0.3f * h.length);  // the axis bends, it stays near
    }
    // The first place sits at the top of the axis, the last near the bottom.
    EXPECT_GT(h.slotA(0)->axisPoint.y, h.slotA(19)->axisPoint.y);
}

TEST_F(HelixTest, BrakePlanningStopsOnAWholeTurn) {
    HelixController h(&list, &stage);
    h.spinSpeed = 0.075f;
    h.spinAngle = 1.0f;
    h.planBrake();
    EXPECT_NEAR(h.spinAcceleration, 2 * (7.5f - kTurn + 1.0f) / 10000.0f, 1e-7f);
    EXPECT_NEAR(h.spinAcceleration, 0.000443f, 1e-6f);
    h.rebuild(1, 0, 0, 0);
    h.spinAngle = 1.0f;
    h.state = 2;
    h.spinAcceleration = 0.000443f;
    h.spinSpeed = 0.075f;
    const int frames = runWhile(h, 2);
    EXPECT_NEAR(frames, 169, 2);
    EXPECT_EQ(h.spinSpeed, 0.0f);
    EXPECT_EQ(h.state, 3);
}

TEST_F(HelixTest, BrakingReachesAWholeTurnAfterAHundredSteps) {
    HelixController h(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    h.spinAngle = 1.0f;
    h.spinSpeed = 0.075f;
    h.planBrake();
    h.state = 2;
    step(h);  // the first frame of a controller counts one unit
    for (int i = 1; i < 100; ++i) step(h);
    EXPECT_NEAR(h.spinAngle, kTurn, 0.05f);
}

TEST_F(HelixTest, ASlowHelixStillGetsADeceleration) {
    HelixController h(&list, &stage);
    h.spinSpeed = 0.01f;
    h.spinAngle = 0.0f;
    h.planBrake();
    EXPECT_GT(h.spinAcceleration, 0.0f);
}

TEST_F(HelixTest, RetractionWaitsForEveryRungBeforeTheSplit) {
    HelixController h(&list, &stage), partner(&list, &stage);
    stage.partner = &partner;
    h.rebuild(1, 0, 0, 0);
    h.state = 3;
    step(h);
    EXPECT_EQ(h.state, 4);
    EXPECT_EQ(n(0)->stingState, -1);
    EXPECT_EQ(n(39)->stingState, -1);
    setStings(h, 0);
    n(7)->stingState = -1;
    step(h);
    EXPECT_EQ(h.state, 4);
    n(7)->stingState = 0;
    step(h);
    EXPECT_EQ(h.state, 5);
    EXPECT_EQ(partner.active, 1);
    EXPECT_EQ(partner.state, 5);
    EXPECT_FLOAT_EQ(partner.driftAcceleration.x, -h.driftAcceleration.x);
    EXPECT_FLOAT_EQ(h.driftAcceleration.x, larger(h.length, 6 * h.radius) / 800.0f);
}

TEST_F(HelixTest, SplitHandsStrandOneToThePartnerAndLeavesItsComplementsOpen) {
    HelixController h(&list, &stage), partner(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    h.spinAngle = 2.0f;
    h.countdown = 777;
    h.driftAcceleration = {3, 0, 0};
    h.spinSpeedLimit = 0.5f;
    partner.spinSpeedLimit = 0.25f;
    partner.split(h);
    EXPECT_EQ(partner.active, 1);
    EXPECT_FLOAT_EQ(partner.spinAngle, 2.0f);
    EXPECT_EQ(partner.countdown, 777);
    EXPECT_FLOAT_EQ(partner.driftAcceleration.x, -3.0f);
    EXPECT_FLOAT_EQ(partner.spinSpeedLimit, 0.25f);  // not copied
    EXPECT_FLOAT_EQ(partner.radius, h.radius);
    EXPECT_EQ(partner.topSwingSpeed > 0, h.topSwingSpeed > 0);
    for (int i = 0; i < HelixController::N; ++i) {
        EXPECT_EQ(partner.slotA(i)->nucleotide, n(2 * i));
        EXPECT_EQ(partner.slotA(i)->empty, 0);
        EXPECT_EQ(h.slotA(i)->nucleotide, nullptr);
        EXPECT_EQ(h.slotA(i)->empty, 1);
        EXPECT_EQ(partner.slotB(i)->nucleotide, nullptr);
        EXPECT_EQ(partner.slotB(i)->empty, 1);
        EXPECT_EQ(partner.slotB(i)->kind, h.slotB(i)->kind);
        EXPECT_FLOAT_EQ(partner.slotB(i)->t, h.slotB(i)->t);
        EXPECT_EQ(h.slotB(i)->nucleotide, n(2 * i + 1));
    }
}

TEST_F(HelixTest, TheHelicesDriftApartByHalfTheirSpanEach) {
    HelixController h(&list, &stage), partner(&list, &stage);
    stage.partner = &partner;
    h.rebuild(1, 0, 0, 0);
    h.state = 4;
    setStings(h, -1);
    step(h);  // still waiting for the rungs
    setStings(h, 0);
    now += 50;
    h.update(now);
    partner.update(now);  // the partner moves in the frame of the split, as in the scene
    ASSERT_EQ(h.state, 5);
    int frames = 0;
    while ((h.state != 7 || partner.state != 7) && frames < 200) {
        now += 50;
        h.update(now);
        partner.update(now);
        ++frames;
    }
    const float expected = larger(h.length, 6 * h.radius) / 2;
    EXPECT_NEAR(h.position.x, expected, 0.15f * expected);
    EXPECT_NEAR(partner.position.x, -expected, 0.15f * expected);
    EXPECT_NEAR(h.driftVelocity.x, 0.0f, 0.05f * expected / 20);
    // Waiting in state 7 moves nothing.
    const float x = h.position.x;
    step(h);
    EXPECT_EQ(h.position.x, x);
}

TEST_F(HelixTest, WithoutAPartnerTheHelixDriftsAloneWithBothStrands) {
    HelixController h(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    h.state = 4;
    setStings(h, 0);
    step(h);
    EXPECT_EQ(h.state, 5);
    EXPECT_EQ(h.slotA(3)->nucleotide, n(6));
    EXPECT_EQ(h.slotB(3)->nucleotide, n(7));
}

TEST_F(HelixTest, RefillGrowsOnlyCompletePairsAndEndsTheDispatch) {
    HelixController h(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    setStings(h, 0);
    h.slotB(5)->nucleotide = nullptr;  // still on its way
    h.slotB(5)->empty = 0;
    h.state = 8;
    step(h);
    EXPECT_EQ(n(0)->stingState, 1);
    EXPECT_EQ(n(10)->stingState, 0);  // its partner is missing
    EXPECT_EQ(h.state, 8);
    h.slotB(5)->nucleotide = n(11);
    setStings(h, 2);
    step(h);
    EXPECT_EQ(h.state, 9);
    EXPECT_EQ(stage.stops, 1);
    EXPECT_EQ(h.countdown, 250);
}

TEST_F(HelixTest, SpinUpThenSpinThenAskTheCameraToLeave) {
    HelixController h(&list, &stage);
    h.rebuild(1, 0, 0, 0);
    h.state = 9;
    h.spinSpeed = 0;
    h.spinAcceleration = 0.0005f;
    h.countdown = 250;
    const int spinUp = runWhile(h, 9);
    EXPECT_NEAR(spinUp, 150, 2);
    EXPECT_EQ(h.state, 10);
    const int spinning = runWhile(h, 10);
    EXPECT_EQ(spinning, 6);
    EXPECT_EQ(h.state, 11);
    EXPECT_EQ(stage.leaves, 1);
    step(h);
    EXPECT_EQ(h.state, 11);
    EXPECT_EQ(stage.leaves, 1);
}

TEST_F(HelixTest, AllStingsInIgnoresEmptySlots) {
    HelixController h(&list, &stage);
    EXPECT_EQ(h.allStingsIn(2), 1);  // no nucleotides at all
    h.rebuild(1, 0, 0, 0);
    EXPECT_EQ(h.allStingsIn(2), 1);
    EXPECT_EQ(h.allStingsIn(0), 0);
    h.slotA(0)->nucleotide = nullptr;
    n(0)->stingState = 0;
    EXPECT_EQ(h.allStingsIn(2), 1);
}

TEST_F(HelixTest, AShortNucleotideListLeavesTheMissingPlacesOpen) {
    ObjectList few;
    for (int i = 0; i < 10; ++i) few.add(owned[static_cast<size_t>(i)].get());
    HelixController h(&few, &stage);
    h.rebuild(1, 0, 0, 0);
    EXPECT_EQ(h.slotA(4)->nucleotide, n(8));
    EXPECT_EQ(h.slotA(5)->nucleotide, nullptr);
    EXPECT_EQ(h.slotA(5)->empty, 1);
    step(h);  // places for missing nucleotides are still placed
    EXPECT_GT(length(h.slotA(5)->position), 0.0f);
}

TEST_F(HelixTest, WrapTurnKeepsAnglesInOneTurn) {
    EXPECT_FLOAT_EQ(wrapTurn(kTurn + 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(wrapTurn(-0.5f), kTurn - 0.5f);
    EXPECT_FLOAT_EQ(wrapTurn(3.0f), 3.0f);
}

}  // namespace
