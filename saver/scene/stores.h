// The program's stores: the scene's texture store and the four bitmap stores of the on-screen
// interface. Process-wide, built before first use, cleared at exit. The scene's texture store is
// also the source of the models' textures (saver/engine/model_textures.h) from program start.
// resetStores (tests) clears all five and forgets the alpha texture format.
#pragma once

#include "saver/scene/bitmap_store.h"
#include "saver/scene/texture_store.h"

constexpr int kInterfaceBitmapStores = 4;

TextureStore& sceneTextures();
// which: 0..3; anything else gives store 0.
BitmapStore& interfaceBitmaps(int which);
void resetStores();
