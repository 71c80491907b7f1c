#include "platform/Edit.h"

#include "core/base/OperationProgress.h"
#include "core/base/PopulateMemory.h"
#include "core/lines/BoxBufferLines.h"
#include "core/lines/BoxTextCodec.h"
#include "platform/EditAccessible.h"
#include "platform/InvisibleCharacters.h"
#include "platform/QtStrings.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QString>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <algorithm>
#include <new>

namespace {

// The bits of the editor's after-change notifications (which carry no bit of their own besides
// SC_MOD_INSERTTEXT or SC_MOD_DELETETEXT) that its event mask is checked against.
constexpr long kAfterChangeBits =
    QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT |
    QsciScintillaBase::SC_PERFORMED_USER | QsciScintillaBase::SC_PERFORMED_UNDO |
    QsciScintillaBase::SC_PERFORMED_REDO | QsciScintillaBase::SC_MULTISTEPUNDOREDO |
    QsciScintillaBase::SC_LASTSTEPINUNDOREDO | QsciScintillaBase::SC_MULTILINEUNDOREDO |
    QsciScintillaBase::SC_STARTACTION;

// Key commands that change the text other than by typing, Backspace, Delete or Enter: each is
// one step to undo, repair included.
bool IsOtherEdit(QsciCommand::Command command) {
    switch (command) {
    case QsciCommand::DeleteBackNotLine:
    case QsciCommand::DeleteWordLeft:
    case QsciCommand::DeleteWordRight:
    case QsciCommand::DeleteWordRightEnd:
    case QsciCommand::DeleteLineLeft:
    case QsciCommand::DeleteLineRight:
    case QsciCommand::LineDelete:
    case QsciCommand::LineCut:
    case QsciCommand::LineTranspose:
    case QsciCommand::LineDuplicate:
    case QsciCommand::MoveSelectedLinesUp:
    case QsciCommand::MoveSelectedLinesDown:
    case QsciCommand::SelectionDuplicate:
    case QsciCommand::SelectionLowerCase:
    case QsciCommand::SelectionUpperCase:
    case QsciCommand::SelectionCut:
    case QsciCommand::Paste:
    case QsciCommand::Formfeed:
        return true;
    default:
        return false;
    }
}

} // namespace

CEdit::CEdit(QWidget* pParent) : QsciScintilla(pParent) {
    EditAccessible::Install(*this);
    // Plain text never needs the editor's style byte per character: for a large text that
    // is as much memory again as the text itself.
    ShowDocument(reinterpret_cast<void*>(
        SendScintilla(SCI_CREATEDOCUMENT, 0UL, static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE))));
    setUtf8(true); // resets the editor's character representations, so it comes first
    ShowSpecialForms();
    setWrapMode(WrapNone);
    // The boxes show no annotations, but while they are on (the wrapper's default) the editor
    // sets the height of every line again whenever it is given a document: 86 ms of the window's
    // thread for a text of ten million lines.
    SendScintilla(SCI_ANNOTATIONSETVISIBLE, static_cast<unsigned long>(ANNOTATION_HIDDEN));
    // Measuring a row of a long line (up to kBoxRowUnits characters) takes Qt's text layout
    // milliseconds: keep every row on the page measured, not only the caret's, or every key and
    // repaint measures the whole page again (tandrel_row_key_bench). After setWrapMode, which
    // keeps only the caret's line.
    SendScintilla(SCI_SETLAYOUTCACHE, static_cast<unsigned long>(SC_CACHE_PAGE));
    // Enter types a line feed, and pasted CR LF becomes one too (a lone CR is in its own form
    // by then: fromMimeData).
    setEolMode(EolUnix);
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1L);
    // Typing over a row mark would cut its break.
    SendScintilla(SCI_CLEARCMDKEY, static_cast<unsigned long>(SCK_INSERT));
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int length) {
                ReportChange(); // before anything else the editor tells after it
                BeforeChange(position, type, length);
                RecordChange(position, type, length);
            });
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if (!m_handlingInput)
            KeepSelectionOutOfRowBreaks();
        if (updated & SC_UPDATE_SELECTION)
            EditAccessible::CaretMoved(*this);
    });
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    SendScintilla(SCI_SETMARGINLEFT, 0UL, 2L);
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, 2L);
    // The horizontal range follows the widest line drawn so far, like an edit box's, instead of
    // a fixed width that would scroll into empty space.
    SendScintilla(SCI_SETSCROLLWIDTH, 1L);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1L);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The editor sets a font of its own on construction instead of inheriting one. It sizes
    // its text by the font's point size, which a font sized in pixels (the dialog's is) lacks:
    // the text would come out a few pixels high.
    if (pParent) {
        QFont font = pParent->font();
        if (font.pointSizeF() <= 0)
            font.setPointSizeF(QFontInfo(font).pointSizeF());
        setFont(font);
    }
}

