// What assistive technology (a screen reader) is told about a text box: its buffer as text, the
// caret, the selection, and each change. The editor's own accessibility support counts the
// characters from the start of the text to find an offset, on every caret move and every change:
// at the end of a large text that is hundreds of milliseconds a key. Here an offset is found
// through the editor's index of where each line starts in UTF-16 units, made for a document
// when assistive technology first asks about it, and a count within the line (a long line is
// shown in short rows). Offsets are in UTF-16 units, as Qt counts them everywhere else.
#pragma once

#include <string_view>

class QWidget;
class QsciScintillaBase;

namespace EditAccessible {

// Makes every text box (CEdit) answer assistive technology this way, box among them (from the
// box's constructor).
void Install(QWidget& box);
// Tell assistive technology, if any listens, that the caret of box moved.
void CaretMoved(QsciScintillaBase& box);
// Tell it that bytes were inserted at position (after the change), or removed from there.
void TextChanged(QsciScintillaBase& box, bool inserted, long position, std::string_view bytes);

} // namespace EditAccessible
