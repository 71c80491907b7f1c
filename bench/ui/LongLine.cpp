// Times the window on a file of one long line: Open from the click on "開く" until its message
// box shows; how long the window then takes to answer a click on "終了" made 20 ms after that
// box is closed; and, in a second window, how long scrolling to the far end of the line and
// painting there takes. The text read back from the box is compared with the file.
//
//   tandrel_long_line_bench [MB...]         (default: 5 50)
//
// The line mixes ASCII and Japanese words, written as UTF-8 with a byte-order mark.
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "ui/TandrelDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

QByteArray LongLine(long megabytes) {
    const QByteArray words[] = {"tandrel ", "\xE9\x87\x8D\xE8\xA4\x87 ", "line-",
                                "\xE3\x81\x82\xE3\x81\x84 ", "0123456789 "};
    QByteArray line = "\xEF\xBB\xBF";
    for (unsigned i = 0; line.size() < megabytes * 1'000'000; i = i * 1103515245u + 12345u)
        line += words[(i >> 16) % 5];
    return line;
}

// Clicks button with events queued behind everything pending, as a user's click is.
void QueueClick(QWidget* button) {
    const QPointF at = QRectF(button->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(button, new QMouseEvent(type, at, button->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::LeftButton,
                                                            Qt::NoModifier));
    }
}

// Opens path in a fresh window and returns it, with the seconds until the message box showed.
// With exitClock, the box is answered and 20 ms later "終了" is clicked, queued behind
// whatever the window is busy with then, as a user's click is; exitClock starts as the box
// closes.
std::unique_ptr<CTandrelDlg> Open(const QString& path, double& seconds,
                                  QElapsedTimer* exitClock = nullptr) {
    auto window = std::make_unique<CTandrelDlg>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "the window was not shown\n");
    auto* list = window->findChild<CComboBoxEx*>(QStringLiteral("IDC_ENCODING"));
    list->setFocus();
    for (std::size_t i = 0; i < kUtf8Choice; ++i)
        QTest::keyClick(list, Qt::Key_Down); // to UTF-8
    window->findChild<CMFCEditBrowseCtrl*>(QStringLiteral("IDC_FILEPATH"))->setText(path);
    auto* exit = window->findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    QElapsedTimer clock;
    // Polls for the box from a timer that lives as long as this call, which runs the whole
    // command (the click returns once the box is answered): a lambda that re-arms itself
    // through a reference to itself would call a closure long gone from the stack.
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seconds = clock.nsecsElapsed() / 1e9;
        if (box->text() != QStringLiteral("読み込み完了"))
            seconds = -1;
        box->accept();
        if (exitClock) {
            exitClock->start();
            QTimer::singleShot(20, [exit] { QueueClick(exit); });
        }
    });
    poll.start();
    clock.start();
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("IDC_OPEN")), Qt::LeftButton);
    return window;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList sizes = QCoreApplication::arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("5"), QStringLiteral("50")};

    QTemporaryDir folder;
    std::printf("%6s %8s %12s %12s %8s\n", "MB", "Open s", "answer 終了 s", "scroll end s",
                "exact");
    for (const QString& size : sizes) {
        const QString path = folder.filePath(QStringLiteral("long.txt"));
        const QByteArray bytes = LongLine(size.toLong());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();

        double open = -1;
        QElapsedTimer sinceClosed;
        std::unique_ptr<CTandrelDlg> window = Open(path, open, &sinceClosed);
        while (window->isVisible())
            QTest::qWait(1);
        const double answer = sinceClosed.nsecsElapsed() / 1e9;

        double ignored = 0;
        window = Open(path, ignored);
        auto* content = window->findChild<CEdit*>(QStringLiteral("IDC_CONTENT"));
        QTest::qWait(10);
        QElapsedTimer clock;
        clock.start();
        // The caret to the last character of the line, which scrolls it into view.
        content->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                               content->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) - 2);
        content->viewport()->repaint();
        const double scroll = clock.nsecsElapsed() / 1e9;
        const std::u16string expected = QString::fromUtf8(bytes.mid(3)).toStdU16String() + u"\r\n";
        const bool exact = content->GetWindowText() == expected;
        window.reset();

        std::printf("%6s %8.3f %12.3f %12.3f %8s\n", qPrintable(size), open, answer, scroll,
                    exact ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