std::u16string CEdit::GetWindowText() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    // The editor's own buffer, made contiguous: no copy of a large text on the way.
    const auto* bytes = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return DecodeBoxText(std::string_view(bytes, static_cast<std::size_t>(length)));
}

long CEdit::GetWindowTextLength() const {
    return SendScintilla(SCI_GETLENGTH);
}

void CEdit::SetWindowText(std::u16string_view text) {
    m_takenDocument = nullptr;
    const bool wasReadOnly = isReadOnly();
    setReadOnly(false);
    // Change notifications would carry the whole old and new text, each converted to a
    // QString for accessibility: seconds and hundreds of megabytes for a large file.
    const long eventMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0L);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_SETSCROLLWIDTH, 1L);
    {
        const std::string bytes = EncodeBoxText(text);
        // Appended with its length: SCI_SETTEXT would stop at the first NUL.
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
    }
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_SETMODEVENTMASK, eventMask);
    setReadOnly(wasReadOnly);
}

bool CEdit::IsWhitespaceShown() const {
    return whitespaceVisibility() != WsInvisible;
}

void CEdit::ShowWhitespace(bool bShow) {
    setWhitespaceVisibility(bShow ? WsVisible : WsInvisible);
    setEolVisibility(bShow);
    ShowInvisibleCharacters(*this, bShow);
}

void CEdit::contextMenuEvent(QContextMenuEvent* e) {
    KeepSelectionOutOfRowBreaks(); // its Cut, Paste and Delete act on the selection
    QMenu* pMenu = createStandardContextMenu();
    if (!pMenu)
        return;
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->addSeparator();
    QAction* pShow = pMenu->addAction(QStringLiteral("空白を表示"));
    pShow->setObjectName(QStringLiteral("showWhitespace"));
    pShow->setCheckable(true);
    pShow->setChecked(IsWhitespaceShown());
    connect(pShow, &QAction::toggled, this, &CEdit::ShowWhitespace);
    pMenu->popup(e->globalPos());
}

BoxTextLoader CEdit::LoadLines(const LineList& lines, std::size_t count,
                               std::u16string_view lineEnd, OperationProgress* progress) const {
    BoxTextLoader loader =
        CreateLoader(BoxTextLoader::SizeOfLines(lines, count, lineEnd), progress);
    loader.AppendLines(lines, count, lineEnd, progress);
    return loader;
}

BoxTextLoader CEdit::LoadLines(std::string_view buffer, std::span<const std::uint32_t> indices,
                               OperationProgress* progress, const LineBytes* source) const {
    // The lines' size first, for the room: finding them twice (from source's starts, or by
    // reading the buffer) costs less than the editor growing its buffer, or room for all of it
    // when only some of its lines are taken.
    const std::uint64_t lines = indices.empty() ? 0 : indices.back() + std::uint64_t{1};
    const ProgressTicker ticker(progress, 2 * lines);
    std::size_t bytes = 0;
    const auto size = [&](std::string_view piece) { bytes += piece.size(); };
    const auto tick = [&](std::size_t line) { ticker.Tick(line); };
    if (source && !PickBoxLinesOf(*source, buffer, indices, size, tick))
        source = nullptr;
    if (!source)
        PickBoxLines(buffer, indices, size, tick);
    BoxTextLoader loader = CreateLoader(bytes, progress);
    loader.AppendLines(buffer, indices, progress, lines, 2 * lines, source);
    return loader;
}

