// Characters that look like nothing or like a space, which make two lines that look the same
// compare different: shown by name, as the editor shows control characters, while a box shows
// its whitespace. A byte-order mark left inside a line is one of them.
#pragma once

class QsciScintilla;

// Names each such character in editor (bShow), or shows it as the font draws it again.
void ShowInvisibleCharacters(QsciScintilla& editor, bool bShow);
