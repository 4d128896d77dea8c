// The cluster's tilt, counter-rotation and choice of outside or inside-out models.
#include "saver/engine/cluster.h"

#include "saver/engine/helix.h"

ClusterLinks& clusterLinks() {
    static ClusterLinks links;
    return links;
}

ClusterObject::ClusterObject() : orientation(identity()) {}

ClusterObject::~ClusterObject() = default;

void ClusterObject::setPosition(float x, float y, float z) {
    position = {x, y, z};
    tiltA = randomFloat(kTurn);
    tiltB = randomFloat(kTurn);
    tiltC = randomFloat(kTurn);
    spinAngle = counterSpinAngle = 0.0f;
    orientation = rotationX(tiltA) * rotationY(tiltB) * rotationZ(tiltC);
}

bool ClusterObject::eyeInside() const {
    const ClusterLinks& links = clusterLinks();
    return links.eye && length(position - *links.eye) <= links.radius;
}

void ClusterObject::frame(DWORD time, IDirect3DDevice7* device) {
    const float f = lastTime == 0 ? 1.0f : static_cast<float>(time - lastTime) / 50.0f;
    spinAngle = wrapTurn(spinAngle + kSpinRate * f);
    counterSpinAngle = wrapTurn(counterSpinAngle - kSpinRate * f);
    const ClusterLinks& links = clusterLinks();
    const int32_t first = eyeInside() ? 4 : 6;
    ModelObject* shell = links.model ? links.model(first) : nullptr;
    ModelObject* cage = links.model ? links.model(first + 1) : nullptr;
    const Matrix4 place = orientation * translation(position);
    if (shell) shell->renderTree(time, rotationY(spinAngle) * place, device);
    if (cage) cage->renderTree(time, rotationY(counterSpinAngle) * place, device);
    lastTime = time;
}
