// The helix controller: building the helix, the split, the rung queries and placing the slots on
// the bending axis. The state step is in helix_state.cpp.
#include "saver/engine/helix.h"

#include <cmath>

#include "saver/engine/nucleotide.h"

namespace {
constexpr float kFrameUnit = 50.0f;
constexpr float kSwingFactor = 2.4f;

float swingSpeed() { return randomFloat(0.15f) + 0.1f; }

void clearSlot(HelixSlot* slot) {
    slot->nucleotide = nullptr;
    slot->empty = 1;
}
}  // namespace

float wrapTurn(float angle) {
    if (angle > kTurn) angle -= kTurn;
    else if (angle < 0.0f) angle += kTurn;
    return angle;
}

HelixController::HelixController(const ObjectList* nucleotides_, HelixStage* stage_)
    : nucleotides(nucleotides_), stage(stage_) {
    for (int32_t i = 0; i < N; ++i) {
        strandA.add(new HelixSlot);
        strandB.add(new HelixSlot);
    }
}

HelixController::~HelixController() {
    for (int32_t i = 0; i < strandA.count; ++i) delete slotA(i);
    for (int32_t i = 0; i < strandB.count; ++i) delete slotB(i);
    strandA.clear();
    strandB.clear();
}

void HelixController::rebuild(int32_t active_, float x, float y, float z) {
    active = active_;
    position = {x, y, z};
    driftVelocity = driftAcceleration = Vector3{};
    spinAngle = spinSpeed = spinAcceleration = spinSpeedLimit = 0.0f;
    state = 0;
    if (!active) {
        for (int32_t i = 0; i < N; ++i) clearSlot(slotA(i)), clearSlot(slotB(i));
        return;
    }
    const float size = nucleotideLinks().size;
    const float k = randomFloat(0.5f - 0.2f) + 0.2f;
    const float s = (1.0f - k) * size;
    radius = static_cast<float>(N) * s / kPi;
    const float rise = std::sqrt((2.0f * size) * (2.0f * size) - (2.0f * s) * (2.0f * s));
    length = static_cast<float>(N) * rise - 1.0f;
    float height = length / 2.0f, distance = 0.0f, alpha = 0.0f;
    for (int32_t i = 0; i < N; ++i) {
        HelixSlot* a = slotA(i);
        HelixSlot* b = slotB(i);
        a->height = b->height = height;
        a->t = b->t = distance / length;
        a->offset = Vector3{std::cos(alpha), 0.0f, std::sin(alpha)} * radius;
        b->offset = -a->offset;
        const Vector3 p = position + Vector3{0.0f, height, 0.0f};
        a->kind = randomInt(4);
        b->kind = complementKind(a->kind);
        a->nucleotide = nucleotides ? nucleotides->at<NucleotideObject>(2 * i) : nullptr;
        b->nucleotide = nucleotides ? nucleotides->at<NucleotideObject>(2 * i + 1) : nullptr;
        for (HelixSlot* slot : {a, b}) {
            // A place without a nucleotide to put there stays open for the dispatch.
            slot->empty = slot->nucleotide ? 0 : 1;
            if (!slot->nucleotide) continue;
            slot->nucleotide->reset(1, slot->kind, 2, p + slot->offset, p);
            slot->nucleotide->free = 0;
        }
        height -= rise;
        distance += rise;
        alpha += kTurn / static_cast<float>(N);
    }
    topEnd = {0.0f, length / 2.0f + 1.0f, 0.0f};
    bottomEnd = -topEnd;
    topSwingAngle = bottomSwingAngle = 0.0f;
    endReach = randomFloat(300.0f) + 300.0f;
    topSwingSpeed = swingSpeed();
    if (randomInt(2) == 0) topSwingSpeed = -topSwingSpeed;
    bottomSwingSpeed = swingSpeed();
    if (randomInt(2) == 0) bottomSwingSpeed = -bottomSwingSpeed;
    state = 1;
    countdown = 2 * 50;
    spinSpeed = spinSpeedLimit = kRestartSpin;
}

