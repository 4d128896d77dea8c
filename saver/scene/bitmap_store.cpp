// BitmapStore: registration, lookup, lazy and bulk loading, release and reload.
#include "saver/scene/bitmap_store.h"

#include <cstring>

#include "saver/display/display_objects.h"
#include "saver/scene/surface_makers.h"

namespace {

constexpr COLORREF kGreenKey = 0x00FF00;

}  // namespace

BitmapStore::~BitmapStore() { clear(); }

StoreEntry* BitmapStore::makeEntry(const char* name, int32_t preload, int32_t kind) {
    auto* entry = new StoreEntry;
    if (name) std::strncpy(entry->name, name, sizeof entry->name - 1);
    entry->preload = preload;
    entry->kind = kind;
    return entry;
}

void BitmapStore::releaseSurface(StoreEntry* entry) {
    if (entry->surface) entry->surface->Release();
    entry->surface = nullptr;
    entry->loadFailed = false;
}

int32_t BitmapStore::append(StoreEntry* entry) {
    const int32_t index = ObjectList::add(entry);
    if (index < 0) {
        releaseSurface(entry);
        delete entry;
    }
    return index;
}

int32_t BitmapStore::add(const char* name, int32_t preload) { return append(makeEntry(name, preload, Plain)); }

int32_t BitmapStore::indexOf(const char* name) const {
    if (!name) return -1;
    for (int32_t i = 0; i < count; ++i)
        if (std::strncmp(entryAt(i)->name, name, sizeof(StoreEntry::name)) == 0 &&
            std::strlen(name) < sizeof(StoreEntry::name))
            return i;
    return -1;
}

IDirectDrawSurface7* BitmapStore::surfaceAt(int32_t index) {
    StoreEntry* entry = entryAt(index);
    if (!entry) return nullptr;
    IDirectDraw7* directDraw = g_display.directDraw;
    if (!entry->surface && !entry->loadFailed && directDraw) {
        loadEntry(directDraw, index);
        entry = entryAt(index);  // loadEntry may be overridden; look the entry up again
        if (entry && !entry->surface) entry->loadFailed = true;
    }
    return entry ? entry->surface : nullptr;
}

IDirectDrawSurface7* BitmapStore::surfaceNamed(const char* name) {
    const int32_t index = indexOf(name);
    return index < 0 ? nullptr : surfaceAt(index);
}

void BitmapStore::releaseAll() {
    for (int32_t i = 0; i < count; ++i) releaseSurface(entryAt(i));
}

void BitmapStore::releaseEntry(int32_t index) {
    if (StoreEntry* entry = entryAt(index)) releaseSurface(entry);
}

void BitmapStore::reloadAll() {
    for (int32_t i = 0; i < count; ++i) {
        StoreEntry* entry = entryAt(i);
        if (entry->surface && entry->kind == Plain) reloadBitmapInto(entry->surface, entry->name);
    }
}

void BitmapStore::clear() {
    for (int32_t i = 0; i < count; ++i) {
        StoreEntry* entry = entryAt(i);
        releaseSurface(entry);
        delete entry;
    }
    ObjectList::clear();
}

int32_t BitmapStore::addAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload) {
    StoreEntry* entry = makeEntry(name, preload, Plain);
    entry->surface = loadBitmapSurface(directDraw, entry->name);
    setSourceColorKey(entry->surface, kGreenKey);
    return append(entry);
}

void BitmapStore::loadAll(IDirectDraw7* directDraw) {
    for (int32_t i = 0; i < count; ++i) {
        StoreEntry* entry = entryAt(i);
        releaseSurface(entry);
        if (!entry->preload) continue;
        entry->surface = loadBitmapSurface(directDraw, entry->name);
        setSourceColorKey(entry->surface, kGreenKey);
    }
}

void BitmapStore::loadEntry(IDirectDraw7* directDraw, int32_t index) {
    StoreEntry* entry = entryAt(index);
    if (!entry || entry->surface) return;
    entry->surface = loadBitmapSurface(directDraw, entry->name);
    setSourceColorKey(entry->surface, kGreenKey);
}
