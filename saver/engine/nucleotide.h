// NucleotideObject: one base of the molecule. It draws the body model of its kind skinned with the
// current frame of its kind's caustic flip-book, breathes (stretches along a random axis), flies to
// a helix slot, and grows a cone-shaped sting (the rung) from itself towards its target.
//
// Units: world units, time in ms (tick count), speeds per 50 ms. The nucleotide has no mesh of its
// own; its body is the shared template of its kind, its sting a 13-vertex fan it owns.
// The flight is seen from the helix: the nucleotide moves along with its slot (which sways with
// the bending axis) and closes in on it by the distance law, so it always arrives.
// What it needs of the scene comes through NucleotideLinks (set by the scene build; every hook may
// be null, which draws nothing of that piece). A nucleotide never owns its slot.
#pragma once

#include <cstdint>

#include "saver/engine/math3d.h"
#include "saver/engine/model_object.h"

struct HelixSlot;

// The texture-store range of a kind's caustic frames; first -1 when there is none.
struct CausticFrames {
    int32_t firstEntry;
    int32_t frameCount;
};

struct NucleotideLinks {
    float size = 70.0f;  // the nucleotide size: the smaller of the first body's radius and 70
    CausticFrames (*causticFrames)(int32_t kind) = nullptr;
    ModelObject* (*bodyModel)(int32_t kind) = nullptr;
    IDirectDrawSurface7* (*textureSurface)(int32_t index) = nullptr;  // a texture of the scene's store
    int32_t stingTextureIndex = -1;                                   // "sting01.bmp" in that store
    D3DMATERIAL7 stingMaterial{{0, 1, 0, 1}, {0, 1, 0, 1}, {0, 1, 0, 0}, {0, 0, 0, 0}, 10.0f};
};
// The process-wide links; tests reset them with `nucleotideLinks() = {}`.
NucleotideLinks& nucleotideLinks();

// The complement of a kind: 0 <-> 1, 2 <-> 3; any other value gives 0.
int32_t complementKind(int32_t kind);

class NucleotideObject : public ModelObject {
public:
    NucleotideObject();
    ~NucleotideObject() override;

    void reset(int32_t active, int32_t kind, int32_t stingState, const Vector3& position, const Vector3& target);
    void frame(DWORD time, IDirect3DDevice7* device) override;
    void drawSelf(IDirect3DDevice7* device) override;  // the sting

    // Parts of frame, in the order it runs them (public so their rules can be checked alone).
    void advanceCaustic(DWORD time);
    void breathe(float f);
    void flyToSlot(float f);
    void growSting(float f);
    float stingLength() const { return stingVertices[0].y; }

    // Caustic animation.
    int32_t baseFrame = -1;
    int32_t currentFrame = -1;
    int32_t frameDuration = 50;
    DWORD lastFrameChange = 0;
    int32_t frameCount = 0;

    Matrix4 orientation;
    int32_t active = 0;
    int32_t free = 1;
    DWORD lastTime = 0;
    Vector3 position;
    int32_t stingState = 0;  // 0 none, 1 growing, 2 full, -1 shrinking
    D3DVERTEX stingVertices[13];
    Vector3 target;
    int32_t kind = 0;
    int32_t pulseDirection = 1;
    float pulseA = 0.0f, pulseB = 0.0f, pulseC = 0.0f;
    float scale = 1.0f;
    float pulseTarget = 1.0f;
    HelixSlot* slot = nullptr;

private:
    // The slot followed since the last frame and where it was then (null: none yet).
    const HelixSlot* followedSlot = nullptr;
    Vector3 followedAt;

    void loadCausticFrames();
    void pickPulse();
    void followSlot();
    void arrive();
    void drawBody(DWORD time, IDirect3DDevice7* device);
    bool sphereOutside(IDirect3DDevice7* device, const Vector3& centre, float radius) const;
};
