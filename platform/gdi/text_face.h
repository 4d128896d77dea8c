// Text faces: what draws and measures text for a font. The built-in face is an 8x16 bitmap font of
// our own drawing; named faces come from fontconfig and FreeType (platform/gdi/freetype_face.cpp).
//
// extent() is the size of the box draw() fills: advance widths summed, cell height. draw() puts the
// text's top-left corner at (x, y), fills the box with the background first when `opaque`, and
// clips to the view. Faces are owned by their font objects.
#pragma once

#include <memory>

#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_view.h"

namespace platform::gdi {

struct TextStyle {
    COLORREF colour = 0;
    bool opaque = true;
    COLORREF background = 0xFFFFFF;
};

class TextFace {
public:
    virtual ~TextFace() = default;
    virtual SIZE extent(const char* text, int length) const = 0;
    virtual void draw(const PixelView& view, int x, int y, const char* text, int length,
                      const TextStyle& style) const = 0;
};

// The built-in default font, 8 pixels wide and 16 high per character.
const TextFace& builtinFace();

// A face for the font description, or null when fontconfig/FreeType have none.
std::unique_ptr<TextFace> openNamedFace(const LOGFONTA& font);

// Fills the rectangle (clipped to the view) with a colour.
void fillViewRect(const PixelView& view, int left, int top, int right, int bottom, COLORREF colour);

}  // namespace platform::gdi
