// Pictures for the overlay demo, drawn here: a bitmap font sheet lettered with the platform's own
// built-in font, pill-shaped buttons with their labels, arrow buttons, a rounded panel. Every
// picture stands on pure green, the interface bitmaps' transparent colour, and is meant for
// assets::encodeBmp24 and an archive.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "tools/lib/assets/picture.h"

namespace demo {

using assets::Picture;
using assets::Rgb;

inline const Rgb kKey{0.0f, 1.0f, 0.0f};

inline Picture filled(int w, int h, Rgb colour) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.at(x, y) = colour;
    return p;
}

// Writes the text with the built-in 8 x 16 font, its top-left corner at (x, y).
inline void stampText(Picture& p, int x, int y, const char* text, Rgb colour) {
    const int length = static_cast<int>(std::strlen(text)), w = length * 8, h = 16;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetBkColor(dc, 0x000000);
    SetTextColor(dc, 0xFFFFFF);
    TextOutA(dc, 0, 0, text, length);
    for (int v = 0; v < h; ++v)
        for (int u = 0; u < w; ++u)
            if (GetPixel(dc, u, v) != 0 && x + u >= 0 && x + u < p.width() && y + v >= 0 && y + v < p.height())
                p.at(x + u, y + v) = colour;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// 32 cells of 8 x 16 a row, 9 rows: characters 32..127 in the normal, highlighted and disabled looks.
inline Picture fontSheet(Rgb normal, Rgb highlighted, Rgb disabled) {
    Picture sheet = filled(256, 144, kKey);
    const Rgb looks[3] = {normal, highlighted, disabled};
    for (int look = 0; look < 3; ++look)
        for (int c = 32; c < 128; ++c) {
            const char text[2] = {static_cast<char>(c), 0};
            const int index = c - 32;
            stampText(sheet, (index % 32) * 8, (look * 3 + index / 32) * 16, text, looks[look]);
        }
    return sheet;
}

// How far inside a rounded rectangle of w x h with corner radius r the pixel (x, y) lies (< 0: out).
inline float roundedInside(int x, int y, int w, int h, float r) {
    const float px = x + 0.5f, py = y + 0.5f;
    const float cx = std::clamp(px, r, w - r), cy = std::clamp(py, r, h - r);
    return r - std::hypot(px - cx, py - cy);
}

// A lit pill of w x h with a darker rim, its top at row `top` of the picture.
inline void drawPill(Picture& p, int top, int w, int h, Rgb face) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float inside = roundedInside(x, y, w, h, h / 2.0f);
            if (inside < 0) continue;
            const Rgb c = face * (1.15f - 0.5f * y / h);
            p.at(x, top + y) = inside < 1.5f ? c * 0.55f : c;
        }
}

inline Picture pill(int w, int h, Rgb face) {
    Picture p = filled(w, h, kKey);
    drawPill(p, 0, w, h, face);
    return p;
}

// Three frames of w x h stacked (normal, pressed, disabled): pills with the label centred.
inline Picture buttonSheet(int w, int h, Rgb face, const char* label) {
    Picture sheet = filled(w, h * 3, kKey);
    const Rgb faces[3] = {face, assets::mix(face, Rgb{1, 1, 1}, 0.45f), Rgb{0.38f, 0.38f, 0.4f}};
    for (int frame = 0; frame < 3; ++frame) {
        drawPill(sheet, frame * h, w, h, faces[frame]);
        if (!label) continue;
        const int length = static_cast<int>(std::strlen(label));
        stampText(sheet, (w - 8 * length) / 2, frame * h + (h - 16) / 2, label,
                  frame == 2 ? Rgb{0.6f, 0.6f, 0.6f} : Rgb{1, 1, 1});
    }
    return sheet;
}

// A square button of three frames with a triangle pointing up (0), down (1), left (2) or right (3).
inline Picture arrowSheet(int size, int direction, Rgb face) {
    Picture sheet = buttonSheet(size, size, face, nullptr);
    for (int frame = 0; frame < 3; ++frame)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                float along = (y + 0.5f) / size, across = std::fabs((x + 0.5f) / size - 0.5f);
                if (direction >= 2) along = (x + 0.5f) / size, across = std::fabs((y + 0.5f) / size - 0.5f);
                if (direction == 1 || direction == 3) along = 1.0f - along;
                if (along > 0.3f && along < 0.7f && across < (along - 0.3f) * 0.9f)
                    sheet.at(x, frame * size + y) = Rgb{0.95f, 0.95f, 1.0f};
            }
    return sheet;
}

// A rounded panel with a border, shaded from top to bottom.
inline Picture panel(int w, int h, Rgb fill, Rgb border) {
    Picture p = filled(w, h, kKey);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float inside = roundedInside(x, y, w, h, 12.0f);
            if (inside >= 0) p.at(x, y) = inside < 2.0f ? border : fill * (1.1f - 0.3f * y / h);
        }
    return p;
}

}  // namespace demo
