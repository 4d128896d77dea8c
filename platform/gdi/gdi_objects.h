// The GDI object and device-context tables behind the handles of platform/gdi/gdi.h.
//
// Handles are the addresses of the records below; every handle a caller passes is looked up in the
// live tables first, so stale and foreign handles come back as null. The tables own the records.
// Stock objects live for the whole process and cannot be deleted. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_view.h"
#include "platform/gdi/text_face.h"

namespace platform::gdi {

struct DeviceContext;

enum class ObjectKind { Bitmap, Font, Brush };

struct GdiObject {
    explicit GdiObject(ObjectKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    ObjectKind kind;
    bool stock = false;
};

// A 32-bit X8R8G8B8 picture, rows top to bottom.
struct Bitmap : GdiObject {
    Bitmap(int w, int h) : GdiObject(ObjectKind::Bitmap), width(w), height(h),
                           pixels(static_cast<size_t>(w) * h, 0) {}
    int width;
    int height;
    std::vector<uint32_t> pixels;
    DeviceContext* selectedInto = nullptr;  // the one memory context holding it (not for stock)
    PixelView view();
};

struct Font : GdiObject {
    explicit Font(const LOGFONTA& lf) : GdiObject(ObjectKind::Font), logFont(lf) {}
    LOGFONTA logFont;
    // The face that draws it: looked up on first use; the built-in face when none is found.
    const TextFace& face();

private:
    bool looked_ = false;
    std::unique_ptr<TextFace> named_;
};

struct Brush : GdiObject {
    Brush(COLORREF c, bool h) : GdiObject(ObjectKind::Brush), colour(c), hollow(h) {}
    COLORREF colour;
    bool hollow;  // NULL_BRUSH paints nothing
};

enum class DcKind { Memory, Target, Window, Screen };

struct DeviceContext {
    DcKind kind = DcKind::Memory;
    PixelView view;                // what drawing reaches (no memory for the screen context)
    Bitmap* bitmap = nullptr;      // memory contexts: the selected bitmap
    Font* font = nullptr;
    Brush* brush = nullptr;
    COLORREF textColour = 0x000000;
    COLORREF backgroundColour = 0xFFFFFF;
    int backgroundMode = OPAQUE;
    HWND window = nullptr;         // window and screen contexts
};

GdiObject* findObject(HGDIOBJ handle);
Bitmap* findBitmap(HGDIOBJ handle);
Font* findFont(HGDIOBJ handle);
Brush* findBrush(HGDIOBJ handle);
DeviceContext* findDc(HDC handle);

HGDIOBJ addObject(std::unique_ptr<GdiObject> object);
// Removes a non-stock object, first putting stock objects back into contexts that hold it.
bool removeObject(GdiObject* object);

// A new context with the default font, brush and (for memory contexts) bitmap selected.
DeviceContext* addDc(DcKind kind);
void removeDc(DeviceContext* dc);

Bitmap* stockBitmap();  // the 1x1 picture a memory context starts with
Font* stockFont();      // the built-in font
Brush* stockBrush(int index);

// Counts of live non-stock objects and of contexts, for tests that look for leaks.
size_t liveObjectCount();
size_t liveDcCount();

}  // namespace platform::gdi
