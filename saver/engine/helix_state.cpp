// The helix controller's state step: spin, brake, retract, split and drift, wait, refill, spin up.
#include "saver/engine/helix.h"

#include <cmath>

#include "saver/engine/nucleotide.h"

namespace {
constexpr int32_t kDriftSteps = 20;
constexpr int32_t kFrameMs = 50;
}  // namespace

void HelixController::spin(float f) { spinAngle = wrapTurn(spinAngle + f * spinSpeed); }

void HelixController::planBrake() {
    // The constant deceleration under which the angle reaches a whole number of turns after
    // exactly 100 steps. Larger k only lowers the value, so k = 0 is the only candidate; a helix
    // too slow to reach the next whole turn stops in 100 steps instead of never.
    const float steps = 100.0f;
    const float candidate = 2.0f * (steps * spinSpeed - kTurn + spinAngle) / (steps * steps);
    spinAcceleration = candidate >= 0.0f ? candidate : spinSpeed / steps;
}

void HelixController::retractRungs() {
    for (const ObjectList* strand : {&strandA, &strandB})
        for (int32_t i = 0; i < strand->count; ++i)
            if (NucleotideObject* n = strand->at<HelixSlot>(i)->nucleotide) n->stingState = -1;
}

void HelixController::startDrift() {
    driftAcceleration = {larger(length, 6.0f * radius) / (2.0f * kDriftSteps * kDriftSteps), 0.0f, 0.0f};
    countdown = kDriftSteps * kFrameMs;
    // The partner copies the state, so it must already read 5: both then drift, apart.
    state = 5;
    HelixController* partner = stage ? stage->firstInactiveController() : nullptr;
    if (partner && partner != this) partner->split(*this);
}

void HelixController::stateStep(float f, int32_t dt) {
    if (state <= 4) return stepSpinStates(f, dt);
    if (state <= 7) return stepDriftStates(f, dt);
    switch (state) {
        case 8:
            if (!allStingsIn(2)) {
                growCompletePairs();
                break;
            }
            countdown = 5 * kFrameMs;
            if (stage) stage->stopDispatch();
            spinSpeedLimit = kRestartSpin;
            state = 9;
            break;
        case 9:
            spinAngle += f * spinSpeed;
            spinSpeed += f * spinAcceleration;
            if (std::fabs(spinSpeed) >= std::fabs(spinSpeedLimit)) state = 10;
            break;
        case 10:
            spin(f);
            countdown -= dt;
            if (countdown < 0) {
                if (stage) stage->requestLeave();
                state = 11;
            }
            break;
        case 11: spin(f); break;
        default: break;
    }
}

void HelixController::stepSpinStates(float f, int32_t dt) {
    switch (state) {
        case 1:
            spin(f);
            countdown -= dt;
            if (countdown < 0) {
                planBrake();
                state = 2;
            }
            break;
        case 2:
            spinAngle += f * spinSpeed;
            spinSpeed -= f * spinAcceleration;
            if (spinSpeed <= 0.0f) {
                spinSpeed = 0.0f;
                state = 3;
            }
            break;
        case 3:
            retractRungs();
            state = 4;
            break;
        case 4:
            if (allStingsIn(0)) startDrift();
            break;
        default: break;
    }
}

void HelixController::stepDriftStates(float f, int32_t dt) {
    if (state == 7) return;
    position += driftVelocity * f;
    driftVelocity += driftAcceleration * f;
    countdown -= dt;
    if (countdown >= 0) return;
    if (state == 5) {
        countdown = kDriftSteps * kFrameMs;
        driftAcceleration = -driftAcceleration;
        state = 6;
    } else {
        state = 7;
    }
}
