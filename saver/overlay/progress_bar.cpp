#include "saver/overlay/progress_bar.h"

#include "saver/overlay/overlay_display.h"

T3dProgressBar::T3dProgressBar(int32_t x, int32_t y, int32_t cellCount, const char* controlName,
                               const char* cellBitmapName) {
    left = x;
    top = y;
    if (controlName) name = controlName;
    cells_ = cellCount > 0 ? cellCount : 0;
    percentPerCell_ = cells_ > 0 ? 100.0f / static_cast<float>(cells_) : 0.0f;
    OverlayDisplay& display = overlayDisplay();
    bitmap = imageIndexFor(cellBitmapName);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    IDirectDrawSurface7* image = bitmap >= 0 ? display.image(bitmap) : nullptr;
    if (image && image->GetSurfaceDesc(&desc) == DD_OK) {
        cellWidth_ = static_cast<int32_t>(desc.dwWidth);
        cellHeight_ = static_cast<int32_t>(desc.dwHeight);
        const int64_t total = int64_t{cellWidth_} * cells_;
        width = total <= 16384 ? static_cast<int32_t>(total) : 0;  // no surface wider than a screen can use
        height = cellHeight_;
    }
    remakeSurface(display.directDraw());
    changed();
}

int32_t T3dProgressBar::cellsShown() const {
    if (cells_ == 0) return 0;
    int32_t shown = 0;
    while (shown < cells_ && static_cast<float>(shown) < static_cast<float>(position_) / percentPerCell_) ++shown;
    return shown;
}

void T3dProgressBar::setPosition(int32_t value) {
    position_ = value;
    propertyChanged();
}

void T3dProgressBar::changed() {
    IDirectDrawSurface7* cell = bitmap >= 0 ? overlayDisplay().image(bitmap) : nullptr;
    if (!visible || !surface) return;
    DDBLTFX fill = {};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = colourKey.dwColorSpaceLowValue;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
    if (!cell) return;
    RECT source = {0, 0, cellWidth_, cellHeight_};
    const int32_t shown = cellsShown();
    for (int32_t i = 0; i < shown; ++i)
        surface->BltFast(static_cast<DWORD>(i * cellWidth_), 0, cell, &source, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
}

void T3dProgressBar::draw(IDirectDrawSurface7* target) {
    if (visible && surface && target) {
        int screenWidth = 0, screenHeight = 0;
        overlayDisplay().screenSize(screenWidth, screenHeight);
        const int64_t x0 = int64_t{screenWidth} * left / 800, y0 = int64_t{screenHeight} * top / 600;
        RECT dest = {static_cast<LONG>(x0), static_cast<LONG>(y0),
                     static_cast<LONG>(x0 + int64_t{screenWidth} * width / 800),
                     static_cast<LONG>(y0 + int64_t{screenHeight} * height / 600)};
        DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.ddckSrcColorkey = colourKey;
        fx.dwROP = SRCPAINT;
        target->Blt(&dest, surface, nullptr, DDBLT_KEYSRCOVERRIDE | DDBLT_WAIT | (additive ? DDBLT_ROP : 0), &fx);
    }
    T3dControl::draw(target);
}
