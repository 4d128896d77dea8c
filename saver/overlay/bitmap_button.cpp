#include "saver/overlay/bitmap_button.h"

#include <utility>

#include "saver/overlay/font_list.h"
#include "saver/overlay/surface_pixels.h"

T3dBitmapButton::T3dBitmapButton(int32_t x, int32_t y, const char* controlName, const char* captionText,
                                 const char* bitmapName, int32_t fontIndex, ControlCallback onPress,
                                 ControlCallback onClick)
    : onPress_(std::move(onPress)), onClick_(std::move(onClick)) {
    place(x, y, 0, 0, controlName);
    if (captionText) caption = captionText;
    font = fontIndex;
    bitmap = imageIndexFor(bitmapName);
    int32_t imageWidth = 0, imageHeight = 0;
    if (storeImageSize(bitmap, imageWidth, imageHeight)) {
        width = imageWidth;
        height = imageHeight / 3;
    }
    makeSurfaceAndPaint();
}

void T3dBitmapButton::draw(IDirectDrawSurface7* target) { drawSelfAndChildren(target); }

void T3dBitmapButton::changed() {
    IDirectDrawSurface7* image = storeImage(bitmap);
    if (!surface || !image) return;
    const int32_t frame = state == 1 ? 1 : (!enabled ? 2 : 0);
    RECT source = {0, frame * height, width, (frame + 1) * height};
    surface->BltFast(0, 0, image, &source, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
    if (!caption.empty())
        fontList.drawText(font, state == 1, enabled, 1, 1, surface, width / 2, height / 2, caption.c_str(), textColour);
}

int T3dBitmapButton::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    if (onPress_) onPress_(this);
    captured = 1;
    setState(1);
    return 1;
}

int T3dBitmapButton::mouseUp(int x, int y, int button) {
    if (children.dispatchMouseUp(x, y, button)) return 1;
    if (button != kPrimaryButton || state != 1) return 0;
    captured = 0;
    setState(0);
    if (hitTest(x, y) && onClick_) onClick_(this);
    return 1;
}

int T3dBitmapButton::hitTest(int x, int y) {
    if (!T3dControl::hitTest(x, y) || !surface) return 0;
    DWORD pixel = 0;
    if (!readPixel(surface, x - left, y - top, pixel)) return 0;
    return pixel != colourKey.dwColorSpaceLowValue ? 1 : 0;
}

T3dBitmapButton* addPressButton(T3dControl* owner, const char* controlName, const char* bitmapName,
                                std::function<void()> onPress) {
    auto* button = new T3dBitmapButton(owner->left, owner->top, controlName, nullptr, bitmapName, 0,
                                       [press = std::move(onPress)](T3dControl*) { press(); }, nullptr);
    owner->addChild(button);
    return button;
}

int T3dToggleButton::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    if (onPress_) onPress_(this);
    captured = 1;
    return 1;
}

int T3dToggleButton::mouseUp(int x, int y, int button) {
    if (children.dispatchMouseUp(x, y, button)) return 1;
    if (button != kPrimaryButton || !captured) return 0;
    captured = 0;
    if (hitTest(x, y)) {
        setState(state == 1 ? 0 : 1);
        if (onClick_) onClick_(this);
    }
    return 1;
}
