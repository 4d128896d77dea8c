// T3dScrollBar: a horizontal scroll bar with a button at each end ("T3dScrollBarBtnLeft",
// "T3dScrollBarBtnRight"), a track between them and a thumb that shows the position.
//
// The position runs from `minimum` to `maximum` (a range whose maximum lies below its minimum is
// taken as a single value). Pressing an end button steps by `lineStep` (at once, on the press);
// pressing the track before or after the thumb steps by `pageStep`; the thumb can be dragged with
// the primary button, also beyond the bar's ends (the position stops at the range's ends). Every
// change of the position repaints the bar, marks a redraw and calls onChange; setting the
// position it already has calls nothing. The bar is as tall as its tallest picture; the buttons
// are its children and are drawn over its own surface. Hiding the bar ends a drag.
#pragma once

#include <functional>

#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/scroll_rail.h"

class T3dScrollBar : public T3dControl {
public:
    using ChangeCallback = std::function<void(T3dScrollBar* sender, int32_t position)>;

    T3dScrollBar(int32_t x, int32_t y, int32_t barWidth, const char* controlName, const char* leftImage,
                 const char* rightImage, const char* trackImage, const char* thumbImage, ChangeCallback onChange);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;
    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
    int mouseMove(int x, int y, int flag) override;
    void restoreSurfaces(IDirectDraw7* directDraw) override;
    void setVisible(int32_t value) override;

    virtual void setRange(int32_t low, int32_t high);  // keeps the position inside
    virtual void setPosition(int32_t value);           // clamped to the range
    virtual int32_t position() const;
    virtual void setSteps(int32_t line, int32_t page);
    virtual void stepBy(int32_t lines);
    virtual void pageBy(int32_t pages);
    virtual RECT thumbRect() const;  // on the screen

    int32_t minimum = 0, maximum = 100;
    int32_t lineStep = 1, pageStep = 10;

private:
    int32_t offset() const;        // the position counted from the minimum
    int32_t lastPosition() const;  // the range as 0..n
    void layOut();
    void moveBy64(int64_t amount);

    int32_t position_ = 0;
    ScrollRail rail_;
    T3dBitmapButton* leftButton_ = nullptr;
    T3dBitmapButton* rightButton_ = nullptr;
    ChangeCallback onChange_;
};
