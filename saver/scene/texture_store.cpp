// TextureStore: textures by kind, with the black colour key.
#include "saver/scene/texture_store.h"

#include "saver/scene/surface_makers.h"

namespace {

constexpr COLORREF kBlackKey = 0x000000;

}  // namespace

void TextureStore::makeSurface(IDirectDraw7* directDraw, StoreEntry* entry) {
    switch (entry->kind) {
        case AlphaMasked:
            entry->surface = loadAlphaTextureSurface(directDraw, entry->name);
            onAlphaTextureLoaded(directDraw, entry);
            break;
        case Placeholder: break;
        case Blank: entry->surface = createBlankTexture(directDraw, entry->width, entry->height); break;
        default: entry->surface = loadTextureSurface(directDraw, entry->name); break;
    }
    setSourceColorKey(entry->surface, kBlackKey);  // fails quietly without a surface
}

int32_t TextureStore::addAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload) {
    StoreEntry* entry = makeEntry(name, preload, Plain);
    entry->surface = loadTextureSurface(directDraw, entry->name);
    setSourceColorKey(entry->surface, kBlackKey);
    return append(entry);
}

void TextureStore::loadAll(IDirectDraw7* directDraw) {
    for (int32_t i = 0; i < count; ++i) {
        StoreEntry* entry = entryAt(i);
        releaseSurface(entry);
        if (entry->preload) makeSurface(directDraw, entry);
    }
}

void TextureStore::loadEntry(IDirectDraw7* directDraw, int32_t index) {
    StoreEntry* entry = entryAt(index);
    if (!entry || entry->surface) return;
    makeSurface(directDraw, entry);
}

void TextureStore::onAlphaTextureLoaded(IDirectDraw7*, StoreEntry*) {}

int32_t TextureStore::addBlank(IDirectDraw7* directDraw, const char* name, int32_t width, int32_t height) {
    StoreEntry* entry = makeEntry(name, 0, Blank);
    entry->width = width;
    entry->height = height;
    entry->surface = createBlankTexture(directDraw, width, height);
    if (entry->surface) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = 0;
        entry->surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    return append(entry);
}

int32_t TextureStore::addPlaceholderNow(IDirectDraw7*, const char* name, int32_t preload) {
    return addPlaceholder(name, preload);
}

int32_t TextureStore::addPlaceholder(const char* name, int32_t preload) {
    return append(makeEntry(name, preload, Placeholder));
}

int32_t TextureStore::addAlphaMaskedAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload) {
    StoreEntry* entry = makeEntry(name, preload, AlphaMasked);
    entry->surface = loadAlphaTextureSurface(directDraw, entry->name);
    setSourceColorKey(entry->surface, kBlackKey);
    onAlphaTextureLoaded(directDraw, entry);
    return append(entry);
}

int32_t TextureStore::addAlphaMasked(const char* name, int32_t preload) {
    return append(makeEntry(name, preload, AlphaMasked));
}

int32_t TextureStore::textureIndexFor(const char* name) {
    const int32_t index = indexOf(name);
    return index >= 0 ? index : add(name, 1);
}
