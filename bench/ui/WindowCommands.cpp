// Times the window's three commands, offscreen, the way a user meets them: from the click on
// "開く", "実行" or "保存" until the text is shown and painted (Open, Run) or the file is written
// (Save), each ending at its message box, which the program closes. Every encoding and size runs
// in a fresh process, so that the peak memory printed is its own. Right after each, mawk removes
// the duplicate lines of the same UTF-8 file, because this machine's speed varies too much for
// figures from different minutes to compare.
//
//   tandrel_ui_bench [--lines N[,N...]] [--encoding ANSI|UTF-8|UTF-16LE] [FOLDER]
//
// --lines takes line counts (a suffix M means millions: --lines 1M,4M,10M; default 1M).
// --encoding measures one encoding only (default: all three); with UTF-8 only that file is
// written. FOLDER receives the input and output files (default: a temporary folder, removed
// afterwards). With TANDREL_BENCH_ALL_OPTIONS set in the environment, every comparison option of
// the menu オプション is on.
#include "bench/BenchInputs.h"
#include "bench/ui/WindowDriving.h"
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "platform/Edit.h"
#include "ui/TandrelDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace {

// The encoding list's item text, for printing.
QByteArray EncodingName(int encoding) {
    const std::u16string_view name = kEncodingChoices[static_cast<std::size_t>(encoding)].itemText;
    return QStringView(name.data(), static_cast<qsizetype>(name.size())).toLatin1();
}

struct CommandTime {
    double seconds = -1;
    double longestStall = 0; // the longest time the event loop went unserviced
    QString message;
};

// Clicks button and answers what opens: a file dialog gets savePath, the message box is
// closed. The time runs from the click until the message box shows, after the boxes have
// been painted.
CommandTime TimeCommand(CTandrelDlg& window, const char* buttonName, const QString& savePath = {}) {
    CommandTime time;
    QElapsedTimer clock;
    QTimer poll;
    // Not 0: a command that keeps the event loop running would spin this poll on a core the
    // command needs.
    poll.setInterval(1);
    qint64 lastTick = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (time.seconds < 0) {
            const qint64 now = clock.nsecsElapsed();
            time.longestStall = std::max(time.longestStall, (now - lastTick) / 1e9);
            lastTick = now;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (AnswerFileDialog(modal, savePath))
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (time.seconds >= 0)
                return;
            for (const char* name : {"IDC_CONTENT", "IDC_RESULT"})
                window.findChild<CEdit*>(QLatin1String(name))->viewport()->repaint();
            time.seconds = clock.nsecsElapsed() / 1e9;
            time.message = box->text();
            box->accept();
        }
    });
    poll.start();
    clock.start();
    QTest::mouseClick(window.findChild<QPushButton*>(QLatin1String(buttonName)), Qt::LeftButton);
    poll.stop();
    return time;
}

long PeakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One encoding in this process: prints "open run save peakKiB contentLines resultLines".
int RunOneEncoding(int encoding, const QString& input, const QString& output) {
    StartAfresh();
    CTandrelDlg window;
    if (!ShowWithFile(window, encoding, input))
        return 1;
    if (qEnvironmentVariableIsSet("TANDREL_BENCH_ALL_OPTIONS")) {
        for (QAction* option : window.findChildren<QAction*>()) {
            if (option->objectName().startsWith(QLatin1String("ID_COMPARE_")))
                option->setChecked(true);
        }
    }

    const CommandTime open = TimeCommand(window, "IDC_OPEN");
    const int contentLines = g_nLineCount;
    const CommandTime run = TimeCommand(window, "IDC_RUN");
    const CommandTime save = TimeCommand(window, "IDC_SAVE", output);
    for (const CommandTime* time : {&open, &run, &save}) {
        if (time->seconds < 0) {
            std::fprintf(stderr, "a command ended without its message box\n");
            return 1;
        }
    }
    if (open.message != QStringLiteral("読み込み完了") ||
        run.message != QStringLiteral("処理が完了しました。") ||
        save.message != QStringLiteral("ファイルを保存しました。")) {
        std::fprintf(stderr, "unexpected message: %s / %s / %s\n", qPrintable(open.message),
                     qPrintable(run.message), qPrintable(save.message));
        return 1;
    }
    std::printf("%f %f %f %ld %d %zu %f\n", open.seconds, run.seconds, save.seconds,
                PeakMemoryKiB(), contentLines, g_vResultLines.size(),
                std::max({open.longestStall, run.longestStall, save.longestStall}));
    return 0;
}

struct ChildFigures {
    double open = 0, run = 0, save = 0;
    long peakKiB = 0;
    int lines = 0;
    std::size_t kept = 0;
    double stall = 0;
    double cpu = 0; // the whole process's, start-up included
};

// User and system seconds of the children waited for so far: steadier than the clock on a
// busy machine.
double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool RunChild(int encoding, const QString& input, const QString& output, ChildFigures& figures) {
    const double cpuBefore = ChildrenCpuSeconds();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--encoding"), QString::number(encoding), input, output});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return false;
    figures.cpu = ChildrenCpuSeconds() - cpuBefore;
    return std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %lf %ld %d %zu %lf",
                       &figures.open, &figures.run, &figures.save, &figures.peakKiB, &figures.lines,
                       &figures.kept, &figures.stall) == 7;
}

