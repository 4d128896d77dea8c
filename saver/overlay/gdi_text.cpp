#include "saver/overlay/gdi_text.h"

#include <climits>
#include <cstring>

#include "saver/overlay/font_list.h"
#include "saver/overlay/keyed_text.h"

namespace {

int textLength(const char* text) {
    const size_t length = std::strlen(text);
    return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

// A surface's device context with a font selected, given back (font and context) when it goes.
class FontContext {
public:
    FontContext(IDirectDrawSurface7* target, HFONT font) : target_(target) {
        if (!target_ || !font || target_->GetDC(&dc_) != DD_OK) {
            dc_ = nullptr;
            return;
        }
        previous_ = SelectObject(dc_, font);
    }
    ~FontContext() {
        if (!dc_) return;
        if (previous_) SelectObject(dc_, previous_);
        target_->ReleaseDC(dc_);
    }
    FontContext(const FontContext&) = delete;
    FontContext& operator=(const FontContext&) = delete;

    HDC dc() const { return dc_; }

private:
    IDirectDrawSurface7* target_;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace

LOGFONTA overlayFontDescription(const char* faceName, int32_t points, int32_t style, int32_t dpi) {
    LOGFONTA lf = {};
    lf.lfHeight = static_cast<LONG>(-(int64_t{points} * dpi) / 72);
    lf.lfWeight = (style & kFontBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & kFontItalic) ? 1 : 0;
    lf.lfUnderline = (style & kFontUnderline) ? 1 : 0;
    if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return lf;
}

bool measureGdiText(IDirectDrawSurface7* target, HFONT font, const char* text, SIZE& size) {
    FontContext context(target, font);
    return context.dc() && text && GetTextExtentPoint32A(context.dc(), text, textLength(text), &size);
}

void drawGdiText(IDirectDrawSurface7* target, HFONT font, int32_t x, int32_t y, int32_t horizontalAlign,
                 int32_t verticalAlign, const char* text, COLORREF colour) {
    SIZE size = {};
    if (!measureGdiText(target, font, text, size)) return;
    const int32_t left = alignStart(x, size.cx, horizontalAlign), top = alignStart(y, size.cy, verticalAlign);
    const int32_t slack = size.cy / 2;  // italics and overhangs reach a little outside the measured box
    KeyedArea area(target, RECT{left - slack, top, left + size.cx + slack, top + size.cy});
    {
        FontContext context(target, font);
        if (!context.dc()) return;
        SetBkMode(context.dc(), TRANSPARENT);
        SetTextColor(context.dc(), colour);
        TextOutA(context.dc(), left, top, text, textLength(text));
    }
    area.harden(colour);
}
