#include "saver/overlay/font_list.h"

#include <algorithm>
#include <cstring>

#include "saver/overlay/gdi_text.h"
#include "saver/overlay/overlay_clip.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/surface_pixels.h"

FontList fontList;

namespace {

constexpr int kCellsPerRow = 32;
constexpr int kSheetRows = 9;

int64_t bitmapTextWidth(const FontEntry& f, const char* text) {
    return static_cast<int64_t>(std::strlen(text)) * f.cellWidth;
}

int32_t clampWidth(int64_t width) { return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX)); }

}  // namespace

COLORREF overlayTextColour(COLORREF colour, bool highlighted, bool enabled) {
    int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    if (!enabled) {
        r /= 2, g /= 2, b /= 2;
    } else if (highlighted) {
        const int m = std::max({r, g, b}) / 2;
        r = std::min(r + m, 255), g = std::min(g + m, 255), b = std::min(b + m, 255);
    }
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}

int32_t alignStart(int32_t position, int32_t extent, int32_t align) {
    if (align == 1) return position - extent / 2;
    if (align == 2) return position - extent;
    return position;
}

FontList::~FontList() { deleteAll(); }

int32_t FontList::keep(FontEntry* font) {
    const int32_t index = add(font);
    if (index < 0) {
        if (font->font) DeleteObject(font->font);
        delete font;
    }
    return index;
}

int32_t FontList::addGdiFont(IDirectDrawSurface7* target, const char* faceName, int32_t points, int32_t style) {
    const LOGFONTA description = overlayFontDescription(faceName, points, style, overlayDisplay().screenDpi());
    HFONT handle = CreateFontIndirectA(&description);
    if (!handle) return -1;
    auto* font = new FontEntry;
    if (faceName) std::strncpy(font->name, faceName, sizeof font->name - 1);
    font->isGdi = 1;
    font->font = handle;
    SIZE cell = {};
    if (measureGdiText(target, handle, "W", cell)) {
        font->cellWidth = cell.cx;
        font->cellHeight = cell.cy;
    }
    return keep(font);
}

int32_t FontList::addBitmapFont(IDirectDraw7* directDraw, const char* sheetName) {
    if (!sheetName) return -1;
    OverlayDisplay& display = overlayDisplay();
    auto* font = new FontEntry;
    std::strncpy(font->name, sheetName, sizeof font->name - 1);
    font->bitmap = display.findImage(font->name);
    if (font->bitmap < 0) font->bitmap = display.addImage(directDraw, font->name);
    int32_t width = 0, height = 0;
    if (font->bitmap >= 0 && surfaceSize(display.image(font->bitmap), width, height)) {
        font->cellWidth = width / kCellsPerRow;
        font->cellHeight = height / kSheetRows;
    }
    return keep(font);
}

void FontList::drawText(int32_t font, int32_t highlighted, int32_t enabled, int32_t horizontalAlign,
                        int32_t verticalAlign, IDirectDrawSurface7* target, int32_t x, int32_t y, const char* text,
                        COLORREF colour) {
    const FontEntry* f = entry(font);
    if (!f || !text || !target) return;
    if (f->isGdi)
        drawGdiText(target, f->font, x, y, horizontalAlign, verticalAlign, text,
                    overlayTextColour(colour, highlighted != 0, enabled != 0));
    else
        drawBitmapText(*f, highlighted, enabled, horizontalAlign, verticalAlign, target, x, y, text);
}

void FontList::drawBitmapText(const FontEntry& f, int32_t highlighted, int32_t enabled, int32_t horizontalAlign,
                              int32_t verticalAlign, IDirectDrawSurface7* target, int32_t x, int32_t y,
                              const char* text) {
    IDirectDrawSurface7* sheet = overlayDisplay().image(f.bitmap);
    int32_t targetWidth = 0, targetHeight = 0;
    if (!sheet || f.cellWidth <= 0 || f.cellHeight <= 0 || !surfaceSize(target, targetWidth, targetHeight)) return;
    int64_t penX = alignStart(x, clampWidth(bitmapTextWidth(f, text)), horizontalAlign);
    const int64_t penY = alignStart(y, f.cellHeight, verticalAlign);
    const int32_t variant = !enabled ? 6 : (highlighted ? 3 : 0);
    for (const char* p = text; *p; ++p) {
        const int index = static_cast<unsigned char>(*p) - 32;
        if (index < 0 || index >= 96) {  // no cell for it in the sheet: a blank of one cell
            penX += f.cellWidth;
            continue;
        }
        const int row = index / kCellsPerRow, column = index - kCellsPerRow * row;
        const RECT cell = {column * f.cellWidth, (variant + row) * f.cellHeight, (column + 1) * f.cellWidth,
                           (variant + row + 1) * f.cellHeight};
        ClippedCopy copy = clipCopy(penX, penY, cell, targetWidth, targetHeight);
        if (!copy.empty)
            target->BltFast(static_cast<DWORD>(copy.x), static_cast<DWORD>(copy.y), sheet, &copy.source,
                            DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
        penX += f.cellWidth;
    }
}

int32_t FontList::textWidth(int32_t font, const char* text, IDirectDrawSurface7* target) {
    const FontEntry* f = entry(font);
    if (!f || !text) return 0;
    if (f->isGdi) return textExtent(font, text, target);
    return clampWidth(bitmapTextWidth(*f, text) + f->cellWidth);
}

int32_t FontList::textExtent(int32_t font, const char* text, IDirectDrawSurface7* target) {
    const FontEntry* f = entry(font);
    if (!f || !text) return 0;
    if (!f->isGdi) return clampWidth(bitmapTextWidth(*f, text));
    SIZE size = {};
    return measureGdiText(target, f->font, text, size) ? size.cx : 0;
}

int32_t FontList::cellHeight(int32_t font) const {
    const FontEntry* f = entry(font);
    return f ? f->cellHeight : 0;
}

void FontList::deleteAll() {
    for (int i = 0; i < count; ++i) {
        FontEntry* f = entry(i);
        if (f && f->font) DeleteObject(f->font);
        delete f;
    }
    clear();
}
