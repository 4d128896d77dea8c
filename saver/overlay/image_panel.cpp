#include "saver/overlay/image_panel.h"

#include "saver/overlay/surface_pixels.h"

T3dImagePanel::T3dImagePanel(int32_t x, int32_t y, const char* controlName, const char* bitmapName) {
    place(x, y, 0, 0, controlName);
    bitmap = imageIndexFor(bitmapName);
    storeImageSize(bitmap, width, height);
}

void T3dImagePanel::draw(IDirectDrawSurface7* target) {
    if (visible) copyOnto(target, storeImage(bitmap), RECT{0, 0, width, height}, left, top);
    T3dControl::draw(target);
}

int T3dImagePanel::pressOn(int x, int y, int button) {
    if (!acceptsPress(x, y, button)) return 0;
    captured = 1;
    grabX_ = x - left;
    grabY_ = y - top;
    return 1;
}

int T3dImagePanel::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    return pressOn(x, y, button);
}

int T3dImagePanel::mouseUp(int x, int y, int button) { return releaseCapture(x, y, button); }

int T3dImagePanel::mouseMove(int x, int y, int flag) {
    const int handled = T3dControl::mouseMove(x, y, flag);
    if (!captured || !movable || !visible) return handled;
    moveTo(x - grabX_, y - grabY_);
    return 1;
}

int T3dImagePanel::hitTest(int x, int y) {
    if (!T3dControl::hitTest(x, y)) return 0;
    return solidPixelAt(storeImage(bitmap), x - left, y - top);
}

void T3dImagePanel::setVisible(int32_t value) {
    T3dControl::setVisible(value);
    if (!visible) captured = 0;
}

T3dStretchImagePanel::T3dStretchImagePanel(int32_t x, int32_t y, int32_t panelWidth, int32_t panelHeight,
                                           const char* controlName, const char* bitmapName) {
    place(x, y, panelWidth, panelHeight, controlName);
    bitmap = imageIndexFor(bitmapName);
    makeSurfaceAndPaint();
}

void T3dStretchImagePanel::draw(IDirectDrawSurface7* target) { drawSelfAndChildren(target); }

void T3dStretchImagePanel::changed() {
    if (!surface) return;
    clearSurface();
    if (IDirectDrawSurface7* image = storeImage(bitmap))
        surface->Blt(nullptr, image, nullptr, DDBLT_WAIT, nullptr);  // green comes along and stays keyed
}

int T3dStretchImagePanel::hitTest(int x, int y) {
    if (!T3dControl::hitTest(x, y)) return 0;
    return solidPixelAt(surface, x - left, y - top);
}
