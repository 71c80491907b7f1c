// Times the window's three commands on the million-line inputs, offscreen, the way a user
// meets them: from the click on "開く", "実行" or "保存" until the text is shown and painted
// (Open, Run) or the file is written (Save), each ending at its message box, which the program
// closes. Every encoding runs in a fresh process, so that the peak memory printed is its own.
//
//   tandrel_ui_bench [FOLDER]
//
// FOLDER receives the input and output files (default: a temporary folder, removed afterwards).
#include "bench/BenchInputs.h"
#include "core/DocumentState.h"
#include "core/EncodingChoices.h"
#include "core/HeapTuning.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "ui/TandrelDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>

namespace {

struct CommandTime {
    double seconds = -1;
    QString message;
};

// Clicks button and answers what opens: a file dialog gets savePath, the message box is
// closed. The time runs from the click until the message box shows, after the boxes have
// been painted.
CommandTime TimeCommand(CTandrelDlg& window, const char* buttonName, const QString& savePath = {}) {
    CommandTime time;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (!dialog->isVisible() || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(savePath);
            QTest::keyClick(name, Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
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
    KeepLargeBuffersInHeap(); // as the program's start-up does
    CTandrelDlg window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    auto* list = window.findChild<CComboBoxEx*>(QStringLiteral("IDC_ENCODING"));
    list->setFocus();
    for (int i = 0; i < encoding; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    window.findChild<CMFCEditBrowseCtrl*>(QStringLiteral("IDC_FILEPATH"))->setText(input);

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
    std::printf("%f %f %f %ld %d %zu\n", open.seconds, run.seconds, save.seconds, PeakMemoryKiB(),
                contentLines, g_vResultLines.size());
    return 0;
}

int RunBenchmark(const QString& folderArgument) {
    QTemporaryDir temporary;
    const QString folder = folderArgument.isEmpty() ? temporary.path() : folderArgument;
    QElapsedTimer clock;
    clock.start();
    const tandrel::bench::BenchInputFiles inputs =
        tandrel::bench::WriteBenchInputs(folder.toStdString());
    std::printf("inputs: %d lines in %s (written in %.2f s)\n", tandrel::bench::kBenchLineCount,
                qPrintable(folder), clock.nsecsElapsed() / 1e9);
    const std::filesystem::path paths[] = {inputs.ansi, inputs.utf8, inputs.utf16le};

    std::printf("\nseconds from the click until shown and painted (Open, Run) or written (Save)\n");
    std::printf("%-8s %8s %7s %6s %6s %8s %8s %8s\n", "", "MB", "Open", "Run", "Save", "peak MiB",
                "lines", "kept");
    for (int e = 0; e < static_cast<int>(kEncodingChoices.size()); ++e) {
        const std::u16string_view name16 = kEncodingChoices[static_cast<std::size_t>(e)].name;
        const QByteArray name = QStringView(name16.data(), name16.size()).toLatin1();
        const QString input = QString::fromStdString(paths[e].string());
        const QString output =
            folder + QStringLiteral("/saved-") + QString::number(e) + QStringLiteral(".txt");
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--encoding"), QString::number(e), input, output});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "%s: the run failed\n", name.constData());
            return 1;
        }
        double open = 0, run = 0, save = 0;
        long peak = 0;
        int lines = 0;
        std::size_t kept = 0;
        if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %lf %ld %d %zu", &open,
                        &run, &save, &peak, &lines, &kept) != 6)
            return 1;
        std::printf("%-8s %8.1f %7.3f %6.3f %6.3f %8.1f %8d %8zu\n", name.constData(),
                    static_cast<double>(std::filesystem::file_size(paths[e])) / 1e6, open, run,
                    save, static_cast<double>(peak) / 1024.0, lines, kept);
        std::fflush(stdout);
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
    return RunBenchmark(args.size() > 1 ? args[1] : QString());
}
