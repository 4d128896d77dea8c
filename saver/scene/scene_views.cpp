// The two view set-ups: the fogged field of clusters outside, the helix inside the central cluster.
#include <cmath>

#include "saver/scene/scene.h"

namespace {
constexpr float kFieldOfView = 0.75f;
constexpr float kAspect = 0.75f;
constexpr int kMaxCandidates = 10000;  // a field that cannot be filled is left short

void setProjection(IDirect3DDevice7* device, float farPlane) {
    Matrix4 projection = identity();
    perspective(kFieldOfView, kAspect, 100.0f, farPlane, &projection);
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
}

void setOutsideStates(IDirect3DDevice7* device) {
    setProjection(device, 50000.0f);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x99999999);
    device->LightEnable(1, FALSE);
    device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0);
    device->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(30000.0f));
    device->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(49000.0f));
}

void setInsideStates(IDirect3DDevice7* device) {
    setProjection(device, 10000.0f);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x22222222);
    device->LightEnable(1, TRUE);
    device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 0);
}
}  // namespace

void Scene::enterOutsideView() {
    if (device) setOutsideStates(device);
    clearClusters();
    delete centralCluster;
    centralCluster = nullptr;
    for (int32_t i = 0; i < helices.count; ++i) helix(i)->active = 0;
    for (int32_t i = 0; i < nucleotides.count; ++i) nucleotide(i)->active = 0;
    const Vector3 ahead = camera.eye + normalize(camera.target - camera.eye) * centralDistance;
    centralCluster = new ClusterObject;
    centralCluster->setPosition(ahead.x, ahead.y, ahead.z);
    clusters.add(centralCluster);
    Matrix4 view = identity(), inverseView = identity();
    lookAt(camera.eye, camera.target, camera.up, &view);
    invertAffine(view, &inverseView);
    layOutField(inverseView);
    sortClustersByDistance();
    centralInClusters = 1;
}

// Candidates are drawn in camera space (a widening cone ahead of the eye, the line of sight kept
// clear) and compared with the placed clusters in world space.
void Scene::layOutField(const Matrix4& inverseView) {
    const float R = clusterRadius();
    for (int32_t placed = 0; placed < clusterCount; ++placed) {
        for (int attempt = 0; attempt < kMaxCandidates; ++attempt) {
            const float s = 3.0f * R + randomFloat(1.5f * centralDistance);
            const Vector3 c{randomFloat(s) - s / 2.0f, randomFloat(0.75f * s) - 0.375f * s, s};
            if (std::sqrt(c.x * c.x + c.y * c.y) <= 2.0f * R) continue;
            Vector3 world = c;
            transformPoint(c, inverseView, &world);
            bool clear = true;
            for (int32_t i = 0; i < clusters.count && clear; ++i)
                clear = length(cluster(i)->position - world) > 2.5f * R;
            if (!clear) continue;
            auto* cluster = new ClusterObject;
            cluster->setPosition(world.x, world.y, world.z);
            if (clusters.add(cluster) < 0) delete cluster;
            break;
        }
    }
}

void Scene::sortClustersByDistance() {
    const int32_t n = clusters.count;
    for (int32_t pass = 0; pass < n - 1; ++pass)
        for (int32_t i = 0; i < n - 1; ++i)
            if (length(cluster(i + 1)->position - camera.eye) < length(cluster(i)->position - camera.eye))
                clusters.swap(i, i + 1);
}

void Scene::enterInsideView() {
    centralInClusters = 0;
    if (device) setInsideStates(device);
    clearClusters();
    dispatchActive = 0;
    const float R = clusterRadius();
    camera.eye = {0.0f, 0.0f, -0.98f * R};
    camera.target = {0.0f, 0.0f, 0.0f};
    camera.up = {0.0f, 1.0f, 0.0f};
    if (!centralCluster) centralCluster = new ClusterObject;
    centralCluster->position = {0.0f, 0.0f, 0.0f};
    Matrix4 facing = identity();
    lookAt(centralCluster->position, centralCluster->position + (camera.target - camera.eye), camera.up, &facing);
    centralCluster->orientation = centralCluster->orientation * facing;
    scatterFreeNucleotides();
}

void Scene::scatterFreeNucleotides() {
    for (int32_t i = 0; i < nucleotides.count; ++i) nucleotide(i)->free = 1;
    for (int32_t i = 0; i < helices.count; ++i) helix(i)->rebuild(i == 0 ? 1 : 0, 0.0f, 0.0f, 0.0f);
    const HelixController* first = helix(0);
    const float r = first ? first->radius : 0.0f, h = first ? first->length : 0.0f;
    const float a = larger(h, 6.0f * r), b = 1.5f * h, c = a / 2.0f;
    int32_t perKind[4] = {0, 0, 0, 0};
    for (int32_t i = 0; i < nucleotides.count; ++i) {
        const NucleotideObject* n = nucleotide(i);
        if (!n->free && n->kind >= 0 && n->kind < 4) ++perKind[n->kind];
    }
    const float R = clusterRadius(), box = 0.8f * R;
    for (int32_t i = 0; i < nucleotides.count; ++i) {
        NucleotideObject* n = nucleotide(i);
        if (!n->free) continue;
        Vector3 p;
        for (int attempt = 0; attempt < kMaxCandidates; ++attempt) {
            p = {randomFloat(2.0f * box) - box, randomFloat(2.0f * box) - box, randomFloat(2.0f * box) - box};
            if (a <= 0.0f || b <= 0.0f || p.x * p.x / (a * a) + p.y * p.y / (b * b) + p.z * p.z / (c * c) > 1.0f) break;
        }
        if (length(p) > box) p = normalize(p) * box;
        int32_t kind = 0;
        for (int32_t k = 0; k < 4; ++k)
            if (perKind[k] > 0) {
                kind = k;
                --perKind[k];
                break;
            }
        n->reset(1, kind, 0, p, Vector3{});
    }
}
