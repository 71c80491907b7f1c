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
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Bytes of address space the process has mapped.
rlim_t MappedBytes() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Holds every byte the heap has free, so that a command can find room only where a limit on the
// address space leaves some. Memory freed by earlier work stays mapped in the heap, in holes
// whose sizes depend on what ran before and on when other threads allocated: without this, a
// command could run in them whatever the limit says.
class HeapFiller {
public:
    HeapFiller() {
        m_blocks.reserve(1 << 20); // room for the pointers before the heap is closed
        const rlimit current{MappedBytes(), RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_AS, &current), 0); // nothing new can be mapped meanwhile
        for (std::size_t size = std::size_t{1} << 20; size >= 16; size /= 16)
            while (m_blocks.size() < m_blocks.capacity()) {
                void* block = std::malloc(size);
                if (!block)
                    break;
                m_blocks.push_back(block);
            }
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_AS, &unlimited), 0);
    }
    ~HeapFiller() {
        for (void* block : m_blocks)
            std::free(block);
    }
    HeapFiller(const HeapFiller&) = delete;
    HeapFiller& operator=(const HeapFiller&) = delete;

private:
    std::vector<void*> m_blocks;
};

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

        // A text that loads, and whose Run then finds a quarter of the room it needs. The need
        // is measured by a Run with no limit: everything it maps (its heap, its threads'
        // stacks) beyond what the process held before, with no free heap left to hide in.
        QCOMPARE(setrlimit(RLIMIT_AS, &unlimited), 0);
        window.Window().ChooseFile(m_dir.filePath(QStringLiteral("medium.txt")));
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        rlim_t need = 0;
        {
            const HeapFiller filled;
            const rlim_t before = MappedBytes();
            ClickRun(window);
            need = MappedBytes() - before;
        }

        const std::u16string result = window.Result()->GetWindowText();
        const LineList fileLines = g_vFileLines;
        const LineList runLines = g_vResultLines;
        const MessageSeen run = [&] {
            const HeapFiller filled;
            const rlimit tight{MappedBytes() + need / 4, RLIM_INFINITY};
            setrlimit(RLIMIT_AS, &tight);
            MessageSeen seen = window.ClickForMessage("IDC_RUN");
            setrlimit(RLIMIT_AS, &unlimited);
            return seen;
        }();
        ExpectOutOfMemory(run, QStringLiteral("メモリが足りないため、処理できませんでした。"));
        QVERIFY(window.Result()->GetWindowText() == result);
        QVERIFY((g_vResultLines == runLines && g_vFileLines == fileLines));
        qInfo("the Run needs %llu MiB", static_cast<unsigned long long>(need >> 20));
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
    KeepLargeBuffersInHeap(); // as the program's start-up does, before any other thread starts
    QApplication app(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "--child") {
        OutOfMemoryChild child;
        return QTest::qExec(&child, 1, argv);
    }
    OutOfMemoryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OutOfMemoryTest.moc"
