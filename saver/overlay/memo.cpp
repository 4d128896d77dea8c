#include "saver/overlay/memo.h"

#include <algorithm>

#include "saver/overlay/font_list.h"
#include "saver/overlay/text_panel.h"

T3dMemo::T3dMemo(int32_t x, int32_t y, int32_t memoWidth, int32_t memoHeight, const char* controlName,
                 int32_t fontIndex, const char* upImage, const char* downImage, const char* thumbImage,
                 const char* trackImage) {
    place(x, y, memoWidth, memoHeight, controlName);
    font = fontIndex;
    rail_.vertical = true;
    rail_.trackImage = imageIndexFor(trackImage);
    rail_.thumbImage = imageIndexFor(thumbImage);
    upButton_ = addPressButton(this, "T3dMemoBtnUp", upImage, [this] { scrollTo(topRow_ - 1); });
    downButton_ = addPressButton(this, "T3dMemoBtnDown", downImage, [this] { scrollTo(topRow_ + 1); });
    layOutParts();
    makeSurfaceAndPaint();
}

void T3dMemo::layOutParts() {
    rail_.measureThumb();
    const int32_t column = std::max({upButton_->width, downButton_->width, rail_.thumbWidth});
    upButton_->moveTo(left + width - upButton_->width, top);
    downButton_->moveTo(left + width - downButton_->width, top + height - downButton_->height);
    rail_.area = RECT{width - column, upButton_->height, width, std::max(upButton_->height, height - downButton_->height)};
}

RECT T3dMemo::textArea() const {
    return RECT{kTextInset, kTextInset, std::max(kTextInset, rail_.area.left - kTextInset),
                std::max(kTextInset, height - kTextInset)};
}

int32_t T3dMemo::visibleRows() const {
    const int32_t cell = fontList.cellHeight(font);
    const RECT area = textArea();
    return cell > 0 ? (area.bottom - area.top) / cell : 0;
}

int32_t T3dMemo::lastTopRow() const { return std::max(0, rowCount() - std::max(visibleRows(), 1)); }

int32_t T3dMemo::rowTop(int32_t i) const { return textArea().top + i * fontList.cellHeight(font); }

int32_t T3dMemo::rowAt(int x, int y) const {
    const RECT area = textArea();
    const int64_t ownX = int64_t{x} - left, ownY = int64_t{y} - top;
    const int32_t cell = fontList.cellHeight(font);
    if (cell <= 0 || ownX < area.left || ownX >= area.right || ownY < area.top || ownY >= area.bottom) return -1;
    const int64_t row = topRow_ + (ownY - area.top) / cell;
    return row < rowCount() && (ownY - area.top) / cell < visibleRows() ? static_cast<int32_t>(row) : -1;
}

void T3dMemo::wrapTexts(const std::vector<std::string>& texts) {
    rows_.clear();
    const RECT area = textArea();
    auto measure = [this](std::string_view piece) {
        return fontList.textExtent(font, std::string(piece).c_str(), surface);
    };
    for (size_t i = 0; i < texts.size(); ++i)
        for (const TextSpan& span : wrapText(texts[i], area.right - area.left, measure))
            rows_.push_back(Row{static_cast<int32_t>(i), span});
    topRow_ = std::clamp(topRow_, 0, lastTopRow());
}

T3dMemo::LayoutKey T3dMemo::currentKey() const {
    return LayoutKey{font, textArea().right - textArea().left, surface, linesVersion_};
}

void T3dMemo::ensureLayout() {
    if (laidOut_ == currentKey()) return;
    layoutLines();
    laidOut_ = currentKey();
}

void T3dMemo::layoutLines() { wrapTexts(lines_); }

void T3dMemo::paintTrack() { rail_.paint(surface, topRow_, lastTopRow()); }

void T3dMemo::changed() {
    ensureLayout();
    if (!surface) return;
    clearSurface();
    paintTrack();
    const RECT area = textArea();
    for (int32_t i = 0; i < visibleRows() && topRow_ + i < rowCount(); ++i) {
        const Row& row = rows_[static_cast<size_t>(topRow_ + i)];
        const std::string text = lines_[static_cast<size_t>(row.line)].substr(static_cast<size_t>(row.span.start),
                                                                             static_cast<size_t>(row.span.length));
        fontList.drawText(font, 0, enabled, 0, 0, surface, area.left, rowTop(i), text.c_str(), textColour);
    }
}

void T3dMemo::draw(IDirectDrawSurface7* target) { drawSelfAndChildren(target); }

int T3dMemo::mouseDown(int x, int y, int button) {
    if (children.dispatchMouseDown(x, y, button)) return 1;
    if (!acceptsPress(x, y, button)) return 0;
    ensureLayout();
    const int32_t page = std::max(1, visibleRows() - 1);
    if (rail_.pressAt(x - left, y - top, topRow_, lastTopRow(), [&](int32_t pages) { scrollTo(topRow_ + pages * page); }))
        captured = 1;
    return 1;
}

int T3dMemo::mouseUp(int x, int y, int button) { return releaseCapture(x, y, button); }

int T3dMemo::mouseMove(int x, int y, int flag) {
    const int handled = T3dControl::mouseMove(x, y, flag);
    if (!captured) return handled;
    scrollTo(rail_.dragPosition(int64_t{x} - left, int64_t{y} - top, lastTopRow()));
    return 1;
}

void T3dMemo::restoreSurfaces(IDirectDraw7* directDraw) {
    layOutParts();
    T3dControl::restoreSurfaces(directDraw);  // the new surface lays the rows out again
}

void T3dMemo::setVisible(int32_t value) {
    T3dControl::setVisible(value);
    if (!visible) captured = 0;
}

void T3dMemo::setText(const std::string& text) {
    lines_.clear();
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines_.push_back(text.substr(start, end - start));
    lines_.push_back(text.substr(start));
    for (std::string& line : lines_)
        if (!line.empty() && line.back() == '\r') line.pop_back();
    topRow_ = 0;
    linesChanged();
    propertyChanged();
}

void T3dMemo::addLine(const std::string& line) {
    ensureLayout();
    const bool atEnd = topRow_ >= lastTopRow();
    lines_.push_back(line);
    linesChanged();
    ensureLayout();
    if (atEnd) topRow_ = lastTopRow();
    propertyChanged();
}

void T3dMemo::clearLines() {
    lines_.clear();
    topRow_ = 0;
    linesChanged();
    propertyChanged();
}

void T3dMemo::scrollTo(int32_t row) {
    ensureLayout();
    const int32_t clamped = std::clamp(row, 0, lastTopRow());
    if (clamped == topRow_) return;
    topRow_ = clamped;
    propertyChanged();
}
