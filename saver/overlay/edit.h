// T3dEdit: a one-line text field, a text panel whose caption the user types.
//
// A primary-button press on the field gives it the focus (taking it from every other control) and
// puts the caret at the character boundary nearest the press. While it has the focus and is
// enabled, characters 32..126 are inserted at the caret up to `maxLength` characters; Back Space
// and Delete remove the character before and after the caret; Arrow Left, Arrow Right, Home and End
// move the caret; Enter calls onEnter. Keys it acts on answer 1, others 0 (so they can reach other
// controls). The text scrolls sideways so the caret stays inside the field. While focused the
// caret, a "|" in the field's font and colour, blinks: shown for 500 ms, hidden for 500 ms, counted
// from its last move, by the system tick count read while drawing. The field is hit anywhere in
// its rectangle (the base hit test).
#pragma once

#include <functional>

#include "saver/overlay/text_panel.h"

class T3dEdit : public T3dTextPanel {
public:
    using EnterCallback = std::function<void(T3dEdit* sender)>;

    T3dEdit(int32_t x, int32_t y, int32_t fieldWidth, int32_t fieldHeight, const char* controlName, const char* text,
            int32_t fontIndex, int32_t maxLength = 255, EnterCallback onEnter = nullptr);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;
    int mouseDown(int x, int y, int button) override;
    int keyDown(uint16_t key) override;
    int character(uint8_t ch) override;

    int32_t caret() const { return caret_; }
    int32_t firstShown() const { return firstShown_; }
    void setCaret(int32_t position);  // clamped to the text

    int32_t maxLength = 255;

protected:
    // Paints the shown part of the caption into the own surface.
    void paintText(bool highlighted);
    // The width of the caption's characters from..to as drawn.
    int32_t extentOf(int32_t from, int32_t to);
    // The own-surface x of the caret.
    int32_t caretX();
    // Scrolls the shown part so the caret lies inside the field.
    void keepCaretShown();

    int32_t caret_ = 0;
    int32_t firstShown_ = 0;  // the first character shown
    uint32_t blinkStart_ = 0;  // when the caret last moved

private:
    EnterCallback onEnter_;
};
