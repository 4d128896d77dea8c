// The whole story on the scene alone (no display): two full cycles of approach, entry, split,
// refill, spin-up and exit, checked from the scene's own state frame by frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/settings.h"
#include "saver/engine/helix_slot.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene.h"
#include "saver/scene/scene_models.h"

namespace {

struct StoryLog {
    int entries = 0, exits = 0, splits = 0, refills = 0, leaves = 0;
    int spinUps[2] = {0, 0};
    bool everyPlaceFilledBeforeSpinUp = true;  // of the helix that spins up
    bool everyHelixUpBeforeLeaving = true;     // no helix left waiting when the camera leaves
    bool nucleotidesOnlyInside = true;
    float largestOrbitError = 0.0f;
};

// Places of one helix that hold no nucleotide yet (open, or with one still on its way).
int32_t placesWithoutNucleotide(const HelixController& h) {
    int32_t open = 0;
    for (int32_t k = 0; k < HelixController::N; ++k)
        open += (h.slotA(k)->nucleotide ? 0 : 1) + (h.slotB(k)->nucleotide ? 0 : 1);
    return open;
}

bool everyActiveHelixSpunUp(const Scene& scene) {
    for (int32_t i = 0; i < scene.helices.count; ++i) {
        const HelixController* h = scene.helix(i);
        if (h->active && (h->state < 9 || placesWithoutNucleotide(*h) > 0)) return false;
    }
    return true;
}

// Runs the scene in 50 ms frames until `cycles` exits to the outside view have happened.
StoryLog runStory(Scene& scene, int cycles, int frameLimit) {
    StoryLog log;
    int32_t cameraState = scene.camera.state;
    int32_t helixStates[2] = {scene.helix(0)->state, scene.helix(1)->state};
    DWORD t = 1000;
    for (int frame = 0; frame < frameLimit && log.exits < cycles; ++frame) {
        scene.renderFrame(t += 50, nullptr);
        const int32_t c = scene.camera.state, h = scene.helix(0)->state;
        if (c == 1 && cameraState == 0) ++log.entries;
        if (c == 0 && cameraState == 5) ++log.exits;
        if (c == 5 && cameraState == 2) {
            ++log.leaves;
            log.everyHelixUpBeforeLeaving = log.everyHelixUpBeforeLeaving && everyActiveHelixSpunUp(scene);
        }
        if (h == 5 && helixStates[0] == 4) log.splits += scene.helix(1)->active;
        if (h == 8 && helixStates[0] != 8) ++log.refills;  // 7 and 8 fall in one frame
        for (int32_t i = 0; i < 2; ++i) {
            const HelixController& helix = *scene.helix(i);
            if (helix.state == 9 && helixStates[i] == 8) {
                ++log.spinUps[i];
                log.everyPlaceFilledBeforeSpinUp =
                    log.everyPlaceFilledBeforeSpinUp && placesWithoutNucleotide(helix) == 0;
            }
            helixStates[i] = helix.state;
        }
        if (c == 2) {
            const float error = std::fabs(length(scene.camera.eye) - 0.95f * scene.clusterRadius());
            log.largestOrbitError = std::max(log.largestOrbitError, error);
        }
        if (scene.centralInClusters)
            for (int32_t i = 0; i < scene.nucleotides.count; ++i)
                log.nucleotidesOnlyInside = log.nucleotidesOnlyInside && !scene.nucleotide(i)->active;
        cameraState = c;
    }
    return log;
}

// The build seeds the generator from the clock; the story is made repeatable after it.
StoryLog runSeededStory(Scene& scene, uint32_t seed) {
    g_settings = Settings{};
    scene.build(nullptr);
    seedRandom(seed);
    scene.enterOutsideView();
    return runStory(scene, 2, 20 * 60 * 10);  // at most ten minutes of story
}

struct StoryCycle : ::testing::Test {
    void TearDown() override {
        deleteModelTemplates();
        clearAnimatedTextures();
    }
};

TEST_F(StoryCycle, TwoFullCyclesRunFromApproachToTheNextField) {
    Scene scene;
    const StoryLog log = runSeededStory(scene, 1);
    EXPECT_EQ(log.exits, 2);
    EXPECT_EQ(log.entries, 2);
    EXPECT_EQ(log.splits, 2);
    EXPECT_EQ(log.refills, 2);
    EXPECT_EQ(log.spinUps[0], 2);
    EXPECT_EQ(log.spinUps[1], 2);
    EXPECT_EQ(log.leaves, 2);
    EXPECT_TRUE(log.everyPlaceFilledBeforeSpinUp);
    EXPECT_TRUE(log.everyHelixUpBeforeLeaving);
    EXPECT_TRUE(log.nucleotidesOnlyInside);
    EXPECT_LT(log.largestOrbitError, 1.0f);
    // Outside again: a new field with the central cluster ahead of the eye.
    EXPECT_EQ(scene.centralInClusters, 1);
    EXPECT_EQ(scene.clusters.count, 21);
}

// Both halves are filled from one dispatch and nucleotides chase swaying places: whichever helix
// completes first, and however its partner's places sway, both are whole and spinning again
// before the camera leaves.
TEST_F(StoryCycle, EveryHelixIsRefilledAndSpunUpInEveryCycle) {
    for (uint32_t seed = 1; seed <= 24; ++seed) {
        Scene scene;
        const StoryLog log = runSeededStory(scene, seed);
        EXPECT_EQ(log.exits, 2) << "seed " << seed;
        EXPECT_EQ(log.spinUps[0], 2) << "seed " << seed;
        EXPECT_EQ(log.spinUps[1], 2) << "seed " << seed;
        EXPECT_TRUE(log.everyPlaceFilledBeforeSpinUp) << "seed " << seed;
        EXPECT_TRUE(log.everyHelixUpBeforeLeaving) << "seed " << seed;
        deleteModelTemplates();
        clearAnimatedTextures();
    }
}

}  // namespace
