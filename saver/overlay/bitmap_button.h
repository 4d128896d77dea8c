// T3dBitmapButton and the toggle button: controls drawn from one bitmap of three equal frames
// stacked vertically (normal, pressed, disabled) on pure green, with a centred caption.
//
// The button's size is the bitmap's width and a third of its height. It is hit only where its own
// surface is not pure green, so round buttons are round to the mouse. A press (primary button) on
// the button calls onPress and shows the pressed frame; the release calls onClick when the pointer
// is still on the button. The toggle button keeps its pressed look from one click to the next.
// Callbacks may be empty. The button owns its surface; the bitmap belongs to the store.
#pragma once

#include <functional>

#include "saver/overlay/t3d_control.h"

using ControlCallback = std::function<void(T3dControl* sender)>;

class T3dBitmapButton : public T3dControl {
public:
    T3dBitmapButton(int32_t x, int32_t y, const char* controlName, const char* captionText, const char* bitmapName,
                    int32_t fontIndex, ControlCallback onPress, ControlCallback onClick);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;
    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
    int hitTest(int x, int y) override;

protected:
    ControlCallback onPress_;
    ControlCallback onClick_;
};

// A captionless button made a child of `owner` at the owner's corner (the owner places it), that
// calls onPress when it is pressed: the end buttons of scroll tracks.
T3dBitmapButton* addPressButton(T3dControl* owner, const char* controlName, const char* bitmapName,
                                std::function<void()> onPress);

class T3dToggleButton : public T3dBitmapButton {
public:
    using T3dBitmapButton::T3dBitmapButton;

    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
};
