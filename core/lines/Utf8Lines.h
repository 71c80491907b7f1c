// Lines of UTF-8 text kept as the text's own bytes, for Run when no key needs the characters
// (NeedsCharacters in LineKeys.h): well-formed UTF-8 lines are equal exactly when their UTF-16
// forms are, so the lines need not be decoded to be filtered, nor encoded again to be saved in
// UTF-8.
#pragma once

#include "core/lines/LineEnd.h"

#include <string_view>
#include <vector>

class OperationProgress;

struct Utf8Lines {
    // Each line without its line end and the carriage returns at its end, as Run sees the
    // line the file reader gives; the bytes are the caller's.
    std::vector<std::string_view> lines;
    LineEndCounts lineEnds; // as the file reader counts them
};

// Whether text still has to be checked to be UTF-8, or is known to be (the guess found it so).
enum class Utf8Check { kCheck, kKnownWellFormed };

// Appends the lines of text (a file's bytes after any byte-order mark) to into, as the file
// reader cuts them: at each LF, a CR before it being part of the line end, and a last line
// without one unless it would be empty. Unless told it is known to be, checks in the same pass
// that text is well-formed UTF-8, as the reader's decoder takes it, and returns false (with into
// holding part of the text) when it is not. Reports the bytes done to progress and stops
// (OperationCancelled) when it asks.
bool SplitUtf8Lines(std::string_view text, Utf8Lines& into, OperationProgress* progress,
                    Utf8Check check = Utf8Check::kCheck);
