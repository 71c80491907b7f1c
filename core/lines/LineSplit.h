// Run's split: the lines it filters, cut from each of its sources. The content box's text is
// cut at line feeds (SplitTextLines here for UTF-16 text, SplitBoxText for the box's own
// buffer); a file's lines come split by its reader. Either way a line loses the carriage
// returns at its end, as it does when the box shows the file's lines each followed by CR LF.
#pragma once

#include "core/lines/LineList.h"

#include <string_view>

class OperationProgress;

// A line without the carriage returns at its end.
std::u16string_view TrimCarriageReturns(std::u16string_view segment);

// Appends to lines the pieces of text that line feeds end, and a last piece without one, each
// without the carriage returns at its end. Reports the lines done to progress and stops
// (OperationCancelled) when it asks.
void SplitTextLines(std::u16string_view text, LineList& lines, OperationProgress* progress);

// The lines of a file as Run sees them after the box has shown them: each without the carriage
// returns at its end.
LineList TrimCarriageReturns(LineList lines);
