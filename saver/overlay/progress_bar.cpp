#include "saver/overlay/progress_bar.h"

#include "saver/overlay/overlay_display.h"

T3dProgressBar::T3dProgressBar(int32_t x, int32_t y, int32_t cellCount, const char* controlName,
                               const char* cellBitmapName) {
    place(x, y, 0, 0, controlName);
    cells_ = cellCount > 0 ? cellCount : 0;
    percentPerCell_ = cells_ > 0 ? 100.0f / static_cast<float>(cells_) : 0.0f;
    bitmap = imageIndexFor(cellBitmapName);
    if (storeImageSize(bitmap, cellWidth_, cellHeight_)) {
        const int64_t total = int64_t{cellWidth_} * cells_;
        width = total <= 16384 ? static_cast<int32_t>(total) : 0;  // no surface wider than a screen can use
        height = cellHeight_;
    }
    makeSurfaceAndPaint();
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
    if (!visible || !surface) return;
    clearSurface();
    IDirectDrawSurface7* cell = storeImage(bitmap);
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
