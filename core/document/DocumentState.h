// The document state shared by every command of the window: the lines last read from a file,
// the lines of the content box as last split, the result of the last run, and three scalars.
// Plain globals on purpose: the commands communicate through them and nothing owns them.
#pragma once

#include "core/lines/LineList.h"

// The chosen encoding: a row of kEncodingChoices (core/encoding/EncodingChoices.h), which is
// also its position in the encoding list.
extern int g_nEncoding;
// 1 after a reader or writer failed; the command that called it clears it again.
extern int g_nError;
// Lines produced by the last reader call or the last split, whichever ran last.
extern int g_nLineCount;

// The result and work lists share the units of the text lines they keep, and the text lines
// those of the file lines they equal (LineList.h), so a line is held once however many lists
// name it.
extern LineList g_vFileLines;   // lines of the file last read
extern LineList g_vTextLines;   // lines of the content box as last split
extern LineList g_vResultLines; // distinct non-empty lines of the last run
extern LineList g_vWorkLines;   // scratch list of RemoveDuplicateLines
