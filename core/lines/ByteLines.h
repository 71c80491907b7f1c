// Lines of text kept as the text's own bytes, for Run on the command line. Unless a key needs
// the characters (NeedsCharacters in LineKeys.h), the bytes are compared: two lines of
// well-formed UTF-8 are equal exactly when their
// UTF-16 forms are; two lines of code page 932 or EUC-JP are once each code is its character's
// canonical one (CanonicalCodes.h), which nearly every code already is; UTF-16LE lines are their
// units. So the lines need not be decoded to be filtered (keys from characters read one line at
// a time), nor encoded again to be saved in their own encoding.
#pragma once

#include "core/lines/LineEnd.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

class OperationProgress;
struct TextCodec;

struct ByteLines {
    const TextCodec* codec = nullptr; // the encoding of every line; none before the first
    // Each line without its line end and the carriage returns at its end, as Run sees the
    // line the file reader gives: the caller's bytes, or a canonical copy held in copies.
    std::vector<std::string_view> lines;
    LineEndCounts lineEnds; // as the file reader counts them
    // Whether each character's code is the one codec writes for it, so that the lines' bytes
    // are what encoding their text writes.
    bool writtenAsRead = true;
    std::deque<std::string> copies; // lines whose codes had to be made canonical
};

// Whether lines that can be kept as their bytes are: by the command line's Run (ByteRun.h) and
// by the reader of UTF-8 files (ReadFileLines). Switching it off is for the tests, which compare
// the bytes with the UTF-16 lines they stand in for.
bool KeepsLinesAsBytes();
void KeepLinesAsBytes(bool keep);

// Whether lines in codec can be kept as their bytes: its line feeds and carriage returns can be
// found in the bytes without reading them (CanonicalCodes::LineEndsAlone).
bool HasByteLines(const TextCodec& codec);

// Whether text still has to be checked to be UTF-8, or is known to be (the guess found it so).
// Text in other encodings is always checked.
enum class Utf8Check { kCheck, kKnownWellFormed };

// Appends the lines of text (a file's bytes after any byte-order mark) in codec, which
// HasByteLines, to into, as the file reader cuts them: at each LF, a CR before it being part of
// the line end, and a last line without one unless it would be empty. Checks in the same pass
// that the reader's decoder takes text, and returns false (with into holding part of the text)
// when it does not. Reports the bytes done to progress and stops (OperationCancelled) when it
// asks.
bool SplitByteLines(std::string_view text, const TextCodec& codec, ByteLines& into,
                    OperationProgress* progress, Utf8Check check = Utf8Check::kCheck);
