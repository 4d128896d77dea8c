// SceneCamera: the viewer's flight through the story and the light that travels with the eye.
//
// States: 0 approach (straight ahead until within 1.02 R of the central cluster; the scene then
// switches to its inside view), 1 entering (along +z until within 0.95 R), 2 orbit (a wobbling
// circle of radius 0.95 R around the origin; leaves only when the orbit angle wraps and a leave
// was requested), 5 leaving (along the line of sight through the centre until 0.98 R beyond it;
// the scene then switches to its outside view). Speeds are per 50 ms; dt is not limited.
// R and the central cluster come from the CameraStage the scene gives; without a stage the camera
// flies towards the origin with R 3000. Light 1 of the device is a point light at the eye.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "saver/engine/math3d.h"

// What the camera needs of the scene.
class CameraStage {
public:
    virtual ~CameraStage() = default;
    virtual float clusterRadius() const = 0;
    virtual Vector3 centralClusterPosition() const = 0;
    virtual void enterInsideView() = 0;
    virtual void enterOutsideView() = 0;
};

class SceneCamera {
public:
    SceneCamera();

    D3DLIGHT7 light;
    float orbitWobble = 0.0f;
    float orbitWaves = 0.0f;
    float orbitAngle = 0.0f;
    int32_t state = 0;
    int32_t leaveRequested = 0;
    Vector3 eye{0.0f, 0.0f, -4000.0f};
    Vector3 target{0.0f, 0.0f, 0.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    uint32_t lastUpdateTime = 0;
    CameraStage* stage = nullptr;  // not owned

    // Advances the flight, sets light 1 and the view transform of the device (device may be null).
    void update(uint32_t time, IDirect3DDevice7* device);
    // Picks the orbit's wave count (0.5 … 2.5) and its signed wobble.
    void pickOrbitParameters();
    // The view transform for the current eye, target and up (identity when they are degenerate).
    Matrix4 viewMatrix() const;

private:
    void approach(float dt, float R, const Vector3& central);
    void enter(float dt, float R, const Vector3& central);
    void orbit(float dt, float R);
    void leave(float dt, float R, const Vector3& central);
};
