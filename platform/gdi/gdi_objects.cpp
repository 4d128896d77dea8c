// The live tables of GDI objects and device contexts, the stock objects, and object selection
// bookkeeping when objects go away.
#include "platform/gdi/gdi_objects.h"

#include <array>
#include <unordered_map>

namespace platform::gdi {

namespace {

struct Tables {
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> objects;
    std::unordered_map<const void*, std::unique_ptr<DeviceContext>> dcs;
};

Tables& tables() {
    static Tables* t = new Tables;  // lives to the end of the process: handles may be used at exit
    return *t;
}

struct StockObjects {
    Bitmap bitmap{1, 1};
    Font font{LOGFONTA{}};
    std::array<Brush, 6> brushes{Brush{RGB(255, 255, 255), false}, Brush{RGB(192, 192, 192), false},
                                 Brush{RGB(128, 128, 128), false}, Brush{RGB(64, 64, 64), false},
                                 Brush{RGB(0, 0, 0), false},       Brush{0, true}};
    StockObjects() {
        bitmap.stock = true;
        font.stock = true;
        for (Brush& b : brushes) b.stock = true;
    }
    bool owns(const void* p) const {
        if (p == &bitmap || p == &font) return true;
        for (const Brush& b : brushes)
            if (p == &b) return true;
        return false;
    }
};

StockObjects& stock() {
    static StockObjects* s = new StockObjects;
    return *s;
}

}  // namespace

PixelView Bitmap::view() {
    PixelView v;
    v.base = reinterpret_cast<uint8_t*>(pixels.data());
    v.width = width;
    v.height = height;
    v.pitchBytes = width * 4;
    v.format = PixelFormat::fromMasks(32, 0xFF0000, 0x00FF00, 0x0000FF);
    return v;
}

const TextFace& Font::face() {
    if (!looked_ && !stock) {
        looked_ = true;
        named_ = openNamedFace(logFont);
    }
    return named_ ? *named_ : builtinFace();
}

GdiObject* findObject(HGDIOBJ handle) {
    if (!handle) return nullptr;
    if (stock().owns(handle)) return reinterpret_cast<GdiObject*>(handle);
    auto it = tables().objects.find(handle);
    return it == tables().objects.end() ? nullptr : it->second.get();
}

Bitmap* findBitmap(HGDIOBJ handle) {
    GdiObject* o = findObject(handle);
    return o && o->kind == ObjectKind::Bitmap ? static_cast<Bitmap*>(o) : nullptr;
}

Font* findFont(HGDIOBJ handle) {
    GdiObject* o = findObject(handle);
    return o && o->kind == ObjectKind::Font ? static_cast<Font*>(o) : nullptr;
}

Brush* findBrush(HGDIOBJ handle) {
    GdiObject* o = findObject(handle);
    return o && o->kind == ObjectKind::Brush ? static_cast<Brush*>(o) : nullptr;
}

DeviceContext* findDc(HDC handle) {
    if (!handle) return nullptr;
    auto it = tables().dcs.find(handle);
    return it == tables().dcs.end() ? nullptr : it->second.get();
}

HGDIOBJ addObject(std::unique_ptr<GdiObject> object) {
    // Handles are the records' addresses; GdiObject is the first (and only) base.
    auto handle = reinterpret_cast<HGDIOBJ>(object.get());
    tables().objects.emplace(object.get(), std::move(object));
    return handle;
}

bool removeObject(GdiObject* object) {
    if (!object || object->stock) return false;
    for (auto& [key, dc] : tables().dcs) {
        if (dc->bitmap == object) {
            dc->bitmap = stockBitmap();
            dc->view = dc->bitmap->view();
        }
        if (dc->font == object) dc->font = stockFont();
        if (dc->brush == object) dc->brush = stockBrush(WHITE_BRUSH);
    }
    return tables().objects.erase(object) == 1;
}

DeviceContext* addDc(DcKind kind) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = kind;
    dc->font = stockFont();
    dc->brush = stockBrush(WHITE_BRUSH);
    if (kind == DcKind::Memory) {
        dc->bitmap = stockBitmap();
        dc->view = dc->bitmap->view();
    }
    DeviceContext* raw = dc.get();
    tables().dcs.emplace(raw, std::move(dc));
    return raw;
}

void removeDc(DeviceContext* dc) {
    if (!dc) return;
    if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedInto = nullptr;
    tables().dcs.erase(dc);
}

Bitmap* stockBitmap() { return &stock().bitmap; }
Font* stockFont() { return &stock().font; }
Brush* stockBrush(int index) {
    if (index < 0 || index >= static_cast<int>(stock().brushes.size())) return nullptr;
    return &stock().brushes[static_cast<size_t>(index)];
}

size_t liveObjectCount() { return tables().objects.size(); }
size_t liveDcCount() { return tables().dcs.size(); }

}  // namespace platform::gdi
