// Image panels: one picture of the interface store, drawn as it is (T3dImagePanel) or stretched to
// the panel's size (T3dStretchImagePanel, the second kind), on pure green that stays transparent.
//
// A panel is solid only where its picture is not green: there it takes primary-button presses, so
// that they do not reach controls below it, and the pointer shape of the panel is selected. A
// `movable` panel follows the mouse while the primary button, pressed on it, is held, and carries
// its children along. The panel lets its children see every event first. Hiding a panel ends a drag.
// T3dImagePanel draws straight from the store's picture; the second kind paints the stretched
// picture into its own surface when it changes. Pictures belong to the store.
#pragma once

#include "saver/overlay/t3d_control.h"

class T3dImagePanel : public T3dControl {
public:
    // The panel takes the picture's size.
    T3dImagePanel(int32_t x, int32_t y, const char* controlName, const char* bitmapName);

    void draw(IDirectDrawSurface7* target) override;
    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
    int mouseMove(int x, int y, int flag) override;
    int hitTest(int x, int y) override;
    void setVisible(int32_t value) override;

    int32_t movable = 0;

protected:
    T3dImagePanel() = default;
    // Starts a drag when the press is the primary button's on a solid pixel; 1 when it does.
    int pressOn(int x, int y, int button);
    int32_t grabX_ = 0, grabY_ = 0;  // the press point relative to the corner
};

class T3dStretchImagePanel : public T3dImagePanel {
public:
    T3dStretchImagePanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight, const char* controlName,
                         const char* bitmapName);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;
    int hitTest(int x, int y) override;
};