// Seconds mawk takes to keep the first occurrence of every line that is not empty (a CR alone),
// and its CPU seconds.
double TimeMawk(const QString& input, const QString& output, double& cpu) {
    const double cpuBefore = ChildrenCpuSeconds();
    QProcess mawk;
    mawk.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    mawk.start(QStringLiteral("mawk"), {QStringLiteral("$0!=\"\\r\" && !seen[$0]++"), input});
    if (!mawk.waitForFinished(-1) || mawk.exitCode() != 0)
        return -1;
    const double seconds = clock.nsecsElapsed() / 1e9;
    cpu = ChildrenCpuSeconds() - cpuBefore;
    return seconds;
}

int RunBenchmark(const QStringList& args) {
    std::vector<int> lineCounts{tandrel::bench::kBenchLineCount};
    std::vector<int> encodings{0, 1, 2};
    QString folderArgument;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--lines") && i + 1 < args.size()) {
            lineCounts = ParseLineCounts(args[++i]);
        } else if (args[i] == QLatin1String("--encoding") && i + 1 < args.size()) {
            const QString name = args[++i];
            encodings.clear();
            // The three encodings the benchmark inputs are written in.
            for (int e = 0; e <= static_cast<int>(kUtf16LEChoice); ++e)
                if (name.toLatin1() == EncodingName(e))
                    encodings.push_back(e);
        } else if (folderArgument.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            folderArgument = args[i];
        } else {
            encodings.clear();
        }
        if (lineCounts.empty() || encodings.empty()) {
            std::fprintf(stderr, "usage: tandrel_ui_bench [--lines N[,N...]] "
                                 "[--encoding ANSI|UTF-8|UTF-16LE] [FOLDER]\n");
            return 2;
        }
    }
    QTemporaryDir temporary;
    // Absolute, because the save dialog takes a relative name from the folder it shows.
    const QString folder =
        QDir(folderArgument.isEmpty() ? temporary.path() : folderArgument).absolutePath();
    const bool utf8Only = encodings == std::vector<int>{1};

    std::printf("seconds from the click until shown and painted (Open, Run) or written (Save);\n"
                "mawk '$0!=\"\\r\" && !seen[$0]++' on the same UTF-8 file right after each;\n"
                "ratio = (Open + Run + Save) / mawk; cpu = user and system seconds of the whole\n"
                "window process and of mawk, and their ratio; peak = the window process's peak\n"
                "RSS; stall = the longest time any of the three left the event loop unserviced\n\n");
    std::printf("%-8s %9s %6s %7s %7s %6s %7s %7s %6s %20s %20s %8s %6s %8s %6s\n", "", "", "", "",
                "", "", "", "", "", "us per line", "cpu", "peak", "peak/", "", "");
    std::printf("%-8s %9s %6s %7s %7s %6s %7s %7s %6s %6s %6s %6s %6s %6s %6s %8s %6s %8s %6s\n",
                "", "lines", "MB", "Open", "Run", "Save", "total", "mawk", "ratio", "Open", "Run",
                "Save", "window", "mawk", "ratio", "MiB", "file", "kept", "stall");
    for (const int lineCount : lineCounts) {
        QElapsedTimer clock;
        clock.start();
        const tandrel::bench::BenchInputFiles inputs =
            tandrel::bench::WriteBenchInputs(folder.toStdString(), lineCount, utf8Only);
        std::fprintf(stderr, "inputs: %d lines in %s (written in %.2f s)\n", lineCount,
                     qPrintable(folder), clock.nsecsElapsed() / 1e9);
        const std::filesystem::path paths[] = {inputs.ansi, inputs.utf8, inputs.utf16le};
        const QString mawkInput = QString::fromStdString(inputs.utf8.string());
        for (const int e : encodings) {
            const QString input = QString::fromStdString(paths[e].string());
            const QString output =
                folder + QStringLiteral("/saved-") + QString::number(e) + QStringLiteral(".txt");
            ChildFigures f;
            if (!RunChild(e, input, output, f)) {
                std::fprintf(stderr, "%s: the run failed\n", EncodingName(e).constData());
                return 1;
            }
            double mawkCpu = 0;
            const double mawk =
                TimeMawk(mawkInput, folder + QStringLiteral("/mawk-out.txt"), mawkCpu);
            const double bytes = static_cast<double>(std::filesystem::file_size(paths[e]));
            const double total = f.open + f.run + f.save;
            const double perLine = 1e6 / f.lines;
            std::printf("%-8s %9d %6.1f %7.3f %7.3f %6.3f %7.3f %7.3f %6.2f %6.3f %6.3f %6.3f "
                        "%6.2f %6.2f %6.2f %8.1f %6.2f %8zu %6.3f\n",
                        EncodingName(e).constData(), f.lines, bytes / 1e6, f.open, f.run, f.save,
                        total, mawk, total / mawk, f.open * perLine, f.run * perLine,
                        f.save * perLine, f.cpu, mawkCpu, f.cpu / mawkCpu,
                        static_cast<double>(f.peakKiB) / 1024.0,
                        static_cast<double>(f.peakKiB) * 1024.0 / bytes, f.kept, f.stall);
            std::fflush(stdout);
            QFile::remove(output);
        }
        if (folderArgument.isEmpty()) // the next size's files need the room
            for (const auto& path : paths)
                if (!path.empty())
                    std::filesystem::remove(path);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--encoding"))
        return RunOneEncoding(args[2].toInt(), args[3], args[4]);
    return RunBenchmark(args);
}
