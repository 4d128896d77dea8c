// FontList: the fonts of the on-screen controls' texts, and the text colour rule.
//
// An entry is either a bitmap font (a sheet in the interface bitmap store: 32 cells a row, 9 rows =
// three looks (normal, highlighted, disabled) of three rows each, for the 96 characters from the
// space up) or a GDI font drawn through the platform's text output onto the target's device context
// (sizes in points, made pixels with the screen's dots per inch; see gdi_text.h). Indices are
// positions in the list; a bad index draws nothing and measures 0. Characters outside 32..127 have
// no cell in a sheet: they are skipped, leaving a blank cell so the text still spans its measured
// width. Cells that would land outside the target are cut to it. A bitmap font's colours are in its
// sheet; a GDI font is drawn in the given colour by the text colour rule below.
// Alignment: horizontal 1 centres on x, 2 ends at x; vertical 1 centres on y, 2 ends at y; 0 starts
// there. GDI fonts measure on the target's device context: without a target they measure 0.
// Ownership: the list owns its entries (and their GDI fonts); sheets belong to the store.
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"

struct FontEntry {
    char name[100] = {};  // at most 99 characters
    int32_t bitmap = -1;  // sheet index in the interface bitmap store
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    int32_t isGdi = 0;
    HFONT font = nullptr;
};

// The colour a text is drawn in: halved channels when disabled; brightened by half the strongest
// channel (each capped at 255) when highlighted; else as given. Colour references: red low byte.
COLORREF overlayTextColour(COLORREF colour, bool highlighted, bool enabled);

class FontList : public ObjectList {
public:
    FontList() = default;
    ~FontList() override;

    FontEntry* entry(int32_t index) const { return at<FontEntry>(index); }

    // A GDI font of the face, size in points and style bits (gdi_text.h); its cells are the extent
    // of "W" measured on the target (0 without one). Returns the index, -1 when the platform makes
    // no font or the list is full.
    int32_t addGdiFont(IDirectDrawSurface7* target, const char* faceName, int32_t points, int32_t style);
    // Finds or loads the sheet; cells are the sheet's width / 32 and height / 9. Returns the index.
    int32_t addBitmapFont(IDirectDraw7* directDraw, const char* sheetName);
    void drawText(int32_t font, int32_t highlighted, int32_t enabled, int32_t horizontalAlign, int32_t verticalAlign,
                  IDirectDrawSurface7* target, int32_t x, int32_t y, const char* text, COLORREF colour);
    // GDI font: the measured width; bitmap font: cell width x (length + 1), one cell more than the
    // text covers.
    int32_t textWidth(int32_t font, const char* text, IDirectDrawSurface7* target);
    // The width the text covers when drawn (bitmap font: cell width x length), for laying texts
    // out next to each other.
    int32_t textExtent(int32_t font, const char* text, IDirectDrawSurface7* target);
    int32_t cellHeight(int32_t font) const;
    void deleteAll();

private:
    int32_t keep(FontEntry* font);  // adds it, or deletes it when the list is full
    void drawBitmapText(const FontEntry& font, int32_t highlighted, int32_t enabled, int32_t horizontalAlign,
                        int32_t verticalAlign, IDirectDrawSurface7* target, int32_t x, int32_t y, const char* text);
};

extern FontList fontList;

// Moves a start position back by an aligned extent: 1 half of it, 2 all of it.
int32_t alignStart(int32_t position, int32_t extent, int32_t align);
