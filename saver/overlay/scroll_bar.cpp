#include "saver/overlay/scroll_bar.h"

#include <algorithm>
#include <utility>

#include "saver/overlay/overlay_clip.h"

T3dScrollBar::T3dScrollBar(int32_t x, int32_t y, int32_t barWidth, const char* controlName, const char* leftImage,
                           const char* rightImage, const char* trackImage, const char* thumbImage,
                           ChangeCallback onChange)
    : onChange_(std::move(onChange)) {
    place(x, y, barWidth, 0, controlName);
    rail_.vertical = false;
    rail_.trackImage = imageIndexFor(trackImage);
    rail_.thumbImage = imageIndexFor(thumbImage);
    leftButton_ = addPressButton(this, "T3dScrollBarBtnLeft", leftImage, [this] { stepBy(-1); });
    rightButton_ = addPressButton(this, "T3dScrollBarBtnRight", rightImage, [this] { stepBy(1); });
    layOut();
    makeSurfaceAndPaint();
}

void T3dScrollBar::layOut() {
    rail_.measureThumb();
    int32_t trackWidth = 0, trackHeight = 0;
    storeImageSize(rail_.trackImage, trackWidth, trackHeight);
    height = std::max({leftButton_->height, rightButton_->height, rail_.thumbHeight, trackHeight});
    leftButton_->moveTo(left, top + (height - leftButton_->height) / 2);
    rightButton_->moveTo(left + width - rightButton_->width, top + (height - rightButton_->height) / 2);
    rail_.area = RECT{leftButton_->width, 0, std::max(leftButton_->width, width - rightButton_->width), height};
}

void T3dScrollBar::draw(IDirectDrawSurface7* target) { drawSelfAndChildren(target); }

void T3dScrollBar::changed() {
    if (!surface) return;
    clearSurface();
    rail_.paint(surface, offset(), lastPosition());
}

int T3dScrollBar::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    if (rail_.pressAt(x - left, y - top, offset(), lastPosition(), [this](int32_t pages) { pageBy(pages); }))
        captured = 1;
    return 1;
}

int T3dScrollBar::mouseUp(int x, int y, int button) { return releaseCapture(x, y, button); }

int T3dScrollBar::mouseMove(int x, int y, int flag) {
    const int handled = T3dControl::mouseMove(x, y, flag);
    if (!captured) return handled;
    setPosition(clampToInt32(int64_t{minimum} + rail_.dragPosition(int64_t{x} - left, int64_t{y} - top, lastPosition())));
    return 1;
}

void T3dScrollBar::restoreSurfaces(IDirectDraw7* directDraw) {
    layOut();  // the pictures may only now be loaded
    T3dControl::restoreSurfaces(directDraw);
}

void T3dScrollBar::setVisible(int32_t value) {
    T3dControl::setVisible(value);
    if (!visible) captured = 0;
}

void T3dScrollBar::setRange(int32_t low, int32_t high) {
    minimum = low;
    maximum = std::max(low, high);
    const int32_t before = position_;
    position_ = std::clamp(position_, minimum, maximum);
    propertyChanged();
    if (position_ != before && onChange_) onChange_(this, position_);
}

void T3dScrollBar::setPosition(int32_t value) {
    const int32_t clamped = std::clamp(value, minimum, std::max(minimum, maximum));
    if (clamped == position_) return;
    position_ = clamped;
    propertyChanged();
    if (onChange_) onChange_(this, position_);
}

int32_t T3dScrollBar::position() const { return position_; }

void T3dScrollBar::setSteps(int32_t line, int32_t page) {
    lineStep = line;
    pageStep = page;
}

void T3dScrollBar::moveBy64(int64_t amount) {
    setPosition(clampToInt32(position_ + amount));
}

void T3dScrollBar::stepBy(int32_t lines) { moveBy64(int64_t{lines} * lineStep); }

void T3dScrollBar::pageBy(int32_t pages) { moveBy64(int64_t{pages} * pageStep); }

RECT T3dScrollBar::thumbRect() const {
    RECT r = rail_.thumbRect(offset(), lastPosition());
    return RECT{r.left + left, r.top + top, r.right + left, r.bottom + top};
}

int32_t T3dScrollBar::offset() const {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{position_} - minimum, 0, INT32_MAX));
}

int32_t T3dScrollBar::lastPosition() const {
    const int64_t span = int64_t{maximum} - minimum;
    return static_cast<int32_t>(std::clamp<int64_t>(span, 0, INT32_MAX));
}
