// ClusterObject: a cluster of the field, drawn as the two large cluster models ("vorel07",
// "vorel08") around its position, turning slowly in opposite senses under a fixed random tilt.
// When the eye is within the cluster radius (distance <= R) the inside-out copies are drawn.
//
// Units: world units, radians, time in ms, spin 0.005 rad per 50 ms. It has no mesh of its own;
// the four models are shared templates reached through ClusterLinks (model list positions 6, 7
// outside and 4, 5 inside); a missing model is skipped. The eye is the camera's, read each frame.
#pragma once

#include <cstdint>

#include "saver/engine/math3d.h"
#include "saver/engine/model_object.h"

struct ClusterLinks {
    float radius = 3000.0f;            // R: the radius of the "vorel07" model
    const Vector3* eye = nullptr;      // the camera's eye; none counts as far away
    ModelObject* (*model)(int32_t index) = nullptr;  // the model templates list
};
// The process-wide links; tests reset them with `clusterLinks() = {}`.
ClusterLinks& clusterLinks();

class ClusterObject : public ModelObject {
public:
    static constexpr float kSpinRate = 0.005f;

    ClusterObject();
    ~ClusterObject() override;

    void setPosition(float x, float y, float z);
    void frame(DWORD time, IDirect3DDevice7* device) override;
    // True when the eye is within the cluster radius, so the inside-out models are drawn.
    bool eyeInside() const;

    DWORD lastTime = 0;
    Vector3 position;
    Matrix4 orientation;
    float tiltA = 0.0f, tiltB = 0.0f, tiltC = 0.0f;
    float spinAngle = 0.0f;
    float counterSpinAngle = 0.0f;
};
