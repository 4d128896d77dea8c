#include "saver/overlay/key_edit.h"

#include <utility>

#include "platform/win/messages.h"
#include "saver/overlay/key_names.h"

T3dKeyEdit::T3dKeyEdit(int32_t x, int32_t y, int32_t fieldWidth, int32_t fieldHeight, const char* controlName,
                       int32_t keyCode, int32_t fontIndex, ChosenCallback onChosen)
    : T3dEdit(x, y, fieldWidth, fieldHeight, controlName, nullptr, fontIndex), key_(keyCode),
      onChosen_(std::move(onChosen)) {
    changed();
}

void T3dKeyEdit::changed() {
    char buffer[16];
    caption = keyName(key_, buffer);
    caret_ = static_cast<int32_t>(caption.size());
    paintText(focused != 0);
}

int T3dKeyEdit::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    setFocus(1);
    return 1;
}

int T3dKeyEdit::keyDown(uint16_t key) {
    if (!waiting()) return 0;
    if (key != VK_ESCAPE) {
        setKeyCode(key);
        if (onChosen_) onChosen_(this, key_);
    }
    setFocus(0);
    return 1;
}

int T3dKeyEdit::character(uint8_t) { return waiting() ? 1 : 0; }

void T3dKeyEdit::setKeyCode(int32_t code) {
    key_ = code;
    propertyChanged();
}

int32_t T3dKeyEdit::keyCode() const { return key_; }

void T3dKeyEdit::clearKey() { setKeyCode(0); }
