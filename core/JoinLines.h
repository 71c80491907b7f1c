// One text out of a line list, every line followed by the same line end: what the commands put
// into a box (CR LF) or hand to a writer (LF).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The first count entries of lines, each followed by lineEnd; allocated once. A count beyond
// the list (a line count left over from another list) stops at the list's end.
inline std::u16string JoinLines(const std::vector<std::u16string>& lines, std::size_t count,
                                std::u16string_view lineEnd) {
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
