// The multi-line text box of a dialog: no wrapping, both scroll bars, Enter breaks the line with
// a line feed (typed and pasted line breaks alike), Tab and Shift+Tab move the focus as in any
// dialog (Ctrl+Tab types a tab), Escape reaches the dialog. It takes a million lines in well
// under a second, because only the visible lines are laid out, and a line of any length,
// because a very long line is shown in rows (BoxTextCodec.h).
//
// The box hands back exactly the UTF-16 text it was given, including NUL, lone carriage returns,
// U+2028, U+2029 and unpaired surrogates (BoxTextCodec.h says how); control characters, the
// line and paragraph separators and lone carriage returns are shown as named blobs so that
// none of them passes for a space or a line break. The context menu's "空白を表示" shows spaces,
// tabs and line ends as marks too, for lines that differ only in them.
#pragma once

#include "platform/BoxTextLoader.h"

#include <Qsci/qsciscintilla.h>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CEdit : public QsciScintilla {
    Q_OBJECT

public:
    // The box shows its parent's font, like the controls around it.
    explicit CEdit(QWidget* pParent = nullptr);

    // The whole text of the box.
    std::u16string GetWindowText() const;
    // The length of the whole text in the editor's bytes: 0 exactly when the box is empty.
    long GetWindowTextLength() const;
    // Replaces the whole text; the caret goes to the start and the change cannot be undone.
    // A read-only box takes the text all the same.
    void SetWindowText(std::u16string_view text);

    // Whether spaces, tabs and line ends are shown as marks (off at first).
    bool IsWhitespaceShown() const;
    void ShowWhitespace(bool bShow);
    // For a text too large to set in one go: the first count lines, each followed by
    // lineEnd, in a loader to hand to TakeText; BoxTextLoader::AppendLines says how it reports
    // and stops. Unlike everything else here it may be called from any thread, and is meant
    // for a worker: the editor makes the new document apart from all the box holds or shows,
    // and clears all of its memory at once, which for a large text takes long enough to be
    // felt on the window's thread.
    BoxTextLoader LoadLines(const std::vector<std::u16string>& lines, std::size_t count,
                            std::u16string_view lineEnd, OperationProgress* progress) const;
    // Replaces the whole text with what loader holds, as SetWindowText does, in one step.
    void TakeText(BoxTextLoader&& loader);
    // The buffer's bytes in place (BoxTextCodec.h), valid until the text next changes; other
    // threads may read them while nothing edits the box.
    std::string_view TextBytes() const;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    // Copying and dragging carry the text exactly, not the buffer's private byte forms.
    QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;

private:
    // A lone carriage return's byte form shows as "CR", a row mark as "…".
    void ShowSpecialForms();
    // Shows document (one reference, which the box takes over) instead of the current one.
    void ShowDocument(void* document);
};
