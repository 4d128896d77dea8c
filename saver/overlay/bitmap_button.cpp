#include "saver/overlay/bitmap_button.h"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"

namespace {

// The raw value of one pixel of a surface, or false when it cannot be read.
bool readPixel(IDirectDrawSurface7* surface, int x, int y, DWORD& value) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return false;
    bool ok = desc.lpSurface && x >= 0 && y >= 0 && static_cast<DWORD>(x) < desc.dwWidth &&
              static_cast<DWORD>(y) < desc.dwHeight;
    if (ok) {
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
        const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
        if (bits == 16)
            value = reinterpret_cast<const uint16_t*>(row)[x];
        else if (bits == 32)
            value = reinterpret_cast<const uint32_t*>(row)[x];
        else
            ok = false;
    }
    surface->Unlock(nullptr);
    return ok;
}

}  // namespace

T3dBitmapButton::T3dBitmapButton(int32_t x, int32_t y, const char* controlName, const char* captionText,
                                 const char* bitmapName, int32_t fontIndex, ControlCallback onPress,
                                 ControlCallback onClick)
    : onPress_(std::move(onPress)), onClick_(std::move(onClick)) {
    left = x;
    top = y;
    if (controlName) name = controlName;
    if (captionText) caption = captionText;
    font = fontIndex;
    OverlayDisplay& display = overlayDisplay();
    bitmap = imageIndexFor(bitmapName);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    IDirectDrawSurface7* image = bitmap >= 0 ? display.image(bitmap) : nullptr;
    if (image && image->GetSurfaceDesc(&desc) == DD_OK) {
        width = static_cast<int32_t>(desc.dwWidth);
        height = static_cast<int32_t>(desc.dwHeight / 3);
    }
    remakeSurface(display.directDraw());
    changed();
}

void T3dBitmapButton::draw(IDirectDrawSurface7* target) {
    if (visible) copySurfaceTo(target);
    T3dControl::draw(target);
}

void T3dBitmapButton::changed() {
    IDirectDrawSurface7* image = bitmap >= 0 ? overlayDisplay().image(bitmap) : nullptr;
    if (!surface || !image) return;
    const int32_t frame = state == 1 ? 1 : (!enabled ? 2 : 0);
    RECT source = {0, frame * height, width, (frame + 1) * height};
    surface->BltFast(0, 0, image, &source, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
    if (!caption.empty())
        fontList.drawText(font, state == 1, enabled, 1, 1, surface, width / 2, height / 2, caption.c_str(), textColour);
}

int T3dBitmapButton::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (button != kPrimaryButton || !visible || !enabled || !hitTest(x, y)) return 0;
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

int T3dToggleButton::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (button != kPrimaryButton || !visible || !enabled || !hitTest(x, y)) return 0;
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
