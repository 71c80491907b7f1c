// How lines end in a file: CR LF, as the program has always written them, or LF alone, as Linux
// programs write them.
#pragma once

#include <cstdint>

enum class LineEnd { kCrLf, kLf };

// The line ends a reader met. A last line without a line end counts as neither.
struct LineEndCounts {
    std::uint64_t crLf = 0;
    std::uint64_t lf = 0; // LF without a CR before it

    // The line end most lines had: LF only when LF-only lines are the majority, so that a file
    // without line ends, or with as many of each, keeps the program's usual CR LF.
    LineEnd Majority() const { return lf > crLf ? LineEnd::kLf : LineEnd::kCrLf; }
};
