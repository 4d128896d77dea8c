// T3dProgressBar: a row of n cells from one cell bitmap; position p (percent) shows the cells i with
// i < p / (100 / n), so 25 on a 10-cell bar shows three and no position shows more than n.
//
// The bar is laid out for an 800 x 600 screen and stretched to the screen in use when drawn, with
// its own colour key (pure green stays transparent) and OR-ed when `additive` is set.
#pragma once

#include "saver/overlay/t3d_control.h"

class T3dProgressBar : public T3dControl {
public:
    T3dProgressBar(int32_t x, int32_t y, int32_t cellCount, const char* controlName, const char* cellBitmapName);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;

    void setPosition(int32_t value);
    int32_t position() const { return position_; }
    // How many cells the position shows.
    int32_t cellsShown() const;

private:
    int32_t cells_ = 0;
    int32_t cellWidth_ = 0;
    int32_t cellHeight_ = 0;
    int32_t position_ = 0;
    float percentPerCell_ = 0.0f;
};
