// A command that runs out of memory ends with its failure message and leaves everything as it
// was. The commands run in a child process whose address space is limited, so that a file of a
// few hundred megabytes cannot load, however much memory this machine has.
#include "MainWindowDriver.h"
#include "core/document/DocumentState.h"
#include "core/base/HeapTuning.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Bytes of address space the process has mapped.
rlim_t MappedBytes() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

void WriteLines(const QString& path, qint64 bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray block;
    for (int i = 0; block.size() < (1 << 20); ++i)
        block += "line " + QByteArray::number(i) + "\r\n";
    for (qint64 written = 0; written < bytes; written += block.size())
        QVERIFY(file.write(block) == block.size());
}

} // namespace

// The commands under the limit; run only in the child.
class OutOfMemoryChild : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        KeepLargeBuffersInHeap(); // as the program's start-up does
        QVERIFY(m_dir.isValid());
        WriteLines(m_dir.filePath(QStringLiteral("large.txt")), qint64{300} << 20);
        WriteLines(m_dir.filePath(QStringLiteral("medium.txt")), qint64{16} << 20);
        QFile small(m_dir.filePath(QStringLiteral("small.txt")));
        QVERIFY(small.open(QIODevice::WriteOnly) && small.write("b\r\na\r\nb\r\n") == 9);
    }

    void openAndRunOutOfMemoryChangeNothing() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("typed\n"));
        ClickRun(window);
        const std::u16string content =
            window.Content()->GetWindowText() + window.Result()->GetWindowText();
        const LineList textLines = g_vTextLines;
        const LineList resultLines = g_vResultLines;
        g_vFileLines = {u"earlier"};
        // Room for the window and a small file, not for the large one in any form.
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        const rlimit limit{MappedBytes() + (rlim_t{160} << 20), RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);

        window.Window().ChooseFile(m_dir.filePath(QStringLiteral("large.txt")));
        ExpectOutOfMemory(window.ClickForMessage("IDC_OPEN"),
                          QStringLiteral("文字コードの指定が間違っている可能性があります。\n"
                                         "ANSI形式のみ読み込み可能です。"));
        QVERIFY(window.Content()->GetWindowText() + window.Result()->GetWindowText() == content);
        QVERIFY(g_vFileLines == LineList{u"earlier"});
        QVERIFY(g_vTextLines == textLines && g_vResultLines == resultLines);

        // The window still answers, and a small file still opens and runs.
        ClickRun(window);
        window.Window().ChooseFile(m_dir.filePath(QStringLiteral("small.txt")));
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        ClickRun(window);
        QVERIFY(window.Result()->GetWindowText() == u"b\r\na\r\n");

        // A text that loads, and whose Run then finds hardly any room at all.
        QCOMPARE(setrlimit(RLIMIT_AS, &unlimited), 0);
        window.Window().ChooseFile(m_dir.filePath(QStringLiteral("medium.txt")));
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        const LineList fileLines = g_vFileLines;
        // Memory freed earlier stays in the heap, where the Run could use it: given back first,
        // so that the room is what the limit says whatever ran before (the encoding guess).
        malloc_trim(0);
        const rlimit tight{MappedBytes() + (rlim_t{4} << 20), RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
        const MessageSeen run = window.ClickForMessage("IDC_RUN");
        QCOMPARE(setrlimit(RLIMIT_AS, &unlimited), 0);
        ExpectOutOfMemory(run, QStringLiteral("メモリが足りないため、処理できませんでした。"));
        QVERIFY(window.Result()->GetWindowText() == u"b\r\na\r\n");
        QVERIFY((g_vResultLines == LineList{u"b", u"a"} && g_vFileLines == fileLines));
        ClickRun(window);
    }

private:
    static void ExpectOutOfMemory(const MessageSeen& message, const QString& text) {
        QCOMPARE(message.text, text);
        QCOMPARE(message.icon, QMessageBox::Critical);
        QCOMPARE(message.detail, QStringLiteral("メモリが足りません。"));
    }
    static void ClickRun(MainWindowDriver& window) {
        QCOMPARE(window.ClickForMessage("IDC_RUN").text, QStringLiteral("処理が完了しました。"));
    }

    QTemporaryDir m_dir;
};

class OutOfMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void commandsSurviveALimitedAddressSpace() {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        QVERIFY(child.waitForFinished(300'000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "--child") {
        OutOfMemoryChild child;
        return QTest::qExec(&child, 1, argv);
    }
    OutOfMemoryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OutOfMemoryTest.moc"
