#include "saver/overlay/t3d_control.h"

#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/overlay_clip.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/surface_pixels.h"

ControlList controlContainer;
bool redrawNeeded = false;
int32_t controlCounter = 0;

T3dControl::T3dControl() : id(controlCounter++) {}

T3dControl::~T3dControl() {
    releaseOwnSurface();
    children.deleteAll();
}

void T3dControl::draw(IDirectDrawSurface7* target) { children.drawAll(target); }

void T3dControl::changed() {}

int T3dControl::mouseDown(int x, int y, int button) { return children.dispatchMouseDown(x, y, button); }

int T3dControl::mouseUp(int x, int y, int button) { return children.dispatchMouseUp(x, y, button); }

int T3dControl::mouseMove(int x, int y, int flag) {
    int handled = 0;
    if (visible && enabled && (flag ? hitTest(x, y) != 0 : captured != 0)) {
        cursorLayer.select(cursorShape);
        handled = 1;
    }
    return children.dispatchMouseMove(x, y, flag) | handled;
}

int T3dControl::keyDown(uint16_t) { return 0; }
int T3dControl::keyUp(uint16_t) { return 0; }
int T3dControl::character(uint8_t) { return 0; }

void T3dControl::restoreSurfaces(IDirectDraw7* directDraw) {
    if (visible && width > 0 && height > 0) remakeSurface(directDraw);
    children.restoreSurfaces(directDraw);
    changed();
}

void T3dControl::releaseSurfaces() {
    releaseOwnSurface();
    children.releaseSurfaces();
}

int T3dControl::hitTest(int x, int y) {
    return left <= x && x < left + width && top <= y && y < top + height ? 1 : 0;
}

void T3dControl::setVisible(int32_t value) {
    if (parent && !parent->visible && value) return;  // no showing inside a hidden parent
    visible = value;
    children.forEach([&](T3dControl* c) { c->setVisible(value); });
    OverlayDisplay& display = overlayDisplay();
    if (!value) {
        focused = 0;
        if (bitmap >= 0) display.releaseImage(bitmap);
        if (parent) releaseOwnSurface();
    } else if (IDirectDraw7* directDraw = display.directDraw(); directDraw && width > 0 && height > 0) {
        remakeSurface(directDraw);
        if (bitmap >= 0) display.image(bitmap);  // loads it into the store again
    }
    propertyChanged();
}

void T3dControl::setAdditive(int32_t value) {
    additive = value;
    propertyChanged();
}
void T3dControl::setFont(int32_t value) {
    font = value;
    propertyChanged();
}
void T3dControl::setState(int32_t value) {
    state = value;
    propertyChanged();
}
void T3dControl::setTextColour(uint32_t value) {
    textColour = value;
    propertyChanged();
}
void T3dControl::setCaption(const std::string& value) {
    caption = value;
    propertyChanged();
}

void T3dControl::setEnabled(int32_t value) {
    if (parent && !parent->enabled && value) return;
    enabled = value;
    children.forEach([&](T3dControl* c) { c->setEnabled(value); });
    if (!value) clearFocusOfTree();
    propertyChanged();
}

void T3dControl::setFocus(int32_t value) {
    if (value) {
        controlContainer.forEach([](T3dControl* c) { c->clearFocusOfTree(); });
    } else {
        children.forEach([](T3dControl* c) { c->focused = 0; });
    }
    focused = value;
    propertyChanged();
}

void T3dControl::moveBy(int dx, int dy) {
    left += dx;
    top += dy;
    children.forEach([&](T3dControl* c) { c->moveBy(dx, dy); });
    propertyChanged();
}

void T3dControl::moveTo(int x, int y) { moveBy(x - left, y - top); }

void T3dControl::addChild(T3dControl* child) {
    if (!child || child == this) return;
    child->parent = this;
    if (children.add(child) < 0) delete child;  // the list is full: the control is not kept
}

void T3dControl::propertyChanged() {
    redrawNeeded = true;
    changed();
}

void T3dControl::remakeSurface(IDirectDraw7* directDraw) {
    releaseOwnSurface();  // a surface made again replaces the old one instead of leaking it
    if (!directDraw || width <= 0 || height <= 0) return;
    surface = overlayDisplay().makeBlankSurface(directDraw, width, height);
    colourKey = {};
    if (surface) surface->GetColorKey(DDCKEY_SRCBLT, &colourKey);
}

void T3dControl::releaseOwnSurface() {
    if (surface) surface->Release();
    surface = nullptr;
}

void T3dControl::clearFocusOfTree() {
    focused = 0;
    children.forEach([](T3dControl* c) { c->clearFocusOfTree(); });
}

void T3dControl::place(int32_t x, int32_t y, int32_t w, int32_t h, const char* controlName) {
    left = x;
    top = y;
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    if (controlName) name = controlName;
}

bool T3dControl::acceptsPress(int x, int y, int button) {
    return button == kPrimaryButton && visible && enabled && hitTest(x, y);
}

int T3dControl::releaseCapture(int x, int y, int button) {
    if (children.dispatchMouseUp(x, y, button)) return 1;
    if (button != kPrimaryButton || !captured) return 0;
    captured = 0;
    return 1;
}

void T3dControl::drawSelfAndChildren(IDirectDrawSurface7* target) {
    if (visible) copySurfaceTo(target);
    T3dControl::draw(target);
}

void T3dControl::makeSurfaceAndPaint() {
    remakeSurface(overlayDisplay().directDraw());
    changed();
}

void T3dControl::clearSurface() {
    if (!surface) return;
    DDBLTFX fill = {};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = colourKey.dwColorSpaceLowValue;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
}

int32_t T3dControl::imageIndexFor(const char* imageName) {
    if (!imageName) return -1;
    OverlayDisplay& display = overlayDisplay();
    int32_t index = display.findImage(imageName);
    if (index < 0) index = display.addImage(display.directDraw(), imageName);
    return index;
}

IDirectDrawSurface7* T3dControl::storeImage(int32_t index) { return index >= 0 ? overlayDisplay().image(index) : nullptr; }

bool T3dControl::storeImageSize(int32_t index, int32_t& imageWidth, int32_t& imageHeight) {
    return surfaceSize(storeImage(index), imageWidth, imageHeight);
}

void T3dControl::copyOnto(IDirectDrawSurface7* target, IDirectDrawSurface7* source, const RECT& part, int64_t x,
                          int64_t y) const {
    int32_t targetWidth = 0, targetHeight = 0;
    if (!source || !surfaceSize(target, targetWidth, targetHeight)) return;
    const ClippedCopy copy = clipCopy(x, y, part, targetWidth, targetHeight);
    if (copy.empty) return;
    RECT from = copy.source;
    if (additive) {
        RECT dest = {copy.x, copy.y, copy.x + (from.right - from.left), copy.y + (from.bottom - from.top)};
        DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.dwROP = SRCPAINT;
        target->Blt(&dest, source, &from, DDBLT_ROP | DDBLT_WAIT, &fx);
    } else {
        target->BltFast(static_cast<DWORD>(copy.x), static_cast<DWORD>(copy.y), source, &from,
                        DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    }
}

void T3dControl::copySurfaceTo(IDirectDrawSurface7* target) const {
    copyOnto(target, surface, RECT{0, 0, width, height}, left, top);
}
