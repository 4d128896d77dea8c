#include "saver/overlay/message_box.h"

#include <algorithm>
#include <utility>

#include "platform/win/messages.h"
#include "saver/overlay/font_list.h"

namespace {

struct ButtonKind {
    int32_t flag;
    const char* name;
    const char* image;
};

constexpr ButtonKind kButtonKinds[] = {
    {kMessageOk, "ButtonOk", "ok_btn.bmp"},
    {kMessageOkPause, "ButtonOkPause", "stoptime_btn.bmp"},
    {kMessageCancel, "ButtonCancel", "cancel_btn.bmp"},
    {kMessageAttack, "ButtonAttack", "atack_btn.bmp"},
    {kMessageEnter, "ButtonEnter", "enterPort_btn.bmp"},
};

}  // namespace

T3dMessageBox::T3dMessageBox(int32_t x, int32_t y, const char* controlName, const char* backgroundImage,
                             int32_t fontIndex, ResultCallback onResult)
    : T3dImagePanel(x, y, controlName, backgroundImage), onResult_(std::move(onResult)) {
    movable = 1;
    font = fontIndex;
    const int32_t inner = std::max(0, width - 2 * kMessageMargin);
    const int32_t captionHeight = std::max(fontList.cellHeight(fontIndex), 8) + 4;
    captionPanel = new T3dTextPanel(x + kMessageMargin, y + kMessageMargin, inner, captionHeight, "MessageBoxCaption",
                                    nullptr, fontIndex, 1);
    addChild(captionPanel);
    int32_t buttonHeight = 0;
    for (int i = 0; i < kButtons; ++i) {
        const int32_t flag = kButtonKinds[i].flag;
        buttons_[i] = new T3dBitmapButton(x, y, kButtonKinds[i].name, nullptr, kButtonKinds[i].image, fontIndex, nullptr,
                                          [this, flag](T3dControl*) { finish(flag); });
        buttonHeight = std::max(buttonHeight, buttons_[i]->height);
        addChild(buttons_[i]);
    }
    const int32_t textTop = kMessageMargin + captionHeight + 4;
    const int32_t textHeight = std::max(0, height - textTop - buttonHeight - kMessageMargin - 4);
    textMemo = new T3dMemo(x + kMessageMargin, y + textTop, inner, textHeight, "MessageBoxText01", fontIndex,
                           "up_btn.bmp", "down_btn.bmp", "bar3.bmp", "warea3.bmp");
    addChild(textMemo);
    setVisible(0);
}

void T3dMessageBox::layOutButtons() {
    constexpr int32_t gap = 8;
    int32_t rowWidth = 0, rowHeight = 0;
    for (int i = 0; i < kButtons; ++i)
        if (shown_ & kButtonKinds[i].flag) {
            rowWidth += buttons_[i]->width + (rowWidth > 0 ? gap : 0);
            rowHeight = std::max(rowHeight, buttons_[i]->height);
        }
    int32_t x = left + (width - rowWidth) / 2;
    const int32_t y = top + height - kMessageMargin - rowHeight;
    for (int i = 0; i < kButtons; ++i)
        if (shown_ & kButtonKinds[i].flag) {
            buttons_[i]->moveTo(x, y + (rowHeight - buttons_[i]->height) / 2);
            x += buttons_[i]->width + gap;
        }
}

void T3dMessageBox::hideUnshownButtons() {
    for (int i = 0; i < kButtons; ++i)
        if (!(shown_ & kButtonKinds[i].flag)) buttons_[i]->setVisible(0);
}

void T3dMessageBox::show(const std::string& captionText, const std::string& text, int32_t buttons) {
    shown_ = buttons & (kMessageOk | kMessageOkPause | kMessageCancel | kMessageAttack | kMessageEnter);
    captionPanel->setCaption(captionText);
    textMemo->setText(text);
    layOutButtons();
    setVisible(1);
}

void T3dMessageBox::finish(int32_t button) {
    setVisible(0);
    if (onResult_) onResult_(this, button);
}

int32_t T3dMessageBox::enterButton() const {
    for (const ButtonKind& kind : kButtonKinds)
        if (kind.flag != kMessageCancel && (shown_ & kind.flag)) return kind.flag;
    return shown_ & kMessageCancel;
}

void T3dMessageBox::setVisible(int32_t value) {
    T3dImagePanel::setVisible(value);
    if (visible) hideUnshownButtons();
}

int T3dMessageBox::mouseDown(int x, int y, int button) {
    if (!visible) return 0;
    T3dImagePanel::mouseDown(x, y, button);
    return 1;
}

int T3dMessageBox::mouseUp(int x, int y, int button) {
    if (!visible) return 0;
    T3dImagePanel::mouseUp(x, y, button);
    return 1;
}

int T3dMessageBox::mouseMove(int x, int y, int flag) {
    if (!visible) return 0;
    T3dImagePanel::mouseMove(x, y, flag);
    return 1;
}

int T3dMessageBox::keyDown(uint16_t key) {
    if (!visible) return 0;
    if (children.dispatchKeyDown(key)) return 1;
    if (key == VK_RETURN && enterButton()) finish(enterButton());
    if (key == VK_ESCAPE && (shown_ & kMessageCancel)) finish(kMessageCancel);
    return 1;
}

int T3dMessageBox::keyUp(uint16_t key) {
    if (!visible) return 0;
    children.dispatchKeyUp(key);
    return 1;
}

int T3dMessageBox::character(uint8_t ch) {
    if (!visible) return 0;
    children.dispatchCharacter(ch);
    return 1;
}
