// When the dispatch of free nucleotides ends: a complete helix asks for it, but its partner's open
// places are still served.
#include <gtest/gtest.h>

#include "common/settings.h"
#include "saver/engine/helix_slot.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene.h"
#include "saver/scene/scene_models.h"

namespace {

struct DispatchEnd : ::testing::Test {
    Scene scene;

    // Inside, split and refilling: helix 0 keeps strand B and waits for A, helix 1 holds strand A
    // and waits for B; every rung is in.
    void SetUp() override {
        g_settings = Settings{};
        scene.build(nullptr);
        seedRandom(5);
        scene.enterInsideView();
        scene.camera.state = 2;  // orbiting: the camera does not enter again
        scene.helix(1)->split(*scene.helix(0));
        for (int32_t i = 0; i < scene.nucleotides.count; ++i) scene.nucleotide(i)->stingState = 0;
        for (int32_t i = 0; i < 2; ++i) scene.helix(i)->state = 8;
        scene.dispatchActive = 1;
        scene.dispatchCountdown = Scene::dispatchInterval * 50;
    }
    void TearDown() override {
        deleteModelTemplates();
        clearAnimatedTextures();
    }

    // Puts a free nucleotide of the wanted kind into the place, as if it had arrived.
    void fill(HelixSlot* place) {
        for (int32_t i = 0; i < scene.nucleotides.count; ++i) {
            NucleotideObject* n = scene.nucleotide(i);
            if (!n->free || n->kind != place->kind) continue;
            n->free = 0;
            place->nucleotide = n;
            place->empty = 0;
            return;
        }
        FAIL() << "no free nucleotide of kind " << place->kind;
    }
    // Helix 0 whole, its rungs grown: its next step leaves the refill.
    void completeFirstHelix() {
        for (int32_t k = 0; k < HelixController::N; ++k) fill(scene.helix(0)->slotA(k));
        for (int32_t k = 0; k < HelixController::N; ++k) {
            scene.helix(0)->slotA(k)->nucleotide->stingState = 2;
            scene.helix(0)->slotB(k)->nucleotide->stingState = 2;
        }
    }
    int32_t openPlaces(const HelixController& h) const {
        int32_t open = 0;
        for (int32_t k = 0; k < HelixController::N; ++k) open += h.slotA(k)->empty + h.slotB(k)->empty;
        return open;
    }
};

TEST_F(DispatchEnd, TheFirstCompleteHelixLeavesTheDispatchRunningForItsPartner) {
    completeFirstHelix();
    ASSERT_EQ(openPlaces(*scene.helix(1)), HelixController::N);
    DWORD t = 5000;
    scene.lastFrameTime = t - 50;
    scene.renderFrame(t, nullptr);
    EXPECT_EQ(scene.helix(0)->state, 9);
    EXPECT_EQ(scene.dispatchActive, 1);
    for (int i = 0; i < 30; ++i) scene.renderFrame(t += 50, nullptr);
    EXPECT_EQ(openPlaces(*scene.helix(1)), HelixController::N - 1);  // the next one, 1500 ms later
}

TEST_F(DispatchEnd, ItEndsOnceEveryPlaceIsTakenEvenWithNucleotidesStillOnTheirWay) {
    completeFirstHelix();
    scene.stopDispatch();
    EXPECT_EQ(scene.dispatchActive, 1);
    for (int32_t k = 0; k < HelixController::N; ++k) scene.helix(1)->slotB(k)->empty = 0;  // all sent
    scene.stopDispatch();
    EXPECT_EQ(scene.dispatchActive, 0);
}

TEST_F(DispatchEnd, AnInactiveHelixKeepsNoDispatchAlive) {
    completeFirstHelix();
    scene.helix(1)->active = 0;  // its open places are not served
    scene.stopDispatch();
    EXPECT_EQ(scene.dispatchActive, 0);
}

}  // namespace
