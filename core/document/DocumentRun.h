// Run's steps on the document state, for the callers that work on it directly: the split and
// the filter (core/lines/LineSplit.h, core/compare/RunFilter.h) with every option off,
// followed by the commit that makes their lists the document's.
#pragma once

#include "core/compare/RunFilter.h"

#include <string>

// Makes a filter's lists the document's: g_vTextLines, g_vResultLines and g_vWorkLines, with
// g_nLineCount counting the text lines. The lists replaced are freed on the way.
void CommitRun(FilteredLines&& run) noexcept;

// Cuts text at line feeds into g_vTextLines, dropping the carriage returns at each line's end;
// text after the last line feed is a last line, trimmed the same way. Sets g_nLineCount to the
// number of lines.
void SplitContentLines(std::u16string text);

// Turns g_vResultLines (g_nLineCount entries on entry) into its distinct non-empty lines in
// order of first occurrence, leaves a copy in g_vWorkLines and returns their number.
// g_nLineCount is left as it was.
int RemoveDuplicateLines();

// Run's data steps on the document state: splits text into g_vTextLines, then leaves their
// distinct non-empty lines in g_vResultLines and a copy in g_vWorkLines, as copying all
// g_nLineCount lines and RemoveDuplicateLines would. Returns the number of lines kept.
int RemoveDuplicateContentLines(std::u16string text);
