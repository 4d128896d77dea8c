#include "saver/overlay/text_panel.h"

#include "saver/overlay/font_list.h"

T3dTextPanel::T3dTextPanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight, const char* controlName,
                           const char* captionText, int32_t fontIndex, int32_t horizontalAlign)
    : align(horizontalAlign) {
    place(x, y, panelWidth, panelHeight, controlName);
    if (captionText) caption = captionText;
    font = fontIndex;
    makeSurfaceAndPaint();
}

void T3dTextPanel::draw(IDirectDrawSurface7* target) { drawSelfAndChildren(target); }

void T3dTextPanel::changed() {
    if (!surface) return;
    clearSurface();
    writeCaption(0, 0, state == 1, enabled, textColour);
}

void T3dTextPanel::setAlign(int32_t value) {
    align = value;
    propertyChanged();
}

int32_t T3dTextPanel::anchorX() const {
    if (align == 1) return width / 2;
    if (align == 2) return width - kTextInset;
    return kTextInset;
}

void T3dTextPanel::writeCaption(int32_t dx, int32_t dy, int32_t highlighted, int32_t enabledLook, COLORREF colour) {
    if (!surface || caption.empty()) return;
    fontList.drawText(font, highlighted, enabledLook, align == 1 || align == 2 ? align : 0, 1, surface, anchorX() + dx,
                      height / 2 + dy, caption.c_str(), colour);
}

T3dShadowTextPanel::T3dShadowTextPanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight,
                                       const char* controlName, const char* captionText, int32_t fontIndex,
                                       int32_t horizontalAlign)
    : T3dTextPanel(x, y, panelWidth, panelHeight, controlName, captionText, fontIndex, horizontalAlign) {
    changed();  // the panel's constructor painted the first look
}

void T3dShadowTextPanel::changed() {
    if (!surface) return;
    clearSurface();
    writeCaption(1, 1, 0, 0, 0x000000);
    writeCaption(0, 0, state == 1, enabled, textColour);
}
