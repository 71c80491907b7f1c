// What Run did, seen in the window: the options chosen in the menu, the content box's marks
// for the lines left out (with the line a repeat repeats), the result box's counts, the counts
// under the completion message, and the marks gone with the next edit.
#include "MainWindowDriver.h"
#include "core/lines/BoxTextCodec.h"
#include "platform/LineMargin.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QToolTip>

class RunMarksTest : public QObject {
    Q_OBJECT

    static QString MarginText(CEdit* box, long line) {
        char text[64] = {};
        box->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, static_cast<unsigned long>(line),
                           text);
        return QString::fromUtf8(text);
    }

private slots:
    void runMarksWhatItLeftOutUntilTheNextEdit() {
        MainWindowDriver window;
        window.Control<QAction>("ID_COMPARE_IGNORE_CASE")->trigger();
        window.Control<QAction>("ID_COMPARE_IGNORE_SPACE")->trigger();
        window.TypeIntoContent(QStringLiteral("a\nb\n\nA \na\nB\n"));
        const MessageSeen done = window.ClickForMessage("IDC_RUN");
        QCOMPARE(done.text, QStringLiteral("処理が完了しました。"));
        // The options in force are named, each on a row of its own, here and over the result.
        const QString summary =
            QStringLiteral("6 行 → 2 行（重複 3 行、空行 1 行）\nオプション:\n"
                           "・前後の空白を無視する\n・大文字と小文字を区別しない");
        QCOMPARE(done.informative, summary);
        QCOMPARE(done.informativeRows, summary.split(u'\n'));
        QCOMPARE(window.Control<QLabel>("IDC_RESULT_CAPTION")->toolTip(), summary);
        QCOMPARE(window.Result()->text(), QStringLiteral("a\r\nb\r\n"));

        CEdit* content = window.Content();
        QTRY_COMPARE(MarginText(content, 4), QStringLiteral("重"));
        const QStringList expected = {"", "", "空", "重", "重", "重"};
        for (int line = 0; line < expected.size(); ++line)
            QCOMPARE(MarginText(content, line), expected[line]);
        QTRY_COMPARE(MarginText(window.Result(), 1), QStringLiteral("×2"));
        QCOMPARE(MarginText(window.Result(), 0), QStringLiteral("×3"));

        // Hovering the mark of the fourth line names the line it repeats.
        const long y = content->SendScintilla(
            QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL,
            content->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, 3UL));
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, static_cast<int>(y) + 2),
                         content->viewport()->mapToGlobal(QPoint(2, static_cast<int>(y) + 2)));
        QApplication::sendEvent(content->viewport(), &hover);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("1 行目と同じ"));

        window.TypeIntoContent(QStringLiteral("c"));
        QVERIFY(content->findChild<CLineMargin*>()->MarkAt(4).text.isEmpty());
        QCOMPARE(content->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 1UL), 0L);
        QCOMPARE(window.Result()->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 1UL), 0L);
    }

    void marksFollowTheTextsLinesPastTheRowsOfALongLine() {
        MainWindowDriver window;
        window.Content()->SetWindowText(std::u16string(2 * kBoxRowUnits + 1, u'x') + u"\nb\nb\n");
        QCOMPARE(window.ClickForMessage("IDC_RUN").informative,
                 QStringLiteral("3 行 → 2 行（重複 1 行、空行 0 行）"));
        auto* margin = window.Content()->findChild<CLineMargin*>();
        QCOMPARE(margin->MarkAt(1).text, QString()); // a row of the first line
        QCOMPARE(margin->MarkAt(3).text, QString());
        QCOMPARE(margin->MarkAt(4).tip, QStringLiteral("2 行目と同じ"));
    }
};

QTEST_MAIN(RunMarksTest)
#include "RunMarksTest.moc"
