// FontList: the fonts of the on-screen controls' texts, and the text colour rule.
//
// An entry is either a bitmap font (a sheet in the interface bitmap store: 32 cells a row, 9 rows =
// three looks (normal, highlighted, disabled) of three rows each, for the 96 characters from the
// space up) or a GDI font drawn through the platform's text output. Indices are positions in the
// list; a bad index draws nothing and measures 0. Characters outside 32..127 have no cell in a sheet:
// they are skipped, leaving a blank cell so the text still spans its measured width. Cells that would land outside the target are cut to it. GDI fonts are not offered
// yet: an entry is always a bitmap font until the platform's text output is wired in.
// Alignment: horizontal 1 centres on x, 2 ends at x; vertical 1 centres on y, 2 ends at y; 0 starts
// there. Ownership: the list owns its entries (and their GDI fonts); sheets belong to the store.
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

    // Finds or loads the sheet; cells are the sheet's width / 32 and height / 9. Returns the index.
    int32_t addBitmapFont(IDirectDraw7* directDraw, const char* sheetName);
    void drawText(int32_t font, int32_t highlighted, int32_t enabled, int32_t horizontalAlign, int32_t verticalAlign,
                  IDirectDrawSurface7* target, int32_t x, int32_t y, const char* text, COLORREF colour);
    // Bitmap font: cell width x (length + 1), one cell more than the text covers.
    int32_t textWidth(int32_t font, const char* text, IDirectDrawSurface7* target);
    int32_t cellHeight(int32_t font) const;
    void deleteAll();

private:
    void drawBitmapText(const FontEntry& font, int32_t highlighted, int32_t enabled, int32_t horizontalAlign,
                        int32_t verticalAlign, IDirectDrawSurface7* target, int32_t x, int32_t y, const char* text);
};

extern FontList fontList;

// Moves a start position back by an aligned extent: 1 half of it, 2 all of it.
int32_t alignStart(int32_t position, int32_t extent, int32_t align);
