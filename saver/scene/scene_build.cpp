// The scene build at start-up: textures, flip-books, model templates and the story's objects.
#include <string>

#include "common/settings.h"
#include "platform/win/clock.h"
#include "saver/engine/model_textures.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene.h"
#include "saver/scene/scene_models.h"
#include "saver/scene/stores.h"

namespace {
int32_t registerTexture(const std::string& name, bool) {
    ModelTextureSource* source = modelTextureSource();
    return source ? source->textureIndexFor(name.c_str()) : -1;
}
}  // namespace

void Scene::build(IDirectDraw7*) {
    NucleotideLinks& links = nucleotideLinks();
    links.stingTextureIndex = registerTexture("sting01.bmp", false);
    appendCausticRecords();
    registerAnimatedTextures(registerTexture);
    const TemplateMeasures measures = loadModelTemplates(g_settings.detailLevel);
    links.size = measures.nucleotideSize;
    clusterLinks().radius = measures.clusterRadius;
    deleteObjects();
    centralCluster = new ClusterObject;
    centralCluster->setPosition(0.0f, 0.0f, 0.0f);
    // The surfaces are made again once the 3D device exists.
    sceneTextures().releaseAll();
    links.stingMaterial = {{0, 1, 0, 1}, {0, 1, 0, 1}, {0, 1, 0, 0}, {0, 0, 0, 0}, 10.0f};
    seedRandom(platform::currentTimeSeed());
    createObjects();
}

void Scene::createObjects() {
    for (int32_t i = 0; i < nucleotideCount; ++i) {
        auto* n = new NucleotideObject;
        n->active = 1;
        n->position = {randomFloat(1000.0f) - 500.0f, randomFloat(1000.0f) - 500.0f, randomFloat(1000.0f) + 1000.0f};
        n->stingState = 1;
        n->target = n->position + Vector3{100.0f, 100.0f, -100.0f};
        if (nucleotides.add(n) < 0) delete n;
    }
    for (int32_t i = 0; i < 2; ++i) {
        auto* h = new HelixController(&nucleotides, this);
        if (helices.add(h) < 0) delete h;
    }
}
