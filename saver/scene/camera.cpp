// The camera's flight states and its light.
#include "saver/scene/camera.h"

#include <cmath>

namespace {
constexpr float kFrameUnit = 50.0f;
constexpr float kApproachSpeed = 100.0f;
constexpr float kInsideSpeed = 30.0f;
constexpr float kOrbitSpeed = 0.01f;
constexpr float kTwoPi = 2.0f * kPi;
}  // namespace

SceneCamera::SceneCamera() : light{} {
    light.dltType = D3DLIGHT_POINT;
    light.dcvDiffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.dcvSpecular = {1.0f, 1.0f, 1.0f, 0.0f};
    light.dvPosition = {0.0f, 0.0f, -4000.0f};
    light.dvRange = 7000.0f;
    light.dvAttenuation0 = 1.0f;
    light.dvAttenuation1 = 0.00025f;
}

void SceneCamera::pickOrbitParameters() {
    orbitWaves = static_cast<float>(randomInt(5) + 1) * 0.5f;
    orbitWobble = (kPi / 2.0f) * 0.25f + randomFloat((kPi / 2.0f) * 0.4f);
    if (randomInt(2) == 0) orbitWobble = -orbitWobble;
}

void SceneCamera::update(uint32_t time, IDirect3DDevice7* device) {
    const float dt = lastUpdateTime == 0 ? 1.0f : static_cast<float>(time - lastUpdateTime) / kFrameUnit;
    const float R = stage ? stage->clusterRadius() : 3000.0f;
    const Vector3 central = stage ? stage->centralClusterPosition() : Vector3{};
    switch (state) {
        case 0: approach(dt, R, central); break;
        case 1: enter(dt, R, central); break;
        case 2: orbit(dt, R); break;
        case 5: leave(dt, R, central); break;
        default: break;
    }
    light.dvPosition = eye;
    Matrix4 view = viewMatrix();
    if (device) {
        device->SetLight(1, &light);
        device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    }
    lastUpdateTime = time;
}

Matrix4 SceneCamera::viewMatrix() const {
    Matrix4 view = identity();
    lookAt(eye, target, up, &view);
    return view;
}

void SceneCamera::approach(float dt, float R, const Vector3& central) {
    const Vector3 step = normalize(target - eye) * (kApproachSpeed * dt);
    eye += step;
    target += step;
    if (length(central - eye) < 1.02f * R) {
        leaveRequested = 0;
        state = 1;
        if (stage) stage->enterInsideView();
    }
}

void SceneCamera::enter(float dt, float R, const Vector3& central) {
    const Vector3 step{0.0f, 0.0f, kInsideSpeed * dt};
    eye += step;
    target += step;
    if (length(central - eye) <= 0.95f * R) {
        leaveRequested = 0;
        orbitAngle = 0.0f;
        pickOrbitParameters();
        state = 2;
    }
}

void SceneCamera::orbit(float dt, float R) {
    orbitAngle += kOrbitSpeed * dt;
    if (orbitAngle >= kTwoPi) {
        pickOrbitParameters();
        orbitAngle -= kTwoPi;
        if (leaveRequested) {
            state = 5;
            leaveRequested = 0;
            target = {0.0f, 0.0f, 0.0f};
            eye = {0.0f, 0.0f, -0.95f * R};
            up = {0.0f, 1.0f, 0.0f};
            return;
        }
    }
    const float theta = orbitAngle;
    target = {0.0f, 0.0f, 0.0f};
    const Vector3 around{std::sin(theta), std::sin(orbitWobble * std::sin(orbitWaves * theta)), -std::cos(theta)};
    eye = normalize(around) * (0.95f * R);
    const Vector3 v = target - eye;
    const Vector3 s = cross(v, Vector3{0.0f, 1.0f, 0.0f});
    up = normalize(cross(s, v));
}

void SceneCamera::leave(float dt, float R, const Vector3& central) {
    const Vector3 step = normalize(target - eye) * (kInsideSpeed * dt);
    eye += step;
    target += step;
    if (length(central - eye) >= 0.98f * R) {
        leaveRequested = 0;
        state = 0;
        if (stage) stage->enterOutsideView();
    }
}