BoxTextLoader CEdit::CreateLoader(std::size_t bytes, const OperationProgress* progress) const {
    // A little more than the text: the editor grows its buffer, by a sixth and a copy of it
    // all, whenever an insertion, or the NUL that SCI_GETCHARACTERPOINTER puts behind the
    // text, would fill it to the last byte; for a large text that is seconds and hundreds of
    // megabytes on the window's thread. The slack also takes the first characters typed.
    constexpr std::size_t kSlack = 4096;
    // The editor clears the whole buffer before its first line, faulting its fresh pages in one
    // at a time; faulted in by one call beforehand, where the heap will place it, they cost a
    // fraction of that.
    tandrel::PopulateHeapBlock(bytes + kSlack, progress);
    if (progress) // before the editor clears the buffer, page by page once cut short
        progress->ThrowIfCancelled();
    BoxTextLoader loader(reinterpret_cast<ILoader*>(
        SendScintilla(SCI_CREATELOADER, static_cast<unsigned long>(bytes + kSlack),
                      static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE))));
    if (!loader.loader_) // the editor could not allocate the document
        throw std::bad_alloc();
    return loader;
}

void CEdit::TakeText(BoxTextLoader&& loader) {
    void* document = loader.TakeDocument();
    ShowDocument(document);
    m_takenDocument = document;
    ++m_takenTexts;
}

std::uint64_t CEdit::TakenText() const {
    // A loaded document starts at its save point (ShowDocument empties its undo steps), and
    // only SetWindowText changes its text without leaving it.
    const bool unchanged = m_takenDocument != nullptr &&
                           SendScintillaPtrResult(SCI_GETDOCPOINTER) == m_takenDocument &&
                           SendScintilla(SCI_GETMODIFY) == 0;
    return unchanged ? m_takenTexts : 0;
}

std::string_view CEdit::TextBytes() const {
    const auto length = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    return {static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER)), length};
}

void CEdit::SelectTextLine(std::size_t line) {
    const std::string_view bytes = TextBytes();
    // The line feed that ends the text line at or after from, passing over row breaks.
    const auto lineEnd = [bytes](std::size_t from) {
        std::size_t at = bytes.find('\n', from);
        while (at != std::string_view::npos && at > 0 && IsBoxRowBreak(bytes, at - 1))
            at = bytes.find('\n', at + 1);
        return at;
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < line; ++i) {
        const std::size_t end = lineEnd(start);
        if (end == std::string_view::npos)
            return; // the text has fewer lines
        start = end + 1;
    }
    std::size_t end = std::min(lineEnd(start), bytes.size());
    if (end > start && end < bytes.size() && bytes[end - 1] == '\r')
        --end; // the line's end is not the line's
    // The caret at the line's start, which scrolls it into view.
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(end), static_cast<long>(start));
}

void CEdit::ShowSpecialForms() {
    SendScintilla(SCI_SETREPRESENTATION, std::string(1, kBoxLoneCarriageReturn).c_str(), "CR");
    SendScintilla(SCI_SETREPRESENTATION, std::string(1, kBoxRowMark).c_str(), "\u2026");
    ShowInvisibleCharacters(*this, IsWhitespaceShown());
}

void CEdit::ShowDocument(void* document) {
    // The settings that belong to the document rather than to the box go with it, so they
    // are carried over.
    const long readOnly = SendScintilla(SCI_GETREADONLY);
    const long codePage = SendScintilla(SCI_GETCODEPAGE);
    const long eolMode = SendScintilla(SCI_GETEOLMODE);
    const long eventMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0L);
    // The box keeps its own reference; the editor's wrapper never learns of the exchange,
    // which it only needs for documents shared between boxes.
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, document);
    // A new document's code page differs, and setting it resets the representations.
    SendScintilla(SCI_SETCODEPAGE, codePage);
    ShowSpecialForms();
    SendScintilla(SCI_SETEOLMODE, eolMode);
    SendScintilla(SCI_SETREADONLY, readOnly);
    // A loaded document collects no undo steps; the user's edits to it must.
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSCROLLWIDTH, 1L);
    SendScintilla(SCI_SETMODEVENTMASK, eventMask);
}

