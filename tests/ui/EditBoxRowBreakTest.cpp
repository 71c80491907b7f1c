// The text box keeps its buffer in the codec's form through whatever the user does, so that a
// line end it shows is a line feed of the text Run reads exactly when it is not a row break.
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineList.h"
#include "platform/Edit.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTest>
#include <functional>

namespace {

using Sci = QsciScintillaBase;

std::u16string RandomText(QRandomGenerator& random, int pieces) {
    static const std::u16string kPieces[] = {
        u"a",     u"xyz", u"\r", u"\r\n", u"\n", u"\xD83D\xDE00", u"\xDC00", std::u16string(1, 0),
        u"\u3042"};
    std::u16string text;
    for (int i = 0; i < pieces; ++i) {
        if (random.bounded(6) == 0) // a line that needs rows
            text.append(kBoxRowUnits + random.bounded(2 * static_cast<int>(kBoxRowUnits)),
                        u"b\u3042"[i % 2]);
        else
            text += kPieces[random.bounded(static_cast<int>(std::size(kPieces)))];
    }
    return text;
}

// Run's split of a text, written plainly.
std::vector<std::u16string> Lines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(u'\n', start), text.size());
        std::u16string_view line = text.substr(start, end - start);
        while (line.ends_with(u'\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Range(const CEdit& box, long from, long to) {
    std::string bytes(static_cast<std::size_t>(to - from) + 1, '\0');
    box.SendScintilla(Sci::SCI_GETTEXTRANGE, from, to, bytes.data());
    bytes.pop_back();
    return bytes;
}

// The text as the box shows it, read from the editor's own lines: each line without the marks
// of its row breaks, and every line end that is not a row break, which must hold a line feed.
std::u16string ShownText(const CEdit& box) {
    const long lines = box.SendScintilla(Sci::SCI_GETLINECOUNT);
    std::u16string shown;
    bool rowContinues = false;
    for (long line = 0; line < lines; ++line) {
        const long start = box.SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
        const long end = box.SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
        const long next = box.SendScintilla(Sci::SCI_POSITIONFROMLINE, line + 1);
        std::string row = Range(box, start, end);
        if (rowContinues)
            row.erase(0, 1);
        rowContinues = line + 1 < lines && row.ends_with(kBoxRowMark) && next == end + 1 &&
                       Range(box, end, next + 1) == std::string("\n") + kBoxRowMark;
        if (rowContinues)
            row.pop_back();
        const std::string lineEnd = Range(box, end, next);
        if (!lineEnd.empty() && !lineEnd.ends_with('\n'))
            return u"a line end that is no line feed";
        shown += DecodeBoxText(row) + (rowContinues ? u"" : DecodeBoxText(lineEnd));
    }
    return shown;
}

void VerifyForm(const CEdit& box) {
    const std::string_view bytes = box.TextBytes();
    QCOMPARE(BoxFormFault(bytes), std::string_view::npos);
    for (const long at :
         {box.SendScintilla(Sci::SCI_GETCURRENTPOS), box.SendScintilla(Sci::SCI_GETANCHOR)})
        QCOMPARE(BoxRowBreakAround(bytes, static_cast<std::size_t>(at)), std::string_view::npos);
    const std::u16string shown = ShownText(box);
    QVERIFY(box.GetWindowText() == shown);
    LineList runLines;
    SplitBoxText(bytes, runLines, nullptr);
    QVERIFY(runLines == Lines(shown));
}

} // namespace

class EditBoxRowBreakTest : public QObject {
    Q_OBJECT

    QWidget* m_window = nullptr;
    CEdit* m_box = nullptr;
    // The text as the box's change notifications tell it.
    std::string m_notified;

    // Listeners learn of every change as it is made, and a screen reader gets the text and the
    // caret at the offsets Qt counts in.
    void VerifyNotifiedAndAccessible() {
        const std::string_view bytes = m_box->TextBytes();
        QCOMPARE(m_notified, bytes);
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(m_box)->textInterface();
        QCOMPARE(text->text(0, text->characterCount()), QString::fromUtf8(bytes));
        const auto caret = static_cast<std::size_t>(m_box->SendScintilla(Sci::SCI_GETCURRENTPOS));
        QCOMPARE(text->cursorPosition(), QString::fromUtf8(bytes.substr(0, caret)).size());
    }

