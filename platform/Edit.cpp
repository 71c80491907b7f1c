#include "platform/Edit.h"

#include "core/BoxTextCodec.h"
#include "platform/QtStrings.h"

#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QString>

CEdit::CEdit(QWidget* pParent) : QsciScintilla(pParent) {
    // Plain text never needs the editor's style byte per character: for a large text that
    // is as much memory again as the text itself.
    ShowDocument(reinterpret_cast<void*>(
        SendScintilla(SCI_CREATEDOCUMENT, 0UL, static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE))));
    setUtf8(true); // resets the editor's character representations, so it comes first
    ShowSpecialForms();
    // Rows of a long line are thousands of characters wide: keep the page's rows measured
    // while it scrolls, not only the caret's.
    SendScintilla(SCI_SETLAYOUTCACHE, static_cast<unsigned long>(SC_CACHE_PAGE));
    setWrapMode(WrapNone);
    setEolMode(EolUnix); // Enter types a line feed, and pasted line breaks become line feeds
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1L);
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
}

void CEdit::contextMenuEvent(QContextMenuEvent* e) {
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

BoxTextLoader CEdit::LoadLines(const std::vector<std::u16string>& lines, std::size_t count,
                               std::u16string_view lineEnd, OperationProgress* progress) const {
    // A little more than the text: the editor grows its buffer, by a sixth and a copy of it
    // all, whenever an insertion, or the NUL that SCI_GETCHARACTERPOINTER puts behind the
    // text, would fill it to the last byte; for a large text that is seconds and hundreds of
    // megabytes on the window's thread. The slack also takes the first characters typed.
    constexpr std::size_t kSlack = 4096;
    const std::size_t bytes = BoxTextLoader::SizeOfLines(lines, count, lineEnd) + kSlack;
    BoxTextLoader loader(reinterpret_cast<ILoader*>(
        SendScintilla(SCI_CREATELOADER, static_cast<unsigned long>(bytes),
                      static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE))));
    loader.AppendLines(lines, count, lineEnd, progress);
    return loader;
}

void CEdit::TakeText(BoxTextLoader&& loader) {
    ShowDocument(loader.TakeDocument());
}

std::string_view CEdit::TextBytes() const {
    const auto length = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    return {static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER)), length};
}

void CEdit::ShowSpecialForms() {
    SendScintilla(SCI_SETREPRESENTATION, std::string(1, kBoxLoneCarriageReturn).c_str(), "CR");
    SendScintilla(SCI_SETREPRESENTATION, std::string(1, kBoxRowMark).c_str(), "\u2026");
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
    if (e->key() == Qt::Key_Tab && e->modifiers() == Qt::ControlModifier) {
        if (!isReadOnly())
            SendScintilla(SCI_REPLACESEL, "\t");
        return;
    }
    QsciScintilla::keyPressEvent(e);
}

QMimeData* CEdit::toMimeData(const QByteArray& text, bool rectangular) const {
    QMimeData* data = QsciScintilla::toMimeData(text, rectangular);
    const std::u16string exact =
        DecodeBoxText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    data->setText(ToQString(exact));
    return data;
}
