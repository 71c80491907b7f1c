#include "platform/LineMargin.h"

#include "core/lines/BoxTextCodec.h"
#include "platform/Edit.h"

#include <QHelpEvent>
#include <QToolTip>
#include <algorithm>
#include <string_view>

namespace {

// Margin 0 belongs to line numbers, should the box ever show them.
constexpr int kMargin = 1;

} // namespace

CLineMargin::CLineMargin(CEdit* pEdit, bool bRightAligned) : QObject(pEdit), m_pEdit(pEdit) {
    m_pEdit->SendScintilla(QsciScintilla::SCI_SETMARGINTYPEN, kMargin,
                           bRightAligned ? QsciScintilla::SC_MARGIN_RTEXT
                                         : QsciScintilla::SC_MARGIN_TEXT);
    m_pEdit->viewport()->installEventFilter(this);
    connect(m_pEdit, &QsciScintilla::SCN_MODIFIED, this, [this](int, int type) {
        if (m_markOf &&
            (type & (QsciScintilla::SC_MOD_INSERTTEXT | QsciScintilla::SC_MOD_DELETETEXT)))
            Clear();
    });
}

void CLineMargin::Show(MarkOf markOf, std::size_t textLines, const QString& widest) {
    Clear();
    m_markOf = std::move(markOf);
    m_document = reinterpret_cast<void*>(m_pEdit->SendScintilla(QsciScintilla::SCI_GETDOCPOINTER));
    // Long lines are shown in rows; only when the box has more lines than the text (and the
    // empty one after its last line feed) can it have rows, and only then are they looked for.
    const auto editorLines =
        static_cast<std::size_t>(m_pEdit->SendScintilla(QsciScintilla::SCI_GETLINECOUNT));
    const std::string_view bytes =
        editorLines > textLines + 1 ? m_pEdit->TextBytes() : std::string_view();
    for (std::size_t at = bytes.find(kBoxRowMark); at != std::string_view::npos;
         at = bytes.find(kBoxRowMark, at + 1)) {
        if (IsBoxRowBreak(bytes, at))
            m_rows.push_back(m_pEdit->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION,
                                                    at + kBoxRowBreakSize - 1));
    }
    m_pEdit->setMarginsFont(m_pEdit->font());
    const QByteArray widestText = widest.toUtf8();
    const long width = m_pEdit->SendScintilla(
        QsciScintilla::SCI_TEXTWIDTH, QsciScintilla::STYLE_LINENUMBER, widestText.constData());
    m_pEdit->SendScintilla(QsciScintilla::SCI_SETMARGINWIDTHN, kMargin, width + 8);
}

void CLineMargin::Clear() {
    // The texts set stay behind, out of sight: clearing them all would visit every line of the
    // text, and the next Show sets each line's text before it is painted again.
    m_markOf = nullptr;
    m_rows.clear();
    m_firstMarked = m_lastMarked = -1;
    m_pEdit->SendScintilla(QsciScintilla::SCI_SETMARGINWIDTHN, kMargin, 0L);
}

CLineMargin::Mark CLineMargin::MarkAt(long editorLine) const {
    if (!m_markOf || std::binary_search(m_rows.begin(), m_rows.end(), editorLine))
        return {};
    const auto rowsBefore =
        std::lower_bound(m_rows.begin(), m_rows.end(), editorLine) - m_rows.begin();
    return m_markOf(static_cast<std::size_t>(editorLine - rowsBefore));
}

bool CLineMargin::Stale() {
    if (m_markOf && reinterpret_cast<void*>(
                        m_pEdit->SendScintilla(QsciScintilla::SCI_GETDOCPOINTER)) != m_document)
        Clear();
    return !m_markOf;
}

void CLineMargin::MarkVisibleLines() {
    if (Stale())
        return;
    const long first = m_pEdit->SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE);
    const long last = std::min(first + m_pEdit->SendScintilla(QsciScintilla::SCI_LINESONSCREEN) + 1,
                               m_pEdit->SendScintilla(QsciScintilla::SCI_GETLINECOUNT));
    if (first == m_firstMarked && last == m_lastMarked)
        return; // painted again for the texts set last time
    m_firstMarked = first;
    m_lastMarked = last;
    // A margin text is a change of the document to the editor, and others who listen for changes
    // must not take it for an edit.
    const long eventMask = m_pEdit->SendScintilla(QsciScintilla::SCI_GETMODEVENTMASK);
    m_pEdit->SendScintilla(QsciScintilla::SCI_SETMODEVENTMASK,
                           eventMask & ~long{QsciScintilla::SC_MOD_CHANGEMARGIN});
    for (long line = first; line < last; ++line) {
        // Lines without a mark are set too, to take away what an earlier Show left there.
        const QByteArray text = MarkAt(line).text.toUtf8();
        m_pEdit->SendScintilla(QsciScintilla::SCI_MARGINSETTEXT, line,
                               text.isEmpty() ? nullptr : text.constData());
        m_pEdit->SendScintilla(QsciScintilla::SCI_MARGINSETSTYLE, line,
                               long{QsciScintilla::STYLE_LINENUMBER});
    }
    m_pEdit->SendScintilla(QsciScintilla::SCI_SETMODEVENTMASK, eventMask);
}

bool CLineMargin::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // The lines about to be painted get their texts first, so that none shows an old one.
    if (pEvent->type() == QEvent::Paint)
        MarkVisibleLines();
    if (pEvent->type() != QEvent::ToolTip || Stale())
        return QObject::eventFilter(pWatched, pEvent);
    auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    const long marginWidth = m_pEdit->SendScintilla(QsciScintilla::SCI_GETMARGINWIDTHN, kMargin);
    if (pHelp->pos().x() >= marginWidth)
        return QObject::eventFilter(pWatched, pEvent);
    const long position = m_pEdit->SendScintilla(QsciScintilla::SCI_POSITIONFROMPOINT,
                                                 static_cast<unsigned long>(pHelp->pos().x()),
                                                 static_cast<long>(pHelp->pos().y()));
    const QString tip =
        MarkAt(m_pEdit->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, position)).tip;
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(pHelp->globalPos(), tip, m_pEdit->viewport());
    return true;
}
