// The rich memo: a T3dMemo whose lines carry colour and highlight marks, and whose lines can be
// picked with the mouse.
//
// Marks inside a line: "{c=RRGGBB}" writes what follows in that colour (hexadecimal red, green,
// blue), "{c}" goes back to the memo's text colour, "{h}" and "{/h}" start and end the highlighted
// look. Marks are not shown and take no room; a brace that starts no mark is shown as it is. Every
// line starts in the memo's colour, not highlighted. A bitmap font has its colours in its sheet, so
// with one only the highlight marks show. A primary-button press on a row picks its line: the
// line is drawn highlighted as a whole and onSelect is called with its index. Clearing or
// replacing the lines drops the pick, and so does hiding the memo.
#pragma once

#include <functional>

#include "saver/overlay/memo.h"

// One line with its marks taken out: the text shown, and for each of its characters its look.
struct RichLine {
    struct Look {
        bool ownColour = false;  // false: the memo's text colour
        COLORREF colour = 0;
        bool highlighted = false;
        bool operator==(const Look&) const = default;
    };
    std::string text;
    std::vector<Look> looks;  // one a character of text
};

RichLine parseRichLine(const std::string& line);

class T3dRichMemo : public T3dMemo {
public:
    using SelectCallback = std::function<void(T3dRichMemo* sender, int32_t line)>;

    T3dRichMemo(int32_t x, int32_t y, int32_t memoWidth, int32_t memoHeight, const char* controlName,
                int32_t fontIndex, const char* upImage, const char* downImage, const char* thumbImage,
                const char* trackImage, SelectCallback onSelect);

    void changed() override;
    int mouseDown(int x, int y, int button) override;
    void setVisible(int32_t value) override;
    void setText(const std::string& text) override;
    void clearLines() override;
    void layoutLines() override;
    // The line under a point on the screen, or -1.
    virtual int32_t lineAt(int x, int y);

    int32_t selectedLine = -1;

private:
    void paintRow(int32_t visibleIndex, const Row& row);

    std::vector<RichLine> parsed_;
    SelectCallback onSelect_;
};