    void Key(QKeyCombination key) { QTest::keyClick(m_box, key.key(), key.keyboardModifiers()); }
    // Where position is shown, scrolled into view.
    QPoint PointOf(long position) const {
        m_box->SendScintilla(Sci::SCI_SCROLLRANGE, static_cast<unsigned long>(position), position);
        return {static_cast<int>(m_box->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, position)),
                static_cast<int>(m_box->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, position)) +
                    3};
    }

private slots:
    void init() {
        m_window = new QWidget;
        m_box = new CEdit(m_window);
        m_box->setGeometry(0, 0, 400, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_box->setFocus();
    }
    void cleanup() { delete m_window; }

    void enterAtEitherEndOfARowEndsTheLine_data() {
        QTest::addColumn<int>("row"); // the keys that take the caret there
        QTest::addColumn<int>("end");
        QTest::newRow("before the first row's closing mark") << 0 << int{Qt::Key_End};
        QTest::newRow("after the second row's opening mark")
            << int{Qt::Key_Down} << int{Qt::Key_Home};
    }
    void enterAtEitherEndOfARowEndsTheLine() {
        QFETCH(int, row);
        QFETCH(int, end);
        const std::u16string line = std::u16string(kBoxRowUnits, u'A') + u"BBBBB";
        m_box->SetWindowText(line + u"\r\n");
        if (row)
            Key(Qt::Key(row));
        Key(Qt::Key(end));
        Key(Qt::Key_Return);
        VerifyForm(*m_box);
        QCOMPARE(m_box->SendScintilla(Sci::SCI_GETLINECOUNT), 3L); // the line feed took the break
        LineList lines;
        SplitBoxText(m_box->TextBytes(), lines, nullptr);
        QVERIFY(lines == Lines(line.substr(0, kBoxRowUnits) + u"\n" + line.substr(kBoxRowUnits)));
    }

    void arrowsCrossARowBreakInOneStep() {
        m_box->SetWindowText(std::u16string(kBoxRowUnits + 5, u'A'));
        const auto caret = [&] { return m_box->SendScintilla(Sci::SCI_GETCURRENTPOS); };
        Key(Qt::Key_End); // before the closing mark
        QCOMPARE(caret(), static_cast<long>(kBoxRowUnits));
        Key(Qt::Key_Right);
        QCOMPARE(caret(), static_cast<long>(kBoxRowUnits + kBoxRowBreakSize));
        Key(Qt::Key_Home); // after the opening mark
        QCOMPARE(caret(), static_cast<long>(kBoxRowUnits + kBoxRowBreakSize));
        Key(Qt::Key_Left);
        QCOMPARE(caret(), static_cast<long>(kBoxRowUnits));
    }

    void everyEditKeepsTheForm() {
        connect(m_box, &Sci::SCN_MODIFIED, m_box,
                [this](int position, int type, const char* text, int length, int linesAdded) {
                    const auto at = static_cast<std::size_t>(position);
                    const std::string_view change(text, static_cast<std::size_t>(length));
                    QVERIFY(at <= m_notified.size());
                    if (type & Sci::SC_MOD_INSERTTEXT) {
                        m_notified.insert(at, change);
                        QCOMPARE(linesAdded, std::ranges::count(change, '\n'));
                    } else if (type & Sci::SC_MOD_DELETETEXT) {
                        QCOMPARE(m_notified.substr(at, change.size()), change);
                        m_notified.erase(at, change.size());
                        QCOMPARE(-linesAdded, std::ranges::count(change, '\n'));
                    }
                });
        QRandomGenerator random(1313);
        const auto any = [&](std::size_t count) { return random.bounded(static_cast<int>(count)); };
        const QKeyCombination editKeys[] = {Qt::Key_Backspace,
                                            Qt::Key_Delete,
                                            Qt::Key_Return,
                                            Qt::CTRL | Qt::Key_Backspace,
                                            Qt::CTRL | Qt::Key_Delete,
                                            Qt::CTRL | Qt::SHIFT | Qt::Key_Backspace,
                                            Qt::CTRL | Qt::SHIFT | Qt::Key_Delete,
                                            Qt::CTRL | Qt::Key_L,
                                            Qt::CTRL | Qt::Key_T,
                                            Qt::CTRL | Qt::Key_D,
                                            Qt::CTRL | Qt::Key_U,
                                            Qt::CTRL | Qt::Key_X,
                                            Qt::Key_Insert};
        const Qt::Key moveKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,      Qt::Key_Down,
                                    Qt::Key_Home, Qt::Key_End,   Qt::Key_PageDown};
        const Qt::KeyboardModifier moveModifiers[] = {Qt::NoModifier, Qt::ShiftModifier,
                                                      Qt::ControlModifier};
        const std::function<void()> steps[] = {
            [&] { QTest::keyClicks(m_box, QStringLiteral("q")); },
            [&] { // as an input method commits it
                QInputMethodEvent commit;
                commit.setCommitString(QStringLiteral("\u3042\U0001F600"));
                QApplication::sendEvent(m_box, &commit);
            },
            [&] { Key(editKeys[any(std::size(editKeys))]); },
            [&] { Key(moveModifiers[any(3)] | moveKeys[any(std::size(moveKeys))]); },
            [&] {
                const long at =
                    any(static_cast<std::size_t>(m_box->SendScintilla(Sci::SCI_GETLENGTH)) + 1);
                QTest::mouseClick(m_box->viewport(), Qt::LeftButton,
                                  any(3) ? Qt::NoModifier : Qt::ShiftModifier, PointOf(at));
            },
            [&] {
                QApplication::clipboard()->setText(
                    QString::fromStdU16String(RandomText(random, 1 + any(4))));
                Key(any(2) ? Qt::CTRL | Qt::Key_V : Qt::SHIFT | Qt::Key_Insert);
            },
            [&] { Key(Qt::CTRL | Qt::Key_Z); },
            [&] { Key(Qt::CTRL | Qt::Key_Y); },
        };
        for (int round = 0; round < 8; ++round) {
            const std::u16string loaded = RandomText(random, 4 + any(12));
            m_box->SetWindowText(loaded);
            m_notified = m_box->TextBytes();
            for (int step = 0; step < 120; ++step) {
                steps[any(std::size(steps))]();
                VerifyForm(*m_box);
                VerifyNotifiedAndAccessible();
                if (QTest::currentTestFailed()) {
                    qWarning("round %d, step %d", round, step);
                    return;
                }
            }
            // Undo goes back through states in the form to the loaded text, and redo forward.
            const auto redoAll = [&] {
                while (m_box->SendScintilla(Sci::SCI_CANREDO)) {
                    Key(Qt::CTRL | Qt::Key_Y);
                    VerifyForm(*m_box);
                }
            };
            redoAll();
            const std::u16string edited = m_box->GetWindowText();
            while (m_box->SendScintilla(Sci::SCI_CANUNDO)) {
                Key(Qt::CTRL | Qt::Key_Z);
                VerifyForm(*m_box);
            }
            QVERIFY(m_box->GetWindowText() == loaded);
            redoAll();
            QVERIFY(m_box->GetWindowText() == edited);
        }
    }

    void pastedAndDroppedTextIsBoxText() {
        // One long line with a lone CR: kept in its line, shown in rows, not laid out whole.
        const std::u16string line = u"x\r" + std::u16string(2'000'000, u'y');
        QApplication::clipboard()->setText(QString::fromStdU16String(line + u"\r\nz"));
        Key(Qt::CTRL | Qt::Key_V);
        QVERIFY(m_box->GetWindowText() == line + u"\nz");
        QVERIFY(m_box->SendScintilla(Sci::SCI_GETLINECOUNT) > 200);
        VerifyForm(*m_box);
        // Dropped into the middle of a row break, the text takes the break's place.
        QMimeData data;
        data.setText(QStringLiteral("d\rd"));
        const QPoint point = PointOf(static_cast<long>(m_box->TextBytes().find(kBoxRowMark)) + 1);
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop})
            QApplication::sendEvent(m_box->viewport(), event);
        VerifyForm(*m_box);
        const std::u16string text = m_box->GetWindowText();
        QVERIFY(text.find(u"d\rd") != std::u16string::npos);
        QCOMPARE(text.size(), line.size() + 2 + 3);
    }
};

QTEST_MAIN(EditBoxRowBreakTest)
#include "EditBoxRowBreakTest.moc"
