// TextureStore: the BitmapStore whose surfaces are Direct3D textures; the models and the scene
// address them by index.
//
// Kinds: Plain (a texture in the display's format), AlphaMasked (alpha from the mask entry, the
// name with "1" appended), Placeholder (a name that never gets a surface) and Blank (an empty
// texture of a given size). Surfaces made here get the source colour key black (0).
// Lazy loading, ownership and threading as in BitmapStore.
#pragma once

#include "saver/scene/bitmap_store.h"

class TextureStore : public BitmapStore {
public:
    TextureStore() = default;
    ~TextureStore() override = default;

    int32_t addAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload) override;
    void loadAll(IDirectDraw7* directDraw) override;
    void loadEntry(IDirectDraw7* directDraw, int32_t index) override;
    // A hook called after an alpha-masked texture was made; nothing here.
    virtual void onAlphaTextureLoaded(IDirectDraw7* directDraw, StoreEntry* entry);
    // An empty texture of the given size, made at once and cleared to colour 0; preload 0.
    virtual int32_t addBlank(IDirectDraw7* directDraw, const char* name, int32_t width, int32_t height);
    virtual int32_t addPlaceholderNow(IDirectDraw7* directDraw, const char* name, int32_t preload);
    virtual int32_t addPlaceholder(const char* name, int32_t preload);
    virtual int32_t addAlphaMaskedAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload);
    virtual int32_t addAlphaMasked(const char* name, int32_t preload);

    // indexOf, registering the name with preload 1 when it is new (the models' lookup).
    int32_t textureIndexFor(const char* name);

private:
    // Makes the entry's surface by its kind (nothing for Placeholder), then keys black.
    void makeSurface(IDirectDraw7* directDraw, StoreEntry* entry);
};
