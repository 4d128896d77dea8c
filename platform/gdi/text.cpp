// Text output and measurement on device contexts, with the context's font and colours.
#include "platform/gdi/gdi_objects.h"

using namespace platform::gdi;

namespace {

const TextFace& faceOf(DeviceContext* dc) { return dc->font ? dc->font->face() : builtinFace(); }

bool validText(const char* text, int length) { return length >= 0 && (text || length == 0); }

}  // namespace

BOOL TextOutA(HDC handle, int x, int y, const char* text, int length) {
    DeviceContext* dc = findDc(handle);
    if (!dc || !validText(text, length)) return FALSE;
    TextStyle style;
    style.colour = dc->textColour;
    style.opaque = dc->backgroundMode == OPAQUE;
    style.background = dc->backgroundColour;
    if (isUsableView(dc->view)) faceOf(dc).draw(dc->view, x, y, text, length, style);
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC handle, const char* text, int length, SIZE* out) {
    DeviceContext* dc = findDc(handle);
    if (!dc || !out || !validText(text, length)) return FALSE;
    *out = faceOf(dc).extent(text, length);
    return TRUE;
}
