#include "platform/EditAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QString>
#include <Qsci/qsciscintillabase.h>
#include <algorithm>
#include <string>
#include <utility>

namespace {

using Sci = QsciScintillaBase;

long Send(const Sci& box, unsigned int message, long wParam = 0, long lParam = 0) {
    return box.SendScintilla(message, static_cast<unsigned long>(wParam), lParam);
}

// The offset of a line's start comes from the index, which the editor keeps up to date with
// every change once it is made; a new document (a file loaded) starts without one.
long LineOffset(const Sci& box, long line) {
    if (!(Send(box, Sci::SCI_GETLINECHARACTERINDEX) & Sci::SC_LINECHARACTERINDEX_UTF16))
        Send(box, Sci::SCI_ALLOCATELINECHARACTERINDEX, Sci::SC_LINECHARACTERINDEX_UTF16);
    return Send(box, Sci::SCI_INDEXPOSITIONFROMLINE, line, Sci::SC_LINECHARACTERINDEX_UTF16);
}

int Offset(const Sci& box, long position) {
    const long line = Send(box, Sci::SCI_LINEFROMPOSITION, position);
    const long lineStart = Send(box, Sci::SCI_POSITIONFROMLINE, line);
    return static_cast<int>(LineOffset(box, line) +
                            Send(box, Sci::SCI_COUNTCODEUNITS, lineStart, position));
}

long Position(const Sci& box, int offset) {
    LineOffset(box, 0); // the index, for the next message
    const long line =
        Send(box, Sci::SCI_LINEFROMINDEXPOSITION, offset, Sci::SC_LINECHARACTERINDEX_UTF16);
    return Send(box, Sci::SCI_POSITIONRELATIVECODEUNITS, Send(box, Sci::SCI_POSITIONFROMLINE, line),
                offset - LineOffset(box, line));
}

QString Text(const Sci& box, long from, long to) {
    if (from >= to)
        return {};
    std::string bytes(static_cast<std::size_t>(to - from) + 1, '\0'); // and the NUL it adds
    box.SendScintilla(Sci::SCI_GETTEXTRANGE, from, to, bytes.data());
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(to - from));
}

// The character, word or line (sentences and paragraphs are taken as lines) around position.
std::pair<long, long> Span(const Sci& box, long position, QAccessible::TextBoundaryType type) {
    switch (type) {
    case QAccessible::CharBoundary:
        return {position, Send(box, Sci::SCI_POSITIONAFTER, position)};
    case QAccessible::WordBoundary: {
        const long start = Send(box, Sci::SCI_WORDSTARTPOSITION, position, 1);
        const long end = Send(box, Sci::SCI_WORDENDPOSITION, position, 1);
        if (start < end)
            return {start, end};
        return {position, Send(box, Sci::SCI_POSITIONAFTER, position)};
    }
    case QAccessible::NoBoundary:
        return {0, Send(box, Sci::SCI_GETLENGTH)};
    default: {
        const long line = Send(box, Sci::SCI_LINEFROMPOSITION, position);
        return {Send(box, Sci::SCI_POSITIONFROMLINE, line),
                Send(box, Sci::SCI_POSITIONFROMLINE, line + 1)};
    }
    }
}

