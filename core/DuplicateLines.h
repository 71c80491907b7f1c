// The one data operation: keep the first occurrence of every distinct non-empty line.
#pragma once

#include <string>

// Cuts text at line feeds into g_vTextLines, dropping the carriage returns at each line's end;
// text after the last line feed is a last line, trimmed the same way. Sets g_nLineCount to the
// number of lines.
void SplitContentLines(std::u16string text);

// Turns g_vResultLines (g_nLineCount entries on entry) into its distinct non-empty lines in
// order of first occurrence, leaves a copy in g_vWorkLines and returns their number.
// g_nLineCount is left as it was.
int RemoveDuplicateLines();

// The Run command's data steps: splits text into g_vTextLines, copies its g_nLineCount lines into
// g_vResultLines and removes the duplicates there. Returns the number of lines kept.
int RemoveDuplicateContentLines(std::u16string text);
