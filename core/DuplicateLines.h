// The one data operation: keep the first occurrence of every distinct non-empty line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class OperationProgress;

// A line without the carriage returns at its end.
std::u16string_view TrimCarriageReturns(std::u16string_view segment);

// Cuts text at line feeds into g_vTextLines, dropping the carriage returns at each line's end;
// text after the last line feed is a last line, trimmed the same way. Sets g_nLineCount to the
// number of lines.
void SplitContentLines(std::u16string text);

// Turns g_vResultLines (g_nLineCount entries on entry) into its distinct non-empty lines in
// order of first occurrence, leaves a copy in g_vWorkLines and returns their number.
// g_nLineCount is left as it was.
int RemoveDuplicateLines();

// The Run command's data steps: splits text into g_vTextLines, then leaves their distinct
// non-empty lines in g_vResultLines and a copy in g_vWorkLines, as copying all g_nLineCount
// lines and RemoveDuplicateLines would. Returns the number of lines kept.
int RemoveDuplicateContentLines(std::u16string text);

// Indexes of the first occurrences of the distinct non-empty lines among the first count
// lines, in order. Reports the lines looked at to progress, within its current step.
std::vector<std::uint32_t> FirstOccurrences(const std::vector<std::u16string>& lines,
                                            std::size_t count,
                                            OperationProgress* progress = nullptr);

// Run's copy and filter on lists the caller owns: result gets the distinct non-empty lines of
// the first count lines in order of first occurrence (its capacity at least count, as the
// copy of all of them would have it), work a copy of it. Returns their number. Only the lines
// kept are copied, so the text's repeats never take memory of their own. Throws
// OperationCancelled when progress asks to stop; result and work are then left half filled.
int CopyDistinctLines(const std::vector<std::u16string>& lines, std::size_t count,
                      std::vector<std::u16string>& result, std::vector<std::u16string>& work,
                      OperationProgress* progress = nullptr);
