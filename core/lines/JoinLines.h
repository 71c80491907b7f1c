// One text out of a line list, every line followed by the same line end: what the commands put
// into a box (CR LF) or hand to a writer (LF).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// The first count entries of lines (a LineList, or any list of strings), each followed by
// lineEnd; allocated once. A count beyond the list (a line count left over from another list)
// stops at the list's end.
template <class Lines>
std::u16string JoinLines(const Lines& lines, std::size_t count, std::u16string_view lineEnd) {
    count = std::min(count, lines.size());
    std::size_t length = 0;
    for (std::size_t i = 0; i < count; ++i)
        length += lines[i].size() + lineEnd.size();
    std::u16string text;
    text.reserve(length);
    for (std::size_t i = 0; i < count; ++i) {
        text += lines[i];
        text += lineEnd;
    }
    return text;
}
