// Run and Save over UTF-8 inputs kept as their bytes (Utf8Lines.h), for the command line when no
// key needs the characters: the filter is the one the UTF-16 lines take (MapRunLines), and the
// bytes saved are those WriteFileLines saves for the same result.
#pragma once

#include "core/compare/RunFilter.h"
#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"
#include "core/lines/Utf8Lines.h"

#include <optional>
#include <string>
#include <string_view>

class OperationProgress;
struct EncodingChoice;

struct CompareOptions;

// Whether Run under options can take UTF-8 lines as bytes: no key needs their characters, and
// the byte path is on. Switching it off is for the tests, which compare it with the UTF-16
// lines it stands in for.
bool RunsOnUtf8Bytes(const CompareOptions& options);
void EnableUtf8Run(bool enabled);

// The text of bytes that the reader of encoding reads as UTF-8: the bytes after the byte-order
// mark it skips. None when the reader would read them otherwise (a row whose mark decides, on
// bytes that start with UTF-16LE's mark), or in an encoding that is not UTF-8.
std::optional<std::string_view> Utf8TextOf(std::string_view bytes, const EncodingChoice& encoding);

// Saves the result of map over lines to path in encoding, each line after its count and a tab
// when counts is set, as WriteFileLines saves the same result's UTF-16 lines: a UTF-8 encoding
// takes the lines' bytes as they are, another their decoded text. A failure names its line of
// the result, as WriteFileLines does.
FileResult WriteRunLines(std::u16string_view path, const EncodingChoice& encoding,
                         const Utf8Lines& lines, const RunLineMap& map, bool counts,
                         OperationProgress* progress, LineEnd lineEnd);
