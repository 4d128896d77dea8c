// T3dMessageBox: a modal box on a background picture with a caption ("MessageBoxCaption"), a
// scrolling text ("MessageBoxText01", a memo with "up_btn.bmp", "down_btn.bmp", "bar3.bmp" and
// "warea3.bmp") and a row of buttons: "ButtonOk" ("ok_btn.bmp"), "ButtonOkPause"
// ("stoptime_btn.bmp"), "ButtonCancel" ("cancel_btn.bmp"), "ButtonAttack" ("atack_btn.bmp") and
// "ButtonEnter" ("enterPort_btn.bmp").
//
// The box is made hidden; show() fills it in, shows the chosen buttons centred in a row along its
// bottom edge (in the order above) and the box. Clicking a button hides the box and calls onResult
// with that button's flag. While shown the box is modal: it takes every mouse event and every key,
// whether or not its children use them, so nothing below it reacts. Enter clicks the first shown
// button other than Cancel (Cancel when it is the only one); Escape clicks Cancel when it is shown.
// The box can be dragged by its background. Layout: `kMessageMargin` pixels from the edges, the
// caption one text row high at the top, the buttons at the bottom, the text in between.
#pragma once

#include <functional>
#include <string>

#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/image_panel.h"
#include "saver/overlay/memo.h"
#include "saver/overlay/text_panel.h"

constexpr int32_t kMessageOk = 1;
constexpr int32_t kMessageOkPause = 2;
constexpr int32_t kMessageCancel = 4;
constexpr int32_t kMessageAttack = 8;
constexpr int32_t kMessageEnter = 16;
constexpr int32_t kMessageMargin = 8;

class T3dMessageBox : public T3dImagePanel {
public:
    using ResultCallback = std::function<void(T3dMessageBox* sender, int32_t button)>;

    T3dMessageBox(int32_t x, int32_t y, const char* controlName, const char* backgroundImage, int32_t fontIndex,
                  ResultCallback onResult);

    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
    int mouseMove(int x, int y, int flag) override;
    int keyDown(uint16_t key) override;
    int keyUp(uint16_t key) override;
    int character(uint8_t ch) override;
    void setVisible(int32_t value) override;

    // buttons: the flags above, OR-ed.
    void show(const std::string& captionText, const std::string& text, int32_t buttons);
    int32_t shownButtons() const { return shown_; }
    // Hides the box and reports the button (one flag).
    void finish(int32_t button);

    T3dTextPanel* captionPanel = nullptr;
    T3dMemo* textMemo = nullptr;

private:
    static constexpr int kButtons = 5;
    void layOutButtons();
    void hideUnshownButtons();
    int32_t enterButton() const;

    T3dBitmapButton* buttons_[kButtons] = {};
    int32_t shown_ = 0;
    ResultCallback onResult_;
};
