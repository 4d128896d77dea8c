// The interface layer's text through the platform's GDI: making a font, measuring and writing text
// on a surface's device context.
//
// Sizes are in pixels. A surface's device context is taken for each call and released before it
// returns, so the surface is free for blits again afterwards; the font selected into it is put back
// to what was there. Calls on a surface without a device context (lost, busy, none) do nothing and
// measure false. Texts longer than the platform's int range are cut to it.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "platform/gdi/gdi.h"

// Style bits of a GDI font: 1 bold (weight 700, else 400), 2 italic, 4 underlined.
constexpr int32_t kFontBold = 1;
constexpr int32_t kFontItalic = 2;
constexpr int32_t kFontUnderline = 4;

// The description of a font of `points` points on a screen of `dpi` dots per inch: height
// -(points x dpi) / 72 (truncated toward zero), weight and effects from `style`, the face name (cut
// to 31 characters), every other field 0.
LOGFONTA overlayFontDescription(const char* faceName, int32_t points, int32_t style, int32_t dpi);

// The extent of the text in the font on the target's device context.
bool measureGdiText(IDirectDrawSurface7* target, HFONT font, const char* text, SIZE& size);

// Writes the text in the font and colour with a transparent background, its box aligned on (x, y):
// horizontal 1 centres it on x, 2 ends it at x; vertical 1 centres it on y, 2 ends it at y. Over
// the target's transparent colour the letters get hard edges (keyed_text.h).
void drawGdiText(IDirectDrawSurface7* target, HFONT font, int32_t x, int32_t y, int32_t horizontalAlign,
                 int32_t verticalAlign, const char* text, COLORREF colour);
