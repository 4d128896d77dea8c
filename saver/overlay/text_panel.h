// Text panels: a caption written with the control's font on a transparent background, and a second
// look of the same panel with a drop shadow.
//
// The panel is width x height pixels at (x, y); its caption is centred vertically and placed by
// `align` horizontally (0 from the left edge, 1 centred, 2 to the right edge, with `kTextInset`
// pixels kept free at the edges). A caption wider than the panel is cut at its edges. Pressed panels
// (state 1) write their caption highlighted, disabled ones in the disabled look. Panels take no
// input of their own: clicks go through to what lies below. The panel owns its surface.
#pragma once

#include "saver/overlay/t3d_control.h"

// Pixels kept free between a panel's edge and its text.
constexpr int32_t kTextInset = 2;

class T3dTextPanel : public T3dControl {
public:
    T3dTextPanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight, const char* controlName,
                 const char* captionText, int32_t fontIndex, int32_t horizontalAlign = 0);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;

    void setAlign(int32_t value);
    int32_t align = 0;

protected:
    // Where the caption's alignment point lies in the own surface (x; y is the middle).
    int32_t anchorX() const;
    // Writes the caption into the own surface at an offset from its place, in the given look.
    void writeCaption(int32_t dx, int32_t dy, int32_t highlighted, int32_t enabledLook, COLORREF colour);
};

// The second look: the caption over a shadow one pixel down and to the right, in black (a bitmap
// font shows its disabled look there).
class T3dShadowTextPanel : public T3dTextPanel {
public:
    T3dShadowTextPanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight, const char* controlName,
                       const char* captionText, int32_t fontIndex, int32_t horizontalAlign = 0);

    void changed() override;
};
