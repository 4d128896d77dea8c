// GDI objects: bitmaps from BMP files, compatible bitmaps, brushes, fonts, their description and
// deletion.
#include <algorithm>
#include <cstring>

#include "platform/gdi/bmp_codec.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/stretch.h"
#include "platform/win/directories.h"

using namespace platform::gdi;

namespace {

HGDIOBJ handleOf(GdiObject* o) { return reinterpret_cast<HGDIOBJ>(o); }

std::unique_ptr<Bitmap> bitmapFromDecoded(DecodedBitmap& decoded, int cx, int cy) {
    int width = cx > 0 ? cx : decoded.width;
    int height = cy > 0 ? cy : decoded.height;
    if (width > kMaxBmpSide || height > kMaxBmpSide) return nullptr;
    auto bitmap = std::make_unique<Bitmap>(width, height);
    if (width == decoded.width && height == decoded.height) {
        bitmap->pixels = std::move(decoded.pixels);
        return bitmap;
    }
    PixelView src;
    src.base = reinterpret_cast<uint8_t*>(decoded.pixels.data());
    src.width = decoded.width;
    src.height = decoded.height;
    src.pitchBytes = decoded.width * 4;
    src.format = PixelFormat::fromMasks(32, 0xFF0000, 0x00FF00, 0x0000FF);
    stretchCopy(bitmap->view(), {0, 0, width, height}, src, {0, 0, decoded.width, decoded.height});
    return bitmap;
}

int describeBitmap(Bitmap* b, int size, void* out) {
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = b->width;
    info.bmHeight = b->height;
    info.bmWidthBytes = b->width * 4;
    info.bmPlanes = 1;
    info.bmBitsPixel = 32;
    info.bmBits = b->stock ? nullptr : b->pixels.data();
    if (!out) return static_cast<int>(sizeof info);
    int n = std::min(size, static_cast<int>(sizeof info));
    std::memcpy(out, &info, static_cast<size_t>(n));
    return n;
}

}  // namespace

HGDIOBJ LoadImageA(HINSTANCE, const char* name, UINT type, int cx, int cy, UINT flags) {
    // There are no resources to load from: only files.
    if (!name || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || cx < 0 || cy < 0) return nullptr;
    DecodedBitmap decoded;
    if (!loadBmpFile(platform::nativePath(name), &decoded)) return nullptr;
    std::unique_ptr<Bitmap> bitmap = bitmapFromDecoded(decoded, cx, cy);
    return bitmap ? addObject(std::move(bitmap)) : nullptr;
}

int GetObjectA(HGDIOBJ handle, int size, void* out) {
    GdiObject* o = findObject(handle);
    if (!o || size < 0) return 0;
    switch (o->kind) {
        case ObjectKind::Bitmap: return describeBitmap(static_cast<Bitmap*>(o), size, out);
        case ObjectKind::Font: {
            if (!out) return static_cast<int>(sizeof(LOGFONTA));
            int n = std::min(size, static_cast<int>(sizeof(LOGFONTA)));
            std::memcpy(out, &static_cast<Font*>(o)->logFont, static_cast<size_t>(n));
            return n;
        }
        case ObjectKind::Brush: return 0;
    }
    return 0;
}

BOOL DeleteObject(HGDIOBJ handle) {
    GdiObject* o = findObject(handle);
    if (!o) return FALSE;
    if (o->stock) return TRUE;  // stock objects stay; deleting them is harmless
    return removeObject(o) ? TRUE : FALSE;
}

HGDIOBJ GetStockObject(int index) {
    if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) return handleOf(stockFont());
    return handleOf(stockBrush(index));
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    return addObject(std::make_unique<Brush>(colour & 0xFFFFFF, false));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (!findDc(dc) || width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide) return nullptr;
    return addObject(std::make_unique<Bitmap>(width, height));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    LOGFONTA copy = *font;
    copy.lfFaceName[LF_FACESIZE - 1] = '\0';
    return addObject(std::make_unique<Font>(copy));
}
