// The multi-line text box of a dialog: no wrapping, both scroll bars, Enter breaks the line with
// a line feed, Tab and Shift+Tab move the focus as in any dialog (Ctrl+Tab types a tab), Escape
// reaches the dialog. It takes a million lines in well under a second, because only the visible
// lines are laid out, and a line of any length, because a very long line is shown in rows
// (BoxTextCodec.h).
//
// The box hands back exactly the UTF-16 text it was given, including NUL, lone carriage returns,
// U+2028, U+2029 and unpaired surrogates (BoxTextCodec.h says how); control characters, the
// line and paragraph separators and lone carriage returns are shown as named blobs so that
// none of them passes for a space or a line break. The context menu's "空白を表示" shows spaces,
// tabs and line ends as marks too, and names the characters that look like a space or like
// nothing (InvisibleCharacters.h), for lines that differ only in them. Pasted and dropped text
// becomes box text as loaded text does: a lone carriage return stays in its line, CR LF and LF
// end lines (as line feeds, like Enter), and a long line comes in rows.
//
// Every edit leaves the buffer in the form the codec reads (BoxFormFault), so that a line end
// the box shows is a line feed of the text exactly when it is not a row break:
//   - the caret and the selection's ends never stop inside a row break: on the row's line, they
//     go before the closing mark or after the opening one, and a step that would stay put
//     (Right before a closing mark, Left after an opening one) crosses the break;
//   - Backspace right after a break or Delete right before one removes the break, joining the
//     rows, which leaves the text as it was; Enter at either end of a row puts a line feed in
//     the break's place;
//   - any other edit that cuts a break (a word or line deleted across it, text dropped into it)
//     takes the whole break, as one step to undo;
//   - there is one selection, never a rectangular one, and no overtype mode.
#pragma once

#include "platform/BoxTextLoader.h"

#include <Qsci/qsciscintilla.h>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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

    // Selects the text's line (counted from 0, a long line's rows being one line) without its
    // line end, and scrolls it into view; nothing when the text has fewer lines.
    void SelectTextLine(std::size_t line);

    // Whether spaces, tabs and line ends are shown as marks (off at first).
    bool IsWhitespaceShown() const;
    void ShowWhitespace(bool bShow);
    // For a text too large to set in one go: the first count lines, each followed by
    // lineEnd, in a loader to hand to TakeText; BoxTextLoader::AppendLines says how it reports
    // and stops. Unlike everything else here it may be called from any thread, and is meant
    // for a worker: the editor makes the new document apart from all the box holds or shows,
    // and clears all of its memory at once, which for a large text takes long enough to be
    // felt on the window's thread.
    BoxTextLoader LoadLines(const LineList& lines, std::size_t count, std::u16string_view lineEnd,
                            OperationProgress* progress) const;
    // The same for the lines at indices (increasing) of those that buffer, another box's bytes,
    // holds each followed by CR LF: each with its CR LF, copied rather than encoded again. A
    // buffer loaded with the lines of source (null: not known) has them found from where they
    // start there (PickBoxLinesOf).
    BoxTextLoader LoadLines(std::string_view buffer, std::span<const std::uint32_t> indices,
                            OperationProgress* progress, const LineBytes* source = nullptr) const;
    // An empty loader whose document has room for bytes buffer bytes (BoxTextCodec.h) and a
    // little more; from any thread, as LoadLines. Throws std::bad_alloc when the editor cannot
    // allocate it. Readying the room is cut short once progress (when given) asks to stop.
    BoxTextLoader CreateLoader(std::size_t bytes,
                               const OperationProgress* progress = nullptr) const;
    // Replaces the whole text with what loader holds, as SetWindowText does, in one step.
    void TakeText(BoxTextLoader&& loader);
    // A number for the text the box last took from a loader (TakeText), as long as the box
    // holds exactly that text (edits undone back to it count as none); 0 once another text
    // was set or an edit stands. Different for every text taken.
    std::uint64_t TakenText() const;
    // The buffer's bytes in place (BoxTextCodec.h), valid until the text next changes; other
    // threads may read them while nothing edits the box.
    std::string_view TextBytes() const;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    // Copying and dragging carry the text exactly, not the buffer's private byte forms.
    QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;
    // Pasting and dropping bring text in the buffer's form.
    QByteArray fromMimeData(const QMimeData* source, bool& rectangular) const override;

private:
    // A lone carriage return's byte form shows as "CR", a row mark as "…".
    void ShowSpecialForms();
    // Shows document (one reference, which the box takes over) instead of the current one.
    void ShowDocument(void* document);

    // The buffer's bytes from..to, as far as the buffer goes.
    std::string Bytes(long from, long to) const;
    // The start of the row break that position falls inside, or -1.
    long RowBreakAround(long position) const;
    bool IsRowBreakAt(long position) const;
    // Where position goes out of the row break it falls inside; from is where the caret was.
    long OutsideRowBreaks(long position, long from) const;
    void KeepSelectionOutOfRowBreaks(long caretBefore = -1);
    // Backspace, Delete or Enter (command) at a row break's end, which take the whole break;
    // false when command is none of them there.
    bool EditAtRowBreak(int command);
    // Runs edit, then removes what it left of the row breaks it cut. A grouped edit is one
    // step to undo with that repair, and has its changed span checked for the form too.
    template <class Edit> void RunEdit(bool grouped, Edit&& edit);
    void RepairRowBreaks(bool sweep);
    // Follows a change about to be made, for RepairRowBreaks.
    void BeforeChange(int position, int modificationType, int length);
    // While the box handles input, the editor tells of a change only before making it: it would
    // otherwise count every character up to the change for accessibility (EditAccessible.h).
    // The box tells its listeners of the change, as the editor would, once it is made.
    void MuteChanges();
    void UnmuteChanges();
    void RecordChange(int position, int modificationType, int length);
    void ReportChange();

    // The document of the last text taken, until SetWindowText replaces its text, and the
    // texts taken so far.
    void* m_takenDocument = nullptr;
    std::uint64_t m_takenTexts = 0;

    // The pieces of row breaks the edit under way cut, and its changed span (from its first
    // changed byte to the same distance before the end).
    std::vector<std::pair<long, long>> m_cutPieces;
    long m_changedFrom = LONG_MAX;
    long m_changedBeforeEnd = LONG_MAX;
    bool m_repairing = false;
    // While a key or input event is handled, the selection is kept out of breaks there, with
    // the direction the caret moved.
    bool m_handlingInput = false;
    // The editor's event mask while changes are muted, else -1, and the change being made.
    long m_unmutedMask = -1;
    struct Change {
        int type;
        long position, length, lengthAfter, linesBefore;
        std::string removed;
    };
    std::optional<Change> m_change;
};
