#include "saver/overlay/rich_memo.h"

#include <utility>

#include "saver/overlay/font_list.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Applies the mark at line[i] to `look`; the mark's length, or 0 when no mark starts there.
size_t applyMark(const std::string& line, size_t i, RichLine::Look& look) {
    const std::string_view rest = std::string_view(line).substr(i);
    if (rest.starts_with("{h}")) {
        look.highlighted = true;
        return 3;
    }
    if (rest.starts_with("{/h}")) {
        look.highlighted = false;
        return 4;
    }
    if (rest.starts_with("{c}")) {
        look.ownColour = false;
        return 3;
    }
    if (rest.size() < 10 || !rest.starts_with("{c=") || rest[9] != '}') return 0;
    uint32_t rgb = 0;
    for (size_t k = 3; k < 9; ++k) {
        const int d = hexDigit(rest[k]);
        if (d < 0) return 0;
        rgb = rgb << 4 | static_cast<uint32_t>(d);
    }
    look.ownColour = true;
    look.colour = RGB(static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb));
    return 10;
}

}  // namespace

RichLine parseRichLine(const std::string& line) {
    RichLine out;
    RichLine::Look look;
    for (size_t i = 0; i < line.size();) {
        if (line[i] == '{')
            if (const size_t length = applyMark(line, i, look)) {
                i += length;
                continue;
            }
        out.text.push_back(line[i++]);
        out.looks.push_back(look);
    }
    return out;
}

T3dRichMemo::T3dRichMemo(int32_t x, int32_t y, int32_t memoWidth, int32_t memoHeight, const char* controlName,
                         int32_t fontIndex, const char* upImage, const char* downImage, const char* thumbImage,
                         const char* trackImage, SelectCallback onSelect)
    : T3dMemo(x, y, memoWidth, memoHeight, controlName, fontIndex, upImage, downImage, thumbImage, trackImage),
      onSelect_(std::move(onSelect)) {
    linesChanged();  // the memo's own layout knows no marks
    changed();
}

void T3dRichMemo::layoutLines() {
    parsed_.clear();
    std::vector<std::string> texts;
    for (const std::string& line : lines_) {
        parsed_.push_back(parseRichLine(line));
        texts.push_back(parsed_.back().text);
    }
    wrapTexts(texts);
}

void T3dRichMemo::changed() {
    ensureLayout();
    if (!surface) return;
    clearSurface();
    paintTrack();
    for (int32_t i = 0; i < visibleRows() && topRow_ + i < rowCount(); ++i)
        paintRow(i, rows_[static_cast<size_t>(topRow_ + i)]);
}

// Runs of one look are written one after the other, each where the text before it ends.
void T3dRichMemo::paintRow(int32_t visibleIndex, const Row& row) {
    const RichLine& line = parsed_[static_cast<size_t>(row.line)];
    const bool picked = row.line == selectedLine;
    int32_t x = textArea().left;
    for (int32_t start = row.span.start, end = start; start < row.span.start + row.span.length; start = end) {
        const RichLine::Look& look = line.looks[static_cast<size_t>(start)];
        while (end < row.span.start + row.span.length && line.looks[static_cast<size_t>(end)] == look) ++end;
        const std::string run = line.text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
        fontList.drawText(font, look.highlighted || picked, enabled, 0, 0, surface, x, rowTop(visibleIndex),
                          run.c_str(), look.ownColour ? look.colour : textColour);
        x += fontList.textExtent(font, run.c_str(), surface);
    }
}

int32_t T3dRichMemo::lineAt(int x, int y) {
    ensureLayout();
    const int32_t row = rowAt(x, y);
    return row >= 0 ? rows_[static_cast<size_t>(row)].line : -1;
}

int T3dRichMemo::mouseDown(int x, int y, int button) {
    const int32_t line = button == kPrimaryButton && visible && enabled ? lineAt(x, y) : -1;
    if (line < 0) return T3dMemo::mouseDown(x, y, button);
    selectedLine = line;
    propertyChanged();
    if (onSelect_) onSelect_(this, line);
    return 1;
}

void T3dRichMemo::setVisible(int32_t value) {
    if (!value) selectedLine = -1;
    T3dMemo::setVisible(value);
}

void T3dRichMemo::setText(const std::string& text) {
    selectedLine = -1;
    T3dMemo::setText(text);
}

void T3dRichMemo::clearLines() {
    selectedLine = -1;
    T3dMemo::clearLines();
}
