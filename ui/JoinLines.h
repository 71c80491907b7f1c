// One text out of a line list, every line followed by the same line end: what the commands put
// into a box (CR LF) or hand to a writer (LF).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The first count entries of lines, each followed by lineEnd; allocated once.
inline std::u16string JoinLines(const std::vector<std::u16string>& lines, std::size_t count,
                                std::u16string_view lineEnd) {
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
