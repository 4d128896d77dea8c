// The scene's lifetime, its hooks for the camera and the helices, and the per-frame render pass.
#include "saver/scene/scene.h"

#include "common/settings.h"
#include "saver/engine/model_textures.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene_models.h"

namespace {
ModelObject* bodyModel(int32_t kind) { return kind >= 0 && kind < 4 ? modelTemplate(kind) : nullptr; }
// Render states for a pass; without a device (tests of the story's motion) nothing is set.
void setState(IDirect3DDevice7* device, D3DRENDERSTATETYPE state, DWORD value) {
    if (device) device->SetRenderState(state, value);
}
void enableLights(IDirect3DDevice7* device, BOOL on) {
    if (!device) return;
    device->LightEnable(0, on);
    device->LightEnable(1, on);
}

IDirectDrawSurface7* textureSurface(int32_t index) {
    ModelTextureSource* source = modelTextureSource();
    return source && index >= 0 ? source->textureSurfaceAt(index) : nullptr;
}
}  // namespace

Scene& theScene() {
    static Scene scene;
    return scene;
}

Scene::Scene() {
    camera.stage = this;
    wireLinks();
}

Scene::~Scene() {
    deleteObjects();
    if (clusterLinks().eye == &camera.eye) clusterLinks().eye = nullptr;
}

void Scene::wireLinks() {
    NucleotideLinks& n = nucleotideLinks();
    n.causticFrames = causticRangeOf;
    n.bodyModel = bodyModel;
    n.textureSurface = textureSurface;
    ClusterLinks& c = clusterLinks();
    c.eye = &camera.eye;
    c.model = modelTemplate;
}

void Scene::deleteObjects() {
    for (int32_t i = 0; i < nucleotides.count; ++i) delete nucleotide(i);
    for (int32_t i = 0; i < helices.count; ++i) delete helix(i);
    clearClusters();
    nucleotides.clear();
    helices.clear();
    delete centralCluster;
    centralCluster = nullptr;
    centralInClusters = 0;
}

void Scene::clearClusters() {
    for (int32_t i = 0; i < clusters.count; ++i)
        if (cluster(i) != centralCluster) delete cluster(i);
    clusters.clear();
}

float Scene::clusterRadius() const { return clusterLinks().radius; }

Vector3 Scene::centralClusterPosition() const { return centralCluster ? centralCluster->position : Vector3{}; }

HelixController* Scene::firstInactiveController() {
    for (int32_t i = 0; i < helices.count; ++i)
        if (!helix(i)->active) return helix(i);
    return nullptr;
}

void Scene::updateHelices(DWORD time) {
    bool allWaiting = true;
    for (int32_t i = 0; i < helices.count; ++i) {
        helix(i)->update(time);
        if (helix(i)->state != 7) allWaiting = false;
    }
    if (!allWaiting) return;
    for (int32_t i = 0; i < helices.count; ++i) helix(i)->state = 8;
    dispatchActive = 1;
    dispatchCountdown = dispatchInterval * 50;
}

void Scene::renderFrame(DWORD time, IDirect3DDevice7* device_) {
    device = device_;
    camera.update(time, device);
    const int32_t elapsed = static_cast<int32_t>(time - lastFrameTime);
    updateHelices(time);
    if (g_settings.transparencyOn) {
        setState(device, D3DRENDERSTATE_ZWRITEENABLE, 0);
        setState(device, D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    }
    for (int32_t i = 0; i < nucleotides.count; ++i) nucleotide(i)->frame(time, device);
    setState(device, D3DRENDERSTATE_ZWRITEENABLE, 0);
    setState(device, D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    for (int32_t i = 0; i < clusters.count; ++i) cluster(i)->frame(time, device);
    for (int32_t i = 0; i < nucleotides.count; ++i) nucleotide(i)->drawSelf(device);
    if (!centralInClusters && centralCluster) drawCentralCluster(time);
    setState(device, D3DRENDERSTATE_ZWRITEENABLE, 1);
    setState(device, D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    if (dispatchActive) {
        dispatchCountdown -= elapsed;
        if (dispatchCountdown < 0) {
            dispatchCountdown = dispatchInterval * 50;
            dispatchNucleotide();
        }
    }
    lastFrameTime = time;
    publishStoryState();
}

// Seen from inside, the central cluster glows evenly: strong ambient light, no lights.
void Scene::drawCentralCluster(DWORD time) {
    DWORD ambient = 0;
    if (device) device->GetRenderState(D3DRENDERSTATE_AMBIENT, &ambient);
    setState(device, D3DRENDERSTATE_AMBIENT, 0xCCCCCCCC);
    enableLights(device, FALSE);
    centralCluster->frame(time, device);
    enableLights(device, TRUE);
    setState(device, D3DRENDERSTATE_AMBIENT, ambient);
}
