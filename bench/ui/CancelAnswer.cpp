// Times how fast the window's commands stop when キャンセル is clicked: Open, Run and Save of the
// benchmark's UTF-8 file, offscreen, each cancelled at moments spread over its whole course
// (after 25 ms, then half as long again each time, until the command ends before the click).
// The time runs from the click on the progress window's キャンセル until the command has
// returned, having changed nothing. The progress window shows at once here, so that there is a
// キャンセル to click from the start; the program shows it after half a second.
//
//   tandrel_cancel_bench [--lines N] [FOLDER]
//
// --lines as tandrel_ui_bench takes it, one count (default 10M). FOLDER receives the input and
// output files (default: a temporary folder, removed afterwards).
#include "bench/BenchInputs.h"
#include "bench/ui/WindowDriving.h"
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "ui/CommandProgress.h"
#include "ui/TandrelDlg.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace std::chrono_literals;

namespace {

struct Attempt {
    double clickedAt = -1; // seconds after the command's click; -1: the command ended first
    double answered = -1;  // seconds from the click on キャンセル until the command returned
    double whole = 0;      // seconds from the command's click until it returned
    QString message;       // the message box the command ended with, if any
};

// Clicks button, answers a file dialog with savePath, and clicks キャンセル on the progress
// window once cancelAfter seconds have passed; a message box (the command ended) is closed.
Attempt CancelCommand(CTandrelDlg& window, const char* buttonName, double cancelAfter,
                      const QString& savePath = {}) {
    Attempt attempt;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (AnswerFileDialog(modal, savePath))
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            attempt.message = box->text();
            box->accept();
        } else if (modal && modal->objectName() == QLatin1String("CommandProgress") &&
                   attempt.clickedAt < 0 && clock.nsecsElapsed() / 1e9 >= cancelAfter) {
            auto* cancel = modal->findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
            attempt.clickedAt = clock.nsecsElapsed() / 1e9;
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
    });
    poll.start();
    clock.start();
    QTest::mouseClick(window.findChild<QPushButton*>(QLatin1String(buttonName)), Qt::LeftButton);
    attempt.whole = clock.nsecsElapsed() / 1e9;
    poll.stop();
    if (attempt.clickedAt >= 0)
        attempt.answered = attempt.whole - attempt.clickedAt;
    return attempt;
}

// Cancels the command at ever later moments until it ends before the click, with message;
// prints each attempt and the slowest answer. False when the command ended otherwise.
bool MeasureCommand(CTandrelDlg& window, const char* name, const char* buttonName,
                    const char* message, const QString& savePath = {}) {
    double slowest = 0;
    for (double after = 0.025;; after *= 1.5) {
        const Attempt attempt = CancelCommand(window, buttonName, after, savePath);
        if (attempt.answered < 0) {
            std::printf("%-5s %7s %9s   (ends in %.3f s uncancelled)\n", name, "-", "-",
                        attempt.whole);
            std::printf("%-5s longest %7.3f\n\n", name, slowest);
            if (attempt.message == QString::fromUtf8(message))
                return true;
            std::fprintf(stderr, "%s: ended with \"%s\"\n", name, qPrintable(attempt.message));
            return false;
        }
        if (attempt.message == QString::fromUtf8(message)) {
            // Clicked as the work ended: the command says what it did.
            std::printf("%-5s %7.3f %9s   (too late: done in %.3f s)\n", name, attempt.clickedAt,
                        "-", attempt.whole);
            std::printf("%-5s longest %7.3f\n\n", name, slowest);
            return true;
        }
        if (!attempt.message.isEmpty()) {
            std::fprintf(stderr, "%s: cancelled, yet it said \"%s\"\n", name,
                         qPrintable(attempt.message));
            return false;
        }
        slowest = std::max(slowest, attempt.answered);
        std::printf("%-5s %7.3f %9.3f\n", name, attempt.clickedAt, attempt.answered);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int lineCount = 10'000'000;
    QString folderArgument;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--lines") && i + 1 < args.size()) {
            const std::vector<int> counts = ParseLineCounts(args[++i]);
            lineCount = counts.size() == 1 ? counts.front() : 0;
        } else if (folderArgument.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            folderArgument = args[i];
        } else {
            lineCount = 0;
        }
    }
    if (lineCount < 1) {
        std::fprintf(stderr, "usage: tandrel_cancel_bench [--lines N] [FOLDER]\n");
        return 2;
    }
    QTemporaryDir temporary;
    const QString folder =
        QDir(folderArgument.isEmpty() ? temporary.path() : folderArgument).absolutePath();
    const tandrel::bench::BenchInputFiles inputs =
        tandrel::bench::WriteBenchInputs(folder.toStdString(), lineCount, true);
    const QString output = folder + QStringLiteral("/cancel-saved.txt");

    StartAfresh();
    CommandProgress::SetShowDelay(0ms);
    CTandrelDlg window;
    if (!ShowWithFile(window, static_cast<int>(kUtf8Choice),
                      QString::fromStdString(inputs.utf8.string())))
        return 1;

    std::printf("seconds after the command's click that キャンセル was clicked, and seconds from\n"
                "that click until the command had returned; %d lines, %.1f MB (UTF-8)\n\n",
                lineCount, static_cast<double>(std::filesystem::file_size(inputs.utf8)) / 1e6);
    std::printf("%-5s %7s %9s\n", "", "after", "answered");
    // Each command needs the one before it done, which its last, uncancelled attempt does; a
    // cancelled one leaves everything as it was.
    const bool measured = MeasureCommand(window, "Open", "IDC_OPEN", "読み込み完了") &&
                          MeasureCommand(window, "Run", "IDC_RUN", "処理が完了しました。") &&
                          MeasureCommand(window, "Save", "IDC_SAVE", "ファイルを保存しました。",
                                         output);
    if (!measured) {
        std::fprintf(stderr, "a command did not end as it should\n");
        return 1;
    }
    QFile::remove(output);
    if (folderArgument.isEmpty())
        std::filesystem::remove(inputs.utf8);
    return 0;
}
