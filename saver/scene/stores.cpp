// The program's five stores, and the scene's textures as the models' texture source.
#include "saver/scene/stores.h"

#include "saver/engine/model_textures.h"
#include "saver/scene/surface_makers.h"

namespace {

class SceneTextureSource : public ModelTextureSource {
public:
    int32_t textureIndexFor(const char* name) override { return sceneTextures().textureIndexFor(name); }
    IDirectDrawSurface7* textureSurfaceAt(int32_t index) override { return sceneTextures().surfaceAt(index); }
};

SceneTextureSource g_source;

// Models loaded before anything else touches the stores still register their textures here.
const bool g_installed = [] {
    setModelTextureSource(&g_source);
    return true;
}();

}  // namespace

TextureStore& sceneTextures() {
    static TextureStore textures;
    return textures;
}

BitmapStore& interfaceBitmaps(int which) {
    static BitmapStore bitmaps[kInterfaceBitmapStores];
    return bitmaps[which >= 0 && which < kInterfaceBitmapStores ? which : 0];
}

void resetStores() {
    sceneTextures().clear();
    for (int i = 0; i < kInterfaceBitmapStores; ++i) interfaceBitmaps(i).clear();
    resetAlphaTextureFormat();
    (void)g_installed;
}
