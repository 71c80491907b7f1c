// What a Run did, in numbers: how many lines went in, how many came out, and why the others
// went. The window and the command line say it in the same words.
#pragma once

#include "core/compare/RunFilter.h"

#include <cstdint>
#include <string>

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

// A result line as --counts writes it: the lines it stands for, a tab, the line ("3\tabc").
std::u16string CountedLine(std::uint32_t count, std::u16string_view line);
