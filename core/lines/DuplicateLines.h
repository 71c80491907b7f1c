// The one data operation: keep the first occurrence of every distinct non-empty line.
//
// Run's data work is two steps that return what they make: a split of the content box's text
// into lines (SplitTextLines here for UTF-16 text, SplitBoxText for the box's own buffer), then
// KeepDistinctLines. KeepRunLines makes their result the document's. The functions that work on
// the document state directly (SplitContentLines, RemoveDuplicateLines,
// RemoveDuplicateContentLines) are these same steps followed by that commit.
#pragma once

#include "core/lines/LineList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class OperationProgress;

// A line without the carriage returns at its end.
std::u16string_view TrimCarriageReturns(std::u16string_view segment);

// Appends to lines the pieces of text that line feeds end, and a last piece without one, each
// without the carriage returns at its end. Reports the lines done to progress and stops
// (OperationCancelled) when it asks.
void SplitTextLines(std::u16string_view text, LineList& lines, OperationProgress* progress);

// Cuts text at line feeds into g_vTextLines, dropping the carriage returns at each line's end;
// text after the last line feed is a last line, trimmed the same way. Sets g_nLineCount to the
// number of lines.
void SplitContentLines(std::u16string text);

// The lists a Run leaves: the lines split, their distinct non-empty lines in order of first
// occurrence, and the scratch copy of those.
struct RunLines {
    LineList text;
    LineList result;
    LineList work;
};

// Run's filter step: text's distinct non-empty lines, sharing text's units. Reports to progress
// and stops (OperationCancelled) when it asks; nothing outside is touched either way.
RunLines KeepDistinctLines(LineList text, OperationProgress* progress);

// Makes a Run's lists the document's: g_vTextLines, g_vResultLines and g_vWorkLines, with
// g_nLineCount counting the text lines. The lists replaced are freed on the way.
void KeepRunLines(RunLines&& run) noexcept;

// Turns g_vResultLines (g_nLineCount entries on entry) into its distinct non-empty lines in
// order of first occurrence, leaves a copy in g_vWorkLines and returns their number.
// g_nLineCount is left as it was.
int RemoveDuplicateLines();

// Run's data steps on the document state: splits text into g_vTextLines, then leaves their
// distinct non-empty lines in g_vResultLines and a copy in g_vWorkLines, as copying all
// g_nLineCount lines and RemoveDuplicateLines would. Returns the number of lines kept.
int RemoveDuplicateContentLines(std::u16string text);

// Indexes of the first occurrences of the distinct non-empty lines among the first count
// lines, in order. Reports the lines looked at to progress, within its current step. keptAs,
// when given, gets for each line the position in that list of its first occurrence, or
// UINT32_MAX for an empty line.
std::vector<std::uint32_t> FirstOccurrences(const LineList& lines, std::size_t count,
                                            OperationProgress* progress = nullptr,
                                            std::vector<std::uint32_t>* keptAs = nullptr);
