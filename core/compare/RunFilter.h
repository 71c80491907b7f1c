// Run's filter: which lines of a text Run keeps under the comparison options, and what it did
// to every line (which kept line each other line repeats, how many lines each kept line stands
// for). With every option at its default it is the plain rule: each distinct non-empty line
// once, at its first occurrence, lines compared code unit by code unit. The window's Run, the
// command line and the functions on the document state all filter here.
#pragma once

#include "core/base/OperationProgress.h"
#include "core/compare/CharacterKeys.h"
#include "core/compare/CompareOptions.h"
#include "core/compare/GroupLinesInHalves.h"
#include "core/compare/KeyTable.h"
#include "core/compare/LineKeys.h"
#include "core/compare/RunLineMap.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// What the filter makes of a text: the text's lines, the lines kept (sharing the text's units),
// a scratch copy of those that the document keeps beside them, and the map.
struct FilteredLines {
    LineList text;
    LineList result;
    LineList work;
    RunLineMap map;
};

// The filter on a list of its own. Reports to progress and stops (OperationCancelled) when it
// asks; nothing outside is touched either way.
FilteredLines FilterLines(LineList text, const CompareOptions& options = {},
                          OperationProgress* progress = nullptr);

// Turns keptAs (group numbers in order of first occurrence, or kDropped) and kept (each
// group's first line) into the map the options ask for, and counts.
void SelectKeptLines(RunLineMap& map, const CompareOptions& options);

// The map of Run under options over the first count lines. Lines: anything with size() and an
// operator[] whose lines convert to std::u16string_view, or to std::string_view for lines kept
// as bytes (ByteLines.h); under options that need characters (NeedsCharacters), lines of bytes
// are read with decode (a TextCodec's), which takes all of them. Throws OperationCancelled when
// progress asks to stop.
template <class Lines>
RunLineMap MapRunLines(const Lines& lines, std::size_t count, const CompareOptions& options = {},
                       OperationProgress* progress = nullptr,
                       char16_t* (*decode)(std::string_view, char16_t*) = nullptr) {
    using Unit = typename std::remove_cvref_t<decltype(lines[0])>::value_type;
    using Line = std::basic_string_view<Unit>;
    count = std::min<std::size_t>(count, lines.size());
    RunLineMap map;
    if (!NeedsCharacters(options)) {
        // The key is the line or a part of it: none is made or copied.
        run_filter_detail::GroupLinesInHalves(
            lines, count,
            [&options] {
                return
                    [&options](const Line line, std::size_t) { return TrimmedKey(line, options); };
            },
            progress, map);
    } else {
        if constexpr (!std::is_same_v<Unit, char16_t>) {
            if (!decode)
                throw std::logic_error("keys from characters need UTF-16 lines or a decoder");
        }
        run_filter_detail::GroupLinesInHalves(
            lines, count, [&] { return CharacterKeys<Unit>(options, decode); }, progress, map);
    }
    SelectKeptLines(map, options);
    return map;
}
