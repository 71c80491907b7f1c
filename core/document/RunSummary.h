// What a Run did, in numbers: how many lines went in, how many came out, and why the others
// went. The window and the command line say it in the same words.
#pragma once

#include "core/compare/RunFilter.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

struct RunCounts {
    std::uint64_t lines = 0;   // lines of the text
    std::uint64_t kept = 0;    // lines of the result
    std::uint64_t repeats = 0; // lines left out as repeats
    std::uint64_t empties = 0; // lines left out as empty (or blank)
    std::uint64_t most = 0;    // the most lines that one result line stands for
};

RunCounts CountRun(const RunLineMap& map);

// "1,000,000 行 → 432,525 行（重複 547,475 行、空行 20,000 行）"
std::u16string RunCountsText(const RunCounts& counts);
// The number with a comma between each group of three digits, as Japanese (and English) text
// writes it: "1,000,000".
std::u16string Grouped(std::uint64_t number);

// Whether the text seems to end its lines in a carriage return alone, as old Mac files do: one
// final line end aside (CR LF or LF, as the window's box ends every line it loads), it holds no
// line feed and more than one CR. A lone CR is part of its line, so Run keeps such a text
// whole, and kLoneCrNote says why.
template <class Unit> bool EndsLinesInLoneCrs(std::basic_string_view<Unit> text) {
    if (text.ends_with(Unit('\n'))) {
        text.remove_suffix(1);
        if (text.ends_with(Unit('\r')))
            text.remove_suffix(1);
    }
    return text.find(Unit('\n')) == text.npos &&
           std::count(text.begin(), text.end(), Unit('\r')) > 1;
}
inline bool EndsLinesInLoneCrs(std::u16string_view text) {
    return EndsLinesInLoneCrs<char16_t>(text);
}
inline constexpr std::u16string_view kLoneCrNote = u"CR だけの改行は行の区切りとして扱っていません";

// A result line as --counts writes it: the lines it stands for, a tab, the line ("3\tabc").
std::u16string CountedLine(std::uint32_t count, std::u16string_view line);
// The part before the line, in ASCII ("3\t").
std::string CountPrefix(std::uint32_t count);
