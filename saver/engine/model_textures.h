// How models reach the scene's textures without the engine depending on the scene.
//
// The scene's texture store installs itself as the source; without a source, loading registers
// nothing (every material gets texture index -1) and drawing binds no texture. Not owned here.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

class ModelTextureSource {
public:
    virtual ~ModelTextureSource() = default;
    // Index of the texture with this exact name, registering it (preload 1) when it is new.
    virtual int32_t textureIndexFor(const char* name) = 0;
    // The texture's surface (loaded on first use), or null for an unknown index or a failed load.
    virtual IDirectDrawSurface7* textureSurfaceAt(int32_t index) = 0;
};

void setModelTextureSource(ModelTextureSource* source);
ModelTextureSource* modelTextureSource();
