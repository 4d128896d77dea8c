// BitmapStore: a named, indexed list of DirectDraw surfaces made from bitmap entries of the data
// archive (plain off-screen surfaces, used by the on-screen controls). TextureStore derives from it.
//
// Names and surfaces are kept apart: a name can be registered (add) long before a DirectDraw
// object exists; surfaces are made in bulk (loadAll) or on first use (surfaceAt, only once the
// display's DirectDraw object g_display.directDraw exists), dropped by releaseAll and made again. An
// index never changes once given. Names are exact and case-sensitive, at most 99 characters
// (longer names are cut). Surfaces made here get the source colour key pure green (0x00FF00).
// A load that failed is not retried by surfaceAt until the next loadAll, releaseAll or
// releaseEntry, so a missing image costs one archive lookup, not one per frame.
// Ownership: the store owns its entries and one reference to each surface. Single-threaded.
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"

// Kinds of TextureStore entries (always Plain in a BitmapStore).
enum StoreEntryKind : int32_t { Plain = 0, AlphaMasked = 1, Placeholder = 2, Blank = 3 };

struct StoreEntry {
    char name[100] = {};
    IDirectDrawSurface7* surface = nullptr;
    int32_t preload = 0;
    int32_t kind = Plain;
    int32_t width = 0, height = 0;  // Blank entries: the size of the texture to create
    bool loadFailed = false;        // the last load gave no surface
};

class BitmapStore : public ObjectList {
public:
    BitmapStore() = default;
    ~BitmapStore() override;

    // Virtual operations in slot order (after the destructor).
    virtual int32_t addAndLoad(IDirectDraw7* directDraw, const char* name, int32_t preload);
    virtual void loadAll(IDirectDraw7* directDraw);
    virtual void loadEntry(IDirectDraw7* directDraw, int32_t index);

    int32_t add(const char* name, int32_t preload);  // -1 when the store is full
    int32_t indexOf(const char* name) const;
    IDirectDrawSurface7* surfaceAt(int32_t index);
    IDirectDrawSurface7* surfaceNamed(const char* name);
    void releaseAll();
    void releaseEntry(int32_t index);
    // Copies the bitmaps of loaded Plain entries into their existing surfaces again (after the
    // surfaces were lost and restored).
    void reloadAll();
    // Frees every entry and its surface and empties the list.
    void clear();

    StoreEntry* entryAt(int32_t index) const { return at<StoreEntry>(index); }

protected:
    // Appends a new entry; the entry is deleted (and its surface released) when the list is full.
    int32_t append(StoreEntry* entry);
    static StoreEntry* makeEntry(const char* name, int32_t preload, int32_t kind);
    static void releaseSurface(StoreEntry* entry);
};
