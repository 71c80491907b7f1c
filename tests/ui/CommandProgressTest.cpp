// The commands on texts large enough to take a while: the window keeps answering, the progress
// window shows only for a long command, and a cancelled command changes nothing at all.
#include "ui/CommandProgress.h"

#include "MainWindowDriver.h"
#include "core/document/DocumentState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Everything a command may change, besides files.
struct Snapshot {
    std::u16string content, result;
    LineList fileLines, textLines, resultLines, workLines;
    int lineCount = 0, error = 0;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const MainWindowDriver& window) {
    return {window.Content()->GetWindowText(),
            window.Result()->GetWindowText(),
            g_vFileLines,
            g_vTextLines,
            g_vResultLines,
            g_vWorkLines,
            g_nLineCount,
            g_nError};
}

// count lines in code page 932 (plain ASCII), every third one a repeat.
void WriteLines(const QString& path, int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "line " + QByteArray::number(i % 3 == 2 ? i - 1 : i) + "\r\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

} // namespace

class CommandProgressTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString PathOf(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    // Clicks the button, answering whatever the prepared answers say, and cancels the
    // progress window at once.
    static void CancelCommand(MainWindowDriver& window, const char* button, ModalAnswers& answers) {
        answers.CancelProgress();
        window.Click(window.Button(button), answers);
        QVERIFY2(answers.problems.isEmpty(), qPrintable(answers.problems.join(u';')));
        QVERIFY(answers.messages.isEmpty()); // a cancel is its own answer
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        WriteLines(PathOf("small.txt"), 3);
        WriteLines(PathOf("large.txt"), 1'000'000);
    }
    void cleanup() { CommandProgress::SetShowDelay(500ms); }

    void shortCommandsShowNoProgress() {
        MainWindowDriver window;
        window.BrowseTo(PathOf("small.txt"));
        for (const char* button : {"IDC_OPEN", "IDC_RUN"}) {
            ModalAnswers answers;
            answers.ReadMessage();
            window.Click(window.Button(button), answers);
            QVERIFY(answers.problems.isEmpty());
            QVERIFY(!answers.progressSeen);
        }
    }

    void cancelAtEachCommandChangesNothing() {
        MainWindowDriver window;
        // An earlier Open, Run and Save leave something to keep.
        window.BrowseTo(PathOf("small.txt"));
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        QCOMPARE(window.ClickForMessage("IDC_RUN").text, QStringLiteral("処理が完了しました。"));
        ModalAnswers save;
        save.ChooseFile(PathOf("saved.txt")).ReadMessage();
        window.Click(window.Button("IDC_SAVE"), save);
        QVERIFY(save.problems.isEmpty());
        const QByteArray saved = ReadBytes(PathOf("saved.txt"));
        const QStringList files = QDir(m_dir.path()).entryList(QDir::Files);
        // The progress shows at once, so each cancel comes while the work is under way.
        CommandProgress::SetShowDelay(0ms);

        window.BrowseTo(PathOf("large.txt"));
        Snapshot before = Take(window);
        ModalAnswers open;
        CancelCommand(window, "IDC_OPEN", open);
        QVERIFY(Take(window) == before);

        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        before = Take(window);
        ModalAnswers run;
        CancelCommand(window, "IDC_RUN", run);
        QVERIFY(Take(window) == before);

        QCOMPARE(window.ClickForMessage("IDC_RUN").text, QStringLiteral("処理が完了しました。"));
        before = Take(window);
        ModalAnswers saveAgain;
        saveAgain.ChooseFile(PathOf("saved.txt"));
        CancelCommand(window, "IDC_SAVE", saveAgain);
        QVERIFY(Take(window) == before);
        QCOMPARE(ReadBytes(PathOf("saved.txt")), saved);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), files);
    }

    void windowKeepsAnsweringDuringALongRun() {
        WriteLines(PathOf("huge.txt"), 4'000'000);
        MainWindowDriver window;
        window.BrowseTo(PathOf("huge.txt"));
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));

        // Counts the ticks of a timer while the progress window shows, that is while the
        // worker still runs. It shows at once: how long Run takes depends on the machine.
        CommandProgress::SetShowDelay(0ms);
        int ticksWhileWorking = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            const QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == QLatin1String("CommandProgress"))
                ++ticksWhileWorking;
        });
        timer.start(20);
        ModalAnswers answers;
        answers.ReadMessage();
        window.Click(window.Button("IDC_RUN"), answers);
        timer.stop();
        QVERIFY(answers.problems.isEmpty());
        QCOMPARE(answers.messages.first().text, QStringLiteral("処理が完了しました。"));
        QVERIFY(answers.progressSeen);
        QVERIFY(ticksWhileWorking >= 2);
        QCOMPARE(g_vResultLines.size(), std::size_t{2'666'667});
        std::remove(qPrintable(PathOf("huge.txt")));
    }
};

QTEST_MAIN(CommandProgressTest)
#include "CommandProgressTest.moc"