bool CEdit::focusNextPrevChild(bool next) {
    // The editor keeps Tab for itself; in a dialog Tab moves on to the next control.
    return QWidget::focusNextPrevChild(next);
}

void CEdit::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->ignore(); // the dialog's cancel key
        return;
    }
    const QScopedValueRollback handling(m_handlingInput, true);
    KeepSelectionOutOfRowBreaks();
    if (e->key() == Qt::Key_Tab && e->modifiers() == Qt::ControlModifier) {
        if (!isReadOnly())
            RunEdit(false, [this] { SendScintilla(SCI_REPLACESEL, "\t"); });
        return;
    }
    const int key = e->key() == Qt::Key_Enter ? int{Qt::Key_Return} : e->key();
    const QsciCommand* command =
        standardCommands()->boundTo(key | static_cast<int>(e->modifiers() & ~Qt::KeypadModifier));
    if (command && !isReadOnly() && EditAtRowBreak(command->command()))
        return;
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    // Grouping an edit that needs no repair would only cost undo its coalescing of typed
    // characters; grouping undo or redo would cut the redo history short.
    RunEdit(command && IsOtherEdit(command->command()), [&] { QsciScintilla::keyPressEvent(e); });
    // Home and End stay on the line; other moves that a break would stop go across it.
    const bool lineEnd = e->key() == Qt::Key_Home || e->key() == Qt::Key_End;
    KeepSelectionOutOfRowBreaks(lineEnd ? -1 : caret);
}

void CEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QScopedValueRollback handling(m_handlingInput, true);
    KeepSelectionOutOfRowBreaks();
    RunEdit(false, [&] { QsciScintilla::inputMethodEvent(e); });
    KeepSelectionOutOfRowBreaks();
}

void CEdit::mousePressEvent(QMouseEvent* e) {
    // The middle button pastes where it is pressed, which may be inside a row break.
    RunEdit(e->button() == Qt::MiddleButton && !isReadOnly(),
            [&] { QsciScintilla::mousePressEvent(e); });
}

void CEdit::mouseReleaseEvent(QMouseEvent* e) {
    QsciScintilla::mouseReleaseEvent(e);
    KeepSelectionOutOfRowBreaks();
}

void CEdit::dropEvent(QDropEvent* e) {
    RunEdit(!isReadOnly(), [&] { QsciScintilla::dropEvent(e); });
}

QMimeData* CEdit::toMimeData(const QByteArray& text, bool rectangular) const {
    QMimeData* data = QsciScintilla::toMimeData(text, rectangular);
    const std::u16string exact =
        DecodeBoxText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    data->setText(ToQString(exact));
    return data;
}

