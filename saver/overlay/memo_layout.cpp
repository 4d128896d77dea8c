#include "saver/overlay/memo_layout.h"

namespace {

size_t skipSpaces(const std::string& text, size_t i) {
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

size_t wordEnd(const std::string& text, size_t i) {
    while (i < text.size() && text[i] != ' ') ++i;
    return i;
}

}  // namespace

std::vector<TextSpan> wrapText(const std::string& text, int32_t maxWidth,
                               const std::function<int32_t(std::string_view)>& measure) {
    const size_t n = std::min<size_t>(text.size(), INT32_MAX);
    if (n == 0 || maxWidth <= 0) return {TextSpan{0, static_cast<int32_t>(n)}};
    const std::string_view all(text.data(), n);
    std::vector<TextSpan> rows;
    size_t pos = 0;
    while (pos < n) {
        size_t rowEnd = pos, next = pos;
        // Whole words while they fit.
        for (size_t end = wordEnd(text, next); next < n && measure(all.substr(pos, end - pos)) <= maxWidth;
             end = wordEnd(text, next)) {
            rowEnd = end;
            next = skipSpaces(text, end);
        }
        if (rowEnd == pos) {  // not even one word: cut it where it stops fitting
            rowEnd = pos + 1;
            while (rowEnd < n && measure(all.substr(pos, rowEnd + 1 - pos)) <= maxWidth) ++rowEnd;
            next = rowEnd;
        }
        rows.push_back({static_cast<int32_t>(pos), static_cast<int32_t>(rowEnd - pos)});
        pos = next;
    }
    return rows;
}
