// T3dKeyEdit: a field that shows the name of a key (key_names.h) and lets the user choose another
// by pressing it.
//
// A primary-button press on the field gives it the focus; it then shows its key's name highlighted
// with a blinking caret and waits. The next key press while it waits becomes its key (onChosen is
// called) and the wait ends; Escape ends the wait without a change. While waiting it takes every key
// and character, so that they reach no other control. Code 0 is no key ("None").
#pragma once

#include <functional>

#include "saver/overlay/edit.h"

class T3dKeyEdit : public T3dEdit {
public:
    using ChosenCallback = std::function<void(T3dKeyEdit* sender, int32_t keyCode)>;

    T3dKeyEdit(int32_t x, int32_t y, int32_t fieldWidth, int32_t fieldHeight, const char* controlName,
               int32_t keyCode, int32_t fontIndex, ChosenCallback onChosen = nullptr);

    void changed() override;
    int mouseDown(int x, int y, int button) override;
    int keyDown(uint16_t key) override;
    int character(uint8_t ch) override;

    virtual void setKeyCode(int32_t code);
    virtual int32_t keyCode() const;
    virtual void clearKey();

private:
    bool waiting() const { return focused && enabled && visible; }

    int32_t key_ = 0;
    ChosenCallback onChosen_;
};