QByteArray CEdit::fromMimeData(const QMimeData* source, bool& rectangular) const {
    rectangular = false;
    const QString text = source->text();
    const std::string bytes = EncodeBoxText(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string CEdit::Bytes(long from, long to) const {
    from = std::max(from, 0L);
    to = std::min(to, SendScintilla(SCI_GETLENGTH));
    if (from >= to)
        return {};
    std::string bytes(static_cast<std::size_t>(to - from) + 1, '\0'); // and the NUL it adds
    SendScintilla(SCI_GETTEXTRANGE, from, to, bytes.data());
    bytes.pop_back();
    return bytes;
}

long CEdit::RowBreakAround(long position) const {
    const long from = std::max(position - 2, 0L);
    const std::size_t start =
        BoxRowBreakAround(Bytes(from, position + 2), static_cast<std::size_t>(position - from));
    return start == std::string::npos ? -1 : from + static_cast<long>(start);
}

bool CEdit::IsRowBreakAt(long position) const {
    return position >= 0 &&
           IsBoxRowBreak(Bytes(position, position + static_cast<long>(kBoxRowBreakSize)), 0);
}

long CEdit::OutsideRowBreaks(long position, long from) const {
    const long start = RowBreakAround(position);
    if (start < 0)
        return position;
    const long end = start + static_cast<long>(kBoxRowBreakSize);
    const long onLine = position == start + 1 ? start : end;
    if (onLine == from)
        return onLine == start ? end : start;
    return onLine;
}

void CEdit::KeepSelectionOutOfRowBreaks(long caretBefore) {
    if (SendScintilla(SCI_GETSELECTIONS) > 1 || SendScintilla(SCI_SELECTIONISRECTANGLE)) {
        const long caret = SendScintilla(SCI_GETCURRENTPOS);
        const long anchor = SendScintilla(SCI_GETANCHOR);
        SendScintilla(SCI_CLEARSELECTIONS);
        SendScintilla(SCI_SETSELECTION, static_cast<unsigned long>(caret), anchor);
    }
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long anchor = SendScintilla(SCI_GETANCHOR);
    const long newCaret = OutsideRowBreaks(caret, caretBefore);
    const long newAnchor = OutsideRowBreaks(anchor, -1);
    if (newCaret != caret || newAnchor != anchor)
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(newAnchor), newCaret);
}

bool CEdit::EditAtRowBreak(int command) {
    if (!SendScintilla(SCI_GETSELECTIONEMPTY))
        return false;
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long size = static_cast<long>(kBoxRowBreakSize);
    const bool before = IsRowBreakAt(caret);
    const bool after = IsRowBreakAt(caret - size);
    long start = 0;
    const char* replacement = "";
    if (command == QsciCommand::DeleteBack && after) {
        start = caret - size;
    } else if (command == QsciCommand::Delete && before) {
        start = caret;
    } else if (command == QsciCommand::Newline && (before || after)) {
        start = before ? caret : caret - size;
        replacement = "\n";
    } else {
        return false;
    }
    RunEdit(true, [&] {
        SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), start + size);
        const long length = static_cast<long>(std::char_traits<char>::length(replacement));
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(length), replacement);
        SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(start + length));
    });
    return true;
}

template <class Edit> void CEdit::RunEdit(bool grouped, Edit&& edit) {
    m_cutPieces.clear();
    m_changedFrom = LONG_MAX;
    m_changedBeforeEnd = LONG_MAX;
    const bool mute = m_unmutedMask < 0;
    if (mute)
        MuteChanges();
    if (grouped)
        SendScintilla(SCI_BEGINUNDOACTION);
    edit();
    RepairRowBreaks(grouped);
    if (grouped)
        SendScintilla(SCI_ENDUNDOACTION);
    if (mute)
        UnmuteChanges();
}

void CEdit::MuteChanges() {
    m_unmutedMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, m_unmutedMask & ~kAfterChangeBits);
}

void CEdit::UnmuteChanges() {
    SendScintilla(SCI_SETMODEVENTMASK, std::exchange(m_unmutedMask, -1L));
    ReportChange();
    m_change.reset(); // announced but never made
}

