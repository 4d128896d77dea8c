// HelixController: the choreographer of the molecule. Two strands of N = 20 slots placed on a
// twisted double helix around a gently bending axis (a Catmull-Rom path whose outer control
// points swing); it spins, brakes to rest, retracts the rungs, splits (handing one strand to a
// partner controller), drifts, waits, refills and spins up again.
//
// States 0..11 (0 idle, 1 spin, 2 brake, 3 retract, 4 wait for rungs, 5/6 drift, 7 wait for the
// scene, 8 refill, 9 spin up, 10 spin, 11 spin on). Angles in radians, speeds per 50 ms, time in
// ms. The controller takes its nucleotides from the list it was given (not owned; positions 2i and
// 2i+1 fill place i) and reaches the scene through HelixStage (may be null: no partner, no
// dispatch to stop, no camera to tell). It owns its slots, never the nucleotides.
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "saver/engine/helix_slot.h"
#include "saver/engine/math3d.h"

class HelixController;

// What a controller needs of the scene.
class HelixStage {
public:
    virtual ~HelixStage() = default;
    // The first controller of the scene with active 0, or null.
    virtual HelixController* firstInactiveController() = 0;
    // The helix is complete: the scene stops sending nucleotides (once no helix has an open place).
    virtual void stopDispatch() = 0;
    // The helix has spun up again: the camera leaves at the end of its revolution.
    virtual void requestLeave() = 0;
};

class HelixController {
public:
    static constexpr int32_t N = 20;
    static constexpr float kRestartSpin = 0.075f;

    explicit HelixController(const ObjectList* nucleotides = nullptr, HelixStage* stage = nullptr);
    ~HelixController();
    HelixController(const HelixController&) = delete;
    HelixController& operator=(const HelixController&) = delete;

    void rebuild(int32_t active, float x, float y, float z);
    void update(DWORD time);
    void split(HelixController& other);
    int32_t allStingsIn(int32_t s) const;
    void growCompletePairs();
    // Sets spinAcceleration to the constant deceleration that stops on a whole turn (state 1 → 2).
    void planBrake();

    HelixSlot* slotA(int32_t i) const { return strandA.at<HelixSlot>(i); }
    HelixSlot* slotB(int32_t i) const { return strandB.at<HelixSlot>(i); }
    // The four control points of the axis path (in the helix's own frame).
    void axisPath(Vector3 out[4]) const;

    Vector3 topEnd, bottomEnd;
    float endReach = 0.0f;
    float topSwingAngle = 0.0f, bottomSwingAngle = 0.0f;
    float topSwingSpeed = 0.0f, bottomSwingSpeed = 0.0f;
    Vector3 position;
    Vector3 driftVelocity, driftAcceleration;
    int32_t countdown = 0;
    int32_t state = 0;
    float spinAngle = 0.0f, spinSpeed = 0.0f, spinAcceleration = 0.0f, spinSpeedLimit = 0.0f;
    DWORD lastTime = 0;
    int32_t active = 0;
    float radius = 0.0f;
    float length = 0.0f;
    ObjectList strandA, strandB;  // HelixSlot*, owned

    const ObjectList* nucleotides;  // not owned
    HelixStage* stage;              // not owned

private:
    void stateStep(float f, int32_t dt);
    void stepSpinStates(float f, int32_t dt);
    void stepDriftStates(float f, int32_t dt);
    void spin(float f);
    void startDrift();
    void swingEnds(float f);
    void placeSlots();
    void placeAt(int32_t i, const Vector3 path[4]);
    void retractRungs();
};

// Adds or subtracts one turn so that the angle lies in 0 … kTurn.
float wrapTurn(float angle);
