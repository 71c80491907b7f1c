// Run and Save over inputs kept as their bytes (ByteLines.h), for the command line: the filter
// is the one the UTF-16 lines take (MapRunLines), and the bytes saved are those WriteFileLines
// saves for the same result.
#pragma once

#include "core/compare/RunFilter.h"
#include "core/files/FileFailure.h"
#include "core/lines/ByteLines.h"
#include "core/lines/LineEnd.h"

#include <optional>
#include <string>
#include <string_view>

class OperationProgress;
struct EncodingChoice;
struct TextCodec;

struct CompareOptions;

// Whether Run under options can take lines in codec as bytes: the codec's lines can be kept as
// bytes, and they are (KeepsLinesAsBytes). Keys from characters are made of each line read as
// Run comes to it; without them, white space is trimmed on UTF-8 bytes only.
bool RunsOnBytes(const CompareOptions& options, const TextCodec& codec);

// The text of bytes as the reader of encoding reads it: the codec it reads with, and the bytes
// after the byte-order mark it skips.
struct EncodedText {
    const TextCodec* codec;
    std::string_view text;
};
EncodedText TextOf(std::string_view bytes, const EncodingChoice& encoding);
// EndsLinesInLoneCrs (RunSummary.h) of text, which HasByteLines, read.
bool EndsLinesInLoneCrs(const EncodedText& text);

// Saves the result of map over lines to path in encoding, each line after its count and a tab
// when counts is set, as WriteFileLines saves the same result's UTF-16 lines: the lines' own
// encoding takes their bytes as they are, when they are what it writes; another encoding their
// decoded text. A failure names its line of the result, as WriteFileLines does.
FileResult WriteRunLines(std::u16string_view path, const EncodingChoice& encoding,
                         const ByteLines& lines, const RunLineMap& map, bool counts,
                         OperationProgress* progress, LineEnd lineEnd);