void CEdit::RecordChange(int position, int modificationType, int length) {
    const bool insert = modificationType & SC_MOD_BEFOREINSERT;
    if (m_unmutedMask < 0 || !(insert || (modificationType & SC_MOD_BEFOREDELETE)))
        return;
    const int type = (modificationType & ~(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) |
                     (insert ? SC_MOD_INSERTTEXT : SC_MOD_DELETETEXT);
    if (!(type & m_unmutedMask))
        return; // not told of before muting either
    m_change = Change{type,
                      position,
                      length,
                      SendScintilla(SCI_GETLENGTH) + (insert ? length : -length),
                      SendScintilla(SCI_GETLINECOUNT),
                      insert ? std::string() : Bytes(position, position + length)};
}

void CEdit::ReportChange() {
    if (!m_change || SendScintilla(SCI_GETLENGTH) != m_change->lengthAfter)
        return; // none, or not made yet
    Change change = std::move(*m_change);
    m_change.reset();
    const bool inserted = change.type & SC_MOD_INSERTTEXT;
    const std::string text = inserted ? Bytes(change.position, change.position + change.length)
                                      : std::move(change.removed);
    // As the editor tells of it, but for the flags that only the change itself had: a first
    // step of an undo action, a step of many undone or redone.
    emit SCN_MODIFIED(static_cast<int>(change.position), change.type, text.c_str(),
                      static_cast<int>(change.length),
                      static_cast<int>(SendScintilla(SCI_GETLINECOUNT) - change.linesBefore), 0, 0,
                      0, 0, 0);
    EditAccessible::TextChanged(*this, inserted, change.position, text);
}

void CEdit::BeforeChange(int position, int modificationType, int length) {
    const bool insert = modificationType & SC_MOD_BEFOREINSERT;
    if (m_repairing || !(modificationType & SC_PERFORMED_USER) ||
        !(insert || (modificationType & SC_MOD_BEFOREDELETE)))
        return;
    const long at = position;
    const long count = length;
    // The pieces already cut move with the change.
    for (auto& [start, end] : m_cutPieces) {
        if (insert) {
            start += start >= at ? count : 0;
            end += end > at ? count : 0;
        } else {
            start = start <= at ? start : std::max(at, start - count);
            end = end <= at ? end : std::max(at, end - count);
        }
    }
    const long size = static_cast<long>(kBoxRowBreakSize);
    // What the change leaves of a break it falls into, where it will be afterwards.
    if (const long start = RowBreakAround(at); start >= 0) {
        m_cutPieces.emplace_back(start, at);
        if (insert)
            m_cutPieces.emplace_back(at + count, start + size + count);
    }
    if (const long start = insert ? -1 : RowBreakAround(at + count); start >= 0)
        m_cutPieces.emplace_back(at, start + size - count);
    const long lengthAfter = SendScintilla(SCI_GETLENGTH) + (insert ? count : -count);
    m_changedFrom = std::min(m_changedFrom, at);
    m_changedBeforeEnd = std::min(m_changedBeforeEnd, lengthAfter - (insert ? at + count : at));
}

void CEdit::RepairRowBreaks(bool sweep) {
    if (m_cutPieces.empty() && (!sweep || m_changedFrom == LONG_MAX))
        return;
    const QScopedValueRollback repairing(m_repairing, true);
    // The pieces, merged, from the last: removing one leaves the earlier ones where they are.
    std::sort(m_cutPieces.begin(), m_cutPieces.end());
    for (std::size_t i = m_cutPieces.size(); i-- > 0;) {
        auto [start, end] = m_cutPieces[i];
        while (i > 0 && m_cutPieces[i - 1].second >= start)
            start = std::min(start, m_cutPieces[--i].first);
        const std::string piece = Bytes(start, end);
        if (!piece.empty() && piece.find_first_not_of("\n\xFF") == std::string::npos)
            SendScintilla(SCI_DELETERANGE, static_cast<unsigned long>(start), end - start);
    }
    m_cutPieces.clear();
    if (!sweep || m_changedFrom == LONG_MAX)
        return;
    // Anything else out of form in the changed span: marks outside breaks are dropped, as
    // decoding drops them, and a lone CR byte takes the lone CR's form. The text stays.
    const long size = static_cast<long>(kBoxRowBreakSize);
    const long length = SendScintilla(SCI_GETLENGTH);
    long from = std::max(m_changedFrom - size, 0L);
    long to = std::max(from, length - std::max(m_changedBeforeEnd - size, 0L));
    if (const long start = RowBreakAround(from); start >= 0)
        from = start;
    if (const long start = RowBreakAround(to); start >= 0)
        to = start + size;
    // One byte more shows whether a CR at the end is followed by its LF.
    const std::string bytes = Bytes(from, to + 1);
    const std::string_view span(bytes.data(), std::min(bytes.size(), std::size_t(to - from)));
    std::vector<long> faults;
    for (std::size_t at = 0; at < span.size();) {
        const std::size_t fault = BoxFormFault(std::string_view(bytes).substr(at));
        if (fault == std::string_view::npos || at + fault >= span.size())
            break;
        faults.push_back(from + static_cast<long>(at + fault));
        at += fault + 1;
    }
    for (auto fault = faults.rbegin(); fault != faults.rend(); ++fault) {
        if (bytes[static_cast<std::size_t>(*fault - from)] == kBoxRowMark) {
            SendScintilla(SCI_DELETERANGE, static_cast<unsigned long>(*fault), 1L);
        } else {
            SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(*fault), *fault + 1);
            SendScintilla(SCI_REPLACETARGET, 1UL, std::string(1, kBoxLoneCarriageReturn).c_str());
        }
    }
}
