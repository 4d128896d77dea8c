#include "saver/overlay/edit.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/win/messages.h"
#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"


T3dEdit::T3dEdit(int32_t x, int32_t y, int32_t fieldWidth, int32_t fieldHeight, const char* controlName,
                 const char* text, int32_t fontIndex, int32_t lengthLimit, EnterCallback onEnter)
    : T3dTextPanel(x, y, fieldWidth, fieldHeight, controlName, text, fontIndex, 0),
      maxLength(std::max(lengthLimit, 0)),
      onEnter_(std::move(onEnter)) {
    if (caption.size() > static_cast<size_t>(maxLength)) caption.resize(static_cast<size_t>(maxLength));
    caret_ = static_cast<int32_t>(caption.size());
    keepCaretShown();
    changed();
}

int32_t T3dEdit::extentOf(int32_t from, int32_t to) {
    if (to <= from) return 0;
    const std::string piece = caption.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
    return fontList.textExtent(font, piece.c_str(), surface);
}

int32_t T3dEdit::caretX() { return kTextInset + extentOf(firstShown_, caret_); }

void T3dEdit::keepCaretShown() {
    caret_ = std::clamp(caret_, 0, static_cast<int32_t>(caption.size()));
    firstShown_ = std::clamp(firstShown_, 0, caret_);
    const int32_t room = width - 2 * kTextInset;
    while (firstShown_ < caret_ && extentOf(firstShown_, caret_) > room) ++firstShown_;
}

void T3dEdit::setCaret(int32_t position) {
    caret_ = position;
    blinkStart_ = overlayDisplay().nowMs();
    keepCaretShown();
    propertyChanged();
}

void T3dEdit::paintText(bool highlighted) {
    if (!surface) return;
    clearSurface();
    keepCaretShown();
    const std::string shown = caption.substr(static_cast<size_t>(firstShown_));
    if (!shown.empty())
        fontList.drawText(font, highlighted, enabled, 0, 1, surface, kTextInset, height / 2, shown.c_str(), textColour);
}

void T3dEdit::changed() { paintText(state == 1); }

void T3dEdit::draw(IDirectDrawSurface7* target) {
    T3dTextPanel::draw(target);
    if (!visible || !focused || !enabled) return;
    if ((overlayDisplay().nowMs() - blinkStart_) / 500 % 2 != 0) return;
    fontList.drawText(font, 0, 1, 1, 1, target, left + caretX(), top + height / 2, "|", textColour);
}

int T3dEdit::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    setFocus(1);
    // The boundary nearest the press.
    const int64_t at = int64_t{x} - left - kTextInset;
    int32_t best = firstShown_;
    for (int32_t i = firstShown_ + 1; i <= static_cast<int32_t>(caption.size()); ++i)
        if (std::llabs(extentOf(firstShown_, i) - at) < std::llabs(extentOf(firstShown_, best) - at)) best = i;
    setCaret(best);
    return 1;
}

int T3dEdit::keyDown(uint16_t key) {
    if (!focused || !enabled || !visible) return 0;
    switch (key) {
        case VK_BACK:
            if (caret_ > 0) {
                caption.erase(static_cast<size_t>(caret_ - 1), 1);
                setCaret(caret_ - 1);
            }
            return 1;
        case VK_DELETE:
            if (caret_ < static_cast<int32_t>(caption.size())) {
                caption.erase(static_cast<size_t>(caret_), 1);
                setCaret(caret_);
            }
            return 1;
        case VK_LEFT: setCaret(caret_ - 1); return 1;
        case VK_RIGHT: setCaret(caret_ + 1); return 1;
        case VK_HOME: setCaret(0); return 1;
        case VK_END: setCaret(static_cast<int32_t>(caption.size())); return 1;
        case VK_RETURN:
            if (onEnter_) onEnter_(this);
            return 1;
        default: return 0;
    }
}

int T3dEdit::character(uint8_t ch) {
    if (!focused || !enabled || !visible || ch < 32 || ch > 126) return 0;
    if (caption.size() >= static_cast<size_t>(maxLength)) return 1;  // full: the character is refused
    caption.insert(caption.begin() + caret_, static_cast<char>(ch));
    setCaret(caret_ + 1);
    return 1;
}
