// The nucleotide's construction, reset, per-frame motion and body draw. The sting is in
// nucleotide_sting.cpp.
#include "saver/engine/nucleotide.h"

#include <cmath>

#include "saver/engine/helix_slot.h"

namespace {
constexpr float kFrameUnit = 50.0f;
constexpr float kPulseSpeed = 0.02f;

void buildStingFan(D3DVERTEX (&v)[13], float r) {
    v[0] = {0, 0, 0, 0, 1, 0, 0, 0};
    for (int i = 1; i <= 12; ++i) {
        const float theta = i == 12 ? 0.0f : kTurn - static_cast<float>(i - 1) * kTurn / 11.0f;
        const float c = std::cos(theta), s = std::sin(theta);
        v[i] = {r * c, 0, r * s, c, 0, s, theta / kTurn, 1.0f};
    }
}
}  // namespace

NucleotideLinks& nucleotideLinks() {
    static NucleotideLinks links;
    return links;
}

int32_t complementKind(int32_t kind) {
    switch (kind) {
        case 0: return 1;
        case 1: return 0;
        case 2: return 3;
        case 3: return 2;
        default: return 0;
    }
}

NucleotideObject::NucleotideObject() {
    const float a0 = randomFloat(kTurn), b0 = randomFloat(kTurn), c0 = randomFloat(kTurn);
    orientation = rotationX(b0) * rotationY(a0) * rotationZ(c0);
    buildStingFan(stingVertices, 0.4f * nucleotideLinks().size);
    loadCausticFrames();
}

NucleotideObject::~NucleotideObject() = default;

void NucleotideObject::loadCausticFrames() {
    const NucleotideLinks& links = nucleotideLinks();
    const CausticFrames frames = links.causticFrames ? links.causticFrames(kind) : CausticFrames{-1, 0};
    baseFrame = currentFrame = frames.firstEntry;
    frameCount = frames.frameCount;
}

void NucleotideObject::reset(int32_t active_, int32_t kind_, int32_t stingState_, const Vector3& position_,
                             const Vector3& target_) {
    free = 1;
    active = active_;
    kind = kind_;
    stingState = stingState_;
    position = position_;
    target = target_;
    slot = nullptr;
    followedSlot = nullptr;
    loadCausticFrames();
}

void NucleotideObject::frame(DWORD time, IDirect3DDevice7* device) {
    if (!active) {
        lastTime = lastFrameChange = time;
        return;
    }
    advanceCaustic(time);
    const float f = lastTime == 0 ? 1.0f : static_cast<float>(time - lastTime) / kFrameUnit;
    breathe(f);
    flyToSlot(f);
    drawBody(time, device);
    growSting(f);
    lastTime = time;
}

void NucleotideObject::advanceCaustic(DWORD time) {
    if (lastFrameChange == 0) {
        lastFrameChange = time;
        return;
    }
    if (static_cast<int32_t>(time - lastFrameChange) >= frameDuration) {
        currentFrame += 1;
        if (currentFrame >= baseFrame + frameCount) currentFrame = baseFrame;
        lastFrameChange = time;
    }
}

void NucleotideObject::pickPulse() {
    scale = 1.0f;
    if (randomInt(2) == 0) {
        pulseDirection = 1;
        pulseTarget = 1.2f + randomFloat(0.3f);
    } else {
        pulseDirection = -1;
        pulseTarget = 0.8f - randomFloat(0.2f);
    }
    pulseA = randomFloat(kTurn);
    pulseB = randomFloat(kTurn);
    pulseC = randomFloat(kTurn);
}

void NucleotideObject::breathe(float f) {
    if (pulseDirection == 1) {
        if (scale < pulseTarget) {
            scale += kPulseSpeed * f;
        } else if (pulseTarget == 1.0f) {
            pickPulse();
        } else {
            pulseDirection = -1;
            pulseTarget = 1.0f;
        }
        return;
    }
    if (scale > pulseTarget) {
        scale -= kPulseSpeed * f;
    } else if (pulseTarget == 1.0f) {
        pickPulse();
    } else {
        pulseDirection = 1;
        pulseTarget = 1.0f;
    }
}

// The place sways with the helix axis, at times faster than the slow approach near it; carried
// along, the nucleotide closes in by the distance law as if the place stood still.
void NucleotideObject::followSlot() {
    if (followedSlot == slot) position += slot->position - followedAt;
    followedSlot = slot;
    followedAt = slot->position;
}

void NucleotideObject::arrive() {
    slot->nucleotide = this;
    position = slot->position;
    slot = nullptr;
    followedSlot = nullptr;
}

void NucleotideObject::flyToSlot(float f) {
    if (!slot) return;
    followSlot();
    const Vector3 toSlot = slot->position - position;
    const float d = length(toSlot);
    if (d <= 0.0f) return arrive();
    float v;
    if (d >= 1000.0f) v = 50.0f;
    else if (d > 150.0f) v = (50.0f - 5.0f) * d / 1000.0f + 5.0f;
    else v = (1.0f - d / 150.0f) * (30.0f - 5.0f) + 5.0f;
    const Vector3 step = toSlot / d * (v * f);
    if (length(step) < d) {
        position += step;
        if (length(slot->position - position) <= 0.5f * nucleotideLinks().size) arrive();
    } else {
        arrive();
    }
}

bool NucleotideObject::sphereOutside(IDirect3DDevice7* device, const Vector3& centre, float radius) const {
    Matrix4 world = identity();
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    D3DVECTOR c = centre;
    DWORD status = 0;
    if (device->ComputeSphereVisibility(&c, &radius, 1, 0, &status) < 0) return false;
    return (status & D3DSTATUS_CLIPINTERSECTIONALL) != 0;
}

void NucleotideObject::drawBody(DWORD time, IDirect3DDevice7* device) {
    if (!device) return;
    const NucleotideLinks& links = nucleotideLinks();
    if (sphereOutside(device, position, links.size * scale)) return;
    ModelObject* body = links.bodyModel ? links.bodyModel(kind) : nullptr;
    if (!body) return;
    const Matrix4 R = rotationX(pulseB) * rotationY(pulseA) * rotationZ(pulseC);
    Matrix4 inverseR = identity();
    invertAffine(R, &inverseR);
    const Matrix4 world = orientation * R * scaling(1.0f, scale, 1.0f) * inverseR * translation(position);
    body->renderTreeTextured(time, world, device, currentFrame);
}

void NucleotideObject::growSting(float f) {
    D3DVERTEX& apex = stingVertices[0];
    if (stingState == 0) {
        apex.x = apex.y = apex.z = 0.0f;
        return;
    }
    const float size = nucleotideLinks().size;
    const float L = length(target - position);
    if (L < size) return;
    if (stingState == -1) {
        apex.y -= 3.0f * f;
        if (apex.y < size) stingState = 0;
    } else if (stingState == 1) {
        apex.y += 3.0f * f;
        if (apex.y >= L) {
            apex.y = L;
            stingState = 2;
        }
    } else if (stingState == 2) {
        apex.y = L;
    }
}