class AccessibleEdit : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleEdit(QWidget* pBox) : QAccessibleWidget(pBox, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = Send(Box(), Sci::SCI_GETREADONLY) != 0;
        state.editable = !state.readOnly;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || Send(Box(), Sci::SCI_GETSELECTIONEMPTY))
            return;
        *startOffset = Offset(Box(), Send(Box(), Sci::SCI_GETSELECTIONSTART));
        *endOffset = Offset(Box(), Send(Box(), Sci::SCI_GETSELECTIONEND));
    }
    int selectionCount() const override { return Send(Box(), Sci::SCI_GETSELECTIONEMPTY) ? 0 : 1; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            Send(Box(), Sci::SCI_SETEMPTYSELECTION, Send(Box(), Sci::SCI_GETCURRENTPOS));
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            Send(Box(), Sci::SCI_SETSEL, Position(Box(), startOffset), Position(Box(), endOffset));
    }
    int cursorPosition() const override {
        return Offset(Box(), Send(Box(), Sci::SCI_GETCURRENTPOS));
    }
    void setCursorPosition(int position) override {
        Send(Box(), Sci::SCI_GOTOPOS, Position(Box(), position));
    }
    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
    QString text(int startOffset, int endOffset) const override {
        return Text(Box(), Position(Box(), startOffset), Position(Box(), endOffset));
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        return Around(offset, type, -1, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        return Around(offset, type, 1, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        return Around(offset, type, 0, startOffset, endOffset);
    }
    int characterCount() const override { return Offset(Box(), Send(Box(), Sci::SCI_GETLENGTH)); }
    QRect characterRect(int offset) const override {
        const long position = Position(Box(), offset);
        const long next = Send(Box(), Sci::SCI_POSITIONAFTER, position);
        const long x = Send(Box(), Sci::SCI_POINTXFROMPOSITION, 0, position);
        const long y = Send(Box(), Sci::SCI_POINTYFROMPOSITION, 0, position);
        const long line = Send(Box(), Sci::SCI_LINEFROMPOSITION, position);
        const long width = next > position && Send(Box(), Sci::SCI_LINEFROMPOSITION, next) == line
                               ? Send(Box(), Sci::SCI_POINTXFROMPOSITION, 0, next) - x
                               : QFontMetrics(Box().font()).averageCharWidth();
        const QRect rect(static_cast<int>(x), static_cast<int>(y),
                         static_cast<int>(std::max(width, 1L)),
                         static_cast<int>(Send(Box(), Sci::SCI_TEXTHEIGHT, line)));
        return rect.translated(Box().viewport()->mapToGlobal(QPoint()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint at = Box().viewport()->mapFromGlobal(point);
        const long position = Send(Box(), Sci::SCI_POSITIONFROMPOINTCLOSE, at.x(), at.y());
        return position < 0 ? -1 : Offset(Box(), position);
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        Send(Box(), Sci::SCI_SCROLLRANGE, Position(Box(), endIndex), Position(Box(), startIndex));
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    Sci& Box() const { return *static_cast<Sci*>(widget()); }

    // The piece of text of the kind given at offset, or the one before or after it.
    QString Around(int offset, QAccessible::TextBoundaryType type, int direction, int* startOffset,
                   int* endOffset) const {
        *startOffset = *endOffset = -1;
        const int count = characterCount();
        if (offset == -1)
            offset = count;
        if (offset < 0 || offset > count)
            return {};
        const long length = Send(Box(), Sci::SCI_GETLENGTH);
        auto span = Span(Box(), Position(Box(), offset), type);
        if (direction < 0) {
            if (span.first <= 0)
                return {};
            span = Span(Box(), Send(Box(), Sci::SCI_POSITIONBEFORE, span.first), type);
        } else if (direction > 0) {
            if (span.second >= length)
                return {};
            span = Span(Box(), span.second, type);
        }
        if (span.first >= span.second)
            return {};
        *startOffset = Offset(Box(), span.first);
        *endOffset = Offset(Box(), span.second);
        return Text(Box(), span.first, span.second);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* pObject) {
    if (className == QLatin1String("CEdit") && pObject && pObject->isWidgetType())
        return new AccessibleEdit(static_cast<QWidget*>(pObject));
    return nullptr;
}

} // namespace

void EditAccessible::Install(QWidget& box) {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    Q_UNUSED(installed);
    // With assistive technology listening, the editor made its own interface for the box while
    // the box was still only an editor; one for the box itself replaces it.
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(&box);
    if (pInterface && !dynamic_cast<AccessibleEdit*>(pInterface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(pInterface));
}

void EditAccessible::CaretMoved(QsciScintillaBase& box) {
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent event(&box, Offset(box, Send(box, Sci::SCI_GETCURRENTPOS)));
    QAccessible::updateAccessibility(&event);
}

void EditAccessible::TextChanged(QsciScintillaBase& box, bool inserted, long position,
                                 std::string_view bytes) {
    if (!QAccessible::isActive())
        return;
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const int offset = Offset(box, position);
    if (inserted) {
        QAccessibleTextInsertEvent event(&box, offset, text);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextRemoveEvent event(&box, offset, text);
        QAccessible::updateAccessibility(&event);
    }
}
