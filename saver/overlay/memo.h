// T3dMemo: a box of lines of text that wrap at its width and scroll up and down, with an up button
// ("T3dMemoBtnUp") and a down button ("T3dMemoBtnDown") at the ends of a vertical track on its
// right and a thumb showing where the visible rows lie.
//
// Lines are paragraphs; each wraps into rows at spaces (memo_layout.h) to the width of the text
// area (the memo's width less the track column, `kTextInset` pixels in from every edge). The rows
// from `topRow` down fill the text area, one cell height of the font each; the scroll range ends
// where the last row is the bottom one. The buttons scroll by one row on their press, a press on
// the track before or after the thumb by a page (the rows visible less one), and the thumb can be
// dragged. A memo scrolled to its end stays there when lines are added, as a log does. Rows are
// measured on the own surface, so the layout is made again whenever that surface is made. The memo
// owns its lines, its buttons (children) and its surface; pictures belong to the store.
#pragma once

#include <string>
#include <vector>

#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/memo_layout.h"
#include "saver/overlay/scroll_rail.h"

class T3dMemo : public T3dControl {
public:
    T3dMemo(int32_t x, int32_t y, int32_t memoWidth, int32_t memoHeight, const char* controlName, int32_t fontIndex,
            const char* upImage, const char* downImage, const char* thumbImage, const char* trackImage);

    void draw(IDirectDrawSurface7* target) override;
    void changed() override;
    int mouseDown(int x, int y, int button) override;
    int mouseUp(int x, int y, int button) override;
    int mouseMove(int x, int y, int flag) override;
    void restoreSurfaces(IDirectDraw7* directDraw) override;
    void setVisible(int32_t value) override;

    // Replaces every line by the text's lines (split at line feeds) and scrolls to the top.
    virtual void setText(const std::string& text);
    virtual void addLine(const std::string& line);
    virtual void clearLines();
    // Shows the rows from `row` on (clamped to the scroll range).
    virtual void scrollTo(int32_t row);
    // Wraps the lines into rows for the current width and font.
    virtual void layoutLines();

    const std::vector<std::string>& lines() const { return lines_; }
    int32_t rowCount() const { return static_cast<int32_t>(rows_.size()); }
    int32_t topRow() const { return topRow_; }
    int32_t visibleRows() const;
    int32_t lastTopRow() const;  // the scroll range: 0..lastTopRow

protected:
    struct Row {
        int32_t line = 0;  // the paragraph it belongs to
        TextSpan span;     // its part of that paragraph's shown text
    };

    // The text area in own-surface coordinates.
    RECT textArea() const;
    // Wraps each of the texts (one a line) into rows_ and keeps topRow_ in range.
    void wrapTexts(const std::vector<std::string>& texts);
    // Lays the lines out again when the lines, the font, the width or the surface changed since.
    void ensureLayout();
    // Marks the lines as changed.
    void linesChanged() { ++linesVersion_; }
    // The own-surface top of the visible row `i` (0 the top one).
    int32_t rowTop(int32_t i) const;
    // The row under a point on the screen, or -1.
    int32_t rowAt(int x, int y) const;
    void paintTrack();

    std::vector<std::string> lines_;
    std::vector<Row> rows_;
    int32_t topRow_ = 0;

private:
    struct LayoutKey {
        int32_t font = -1, width = -1;
        IDirectDrawSurface7* surface = nullptr;
        uint32_t linesVersion = 0;
        bool operator==(const LayoutKey&) const = default;
    };
    LayoutKey currentKey() const;
    void layOutParts();

    uint32_t linesVersion_ = 1;
    LayoutKey laidOut_;
    ScrollRail rail_;
    T3dBitmapButton* upButton_ = nullptr;
    T3dBitmapButton* downButton_ = nullptr;
};
