// Breaking a paragraph of text into rows that fit a width, for the memos.
//
// Rows break at spaces where they can: a row holds as many whole words as fit, and the spaces
// where it breaks belong to no row. A word wider than a whole row is cut between characters, with
// at least one character per row, so the breaking always ends. An empty text is one empty row;
// leading spaces of the paragraph are kept. A width of 0 or less puts the whole text on one row.
// `measure` gives the drawn width of a piece of the text in pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TextSpan {
    int32_t start = 0;
    int32_t length = 0;
};

std::vector<TextSpan> wrapText(const std::string& text, int32_t maxWidth,
                               const std::function<int32_t(std::string_view)>& measure);