void HelixController::split(HelixController& other) {
    active = 1;
    position = other.position;
    spinAngle = other.spinAngle;
    spinSpeed = other.spinSpeed;
    spinAcceleration = other.spinAcceleration;
    state = other.state;
    lastTime = other.lastTime;
    driftVelocity = other.driftVelocity;
    countdown = other.countdown;
    radius = other.radius;
    length = other.length;
    driftAcceleration = -other.driftAcceleration;
    for (int32_t i = 0; i < N; ++i) {
        HelixSlot *mineA = slotA(i), *theirsA = other.slotA(i);
        HelixSlot *mineB = slotB(i), *theirsB = other.slotB(i);
        *mineA = *theirsA;
        mineA->empty = 0;
        clearSlot(theirsA);
        *mineB = *theirsB;
        clearSlot(mineB);
    }
    endReach = other.endReach;
    topSwingAngle = other.topSwingAngle;
    topSwingSpeed = std::copysign(swingSpeed(), other.topSwingSpeed);
    bottomSwingAngle = other.bottomSwingAngle;
    bottomSwingSpeed = std::copysign(swingSpeed(), other.bottomSwingSpeed);
}

int32_t HelixController::allStingsIn(int32_t s) const {
    for (const ObjectList* strand : {&strandA, &strandB})
        for (int32_t i = 0; i < strand->count; ++i) {
            const NucleotideObject* n = strand->at<HelixSlot>(i)->nucleotide;
            if (n && n->stingState != s) return 0;
        }
    return 1;
}

void HelixController::growCompletePairs() {
    for (int32_t i = 0; i < N; ++i) {
        NucleotideObject* a = slotA(i)->nucleotide;
        NucleotideObject* b = slotB(i)->nucleotide;
        if (a && b && a->stingState == 0 && b->stingState == 0) a->stingState = b->stingState = 1;
    }
}

void HelixController::axisPath(Vector3 out[4]) const {
    const float h = length / 2.0f;
    out[0] = topEnd;
    out[1] = {0.0f, h, 0.0f};
    out[2] = {0.0f, -h, 0.0f};
    out[3] = bottomEnd;
}

void HelixController::swingEnds(float f) {
    const float h = length / 2.0f;
    topSwingAngle = wrapTurn(topSwingAngle + f * topSwingSpeed);
    topEnd = Vector3{0.0f, h + endReach, 0.0f} +
             Vector3{std::cos(topSwingAngle), 0.0f, std::sin(topSwingAngle)} * (kSwingFactor * endReach);
    bottomSwingAngle = wrapTurn(bottomSwingAngle + f * bottomSwingSpeed);
    bottomEnd = Vector3{0.0f, -h - endReach, 0.0f} +
                Vector3{std::cos(bottomSwingAngle), 0.0f, std::sin(bottomSwingAngle)} * (kSwingFactor * endReach);
}

void HelixController::update(DWORD time) {
    if (!active) {
        lastTime = time;
        return;
    }
    int32_t dt = static_cast<int32_t>(time - lastTime);
    float f = static_cast<float>(dt) / kFrameUnit;
    if (lastTime == 0) dt = 0, f = 1.0f;
    swingEnds(f);
    stateStep(f, dt);
    placeSlots();
    lastTime = time;
}

void HelixController::placeSlots() {
    Vector3 path[4];
    axisPath(path);
    for (int32_t i = 0; i < N; ++i) placeAt(i, path);
}

void HelixController::placeAt(int32_t i, const Vector3 path[4]) {
    HelixSlot* a = slotA(i);
    HelixSlot* b = slotB(i);
    const Vector3 p = catmullRom(path, a->t);
    const Vector3 d = pathDirection(path, a->t, N);
    a->direction = b->direction = d;
    Matrix4 frameMatrix = identity(), inverseFrame = identity();
    lookAt(p, p + cross(d, Vector3{1.0f, 0.0f, 0.0f}), normalize(d), &frameMatrix);
    invertAffine(frameMatrix, &inverseFrame);
    Vector3 local = a->offset;
    transformPoint(a->offset, inverseFrame, &local);
    const Matrix4 W = rotationY(spinAngle) * translation(position);
    transformPoint(local, W, &a->position);
    transformPoint(p, W, &a->axisPoint);
    b->axisPoint = a->axisPoint;
    b->position = a->axisPoint - (a->position - a->axisPoint);
    for (HelixSlot* slot : {a, b}) {
        if (!slot->nucleotide) continue;
        slot->nucleotide->position = slot->position;
        slot->nucleotide->target = slot->axisPoint;
    }
}
