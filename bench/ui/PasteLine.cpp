// Times pasting one long line into an empty text box, offscreen: from Ctrl+V until the box has
// painted the line's start, and then one more character typed at its end and painted. The text
// read back from the box is compared with what was pasted.
//
//   tandrel_paste_line_bench [MB...]         (default: 20)
#include "platform/Edit.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList sizes = QCoreApplication::arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("20")};

    std::printf("%6s %8s %8s %8s\n", "MB", "paste s", "type s", "exact");
    for (const QString& size : sizes) {
        QString line;
        for (int i = 0; line.size() < size.toLong() * 1'000'000; ++i)
            line += i % 7 ? QStringLiteral("tandrel ") : QStringLiteral("\u91CD\u8907\r");
        QApplication::clipboard()->setText(line);
        QWidget window;
        CEdit box(&window);
        box.setGeometry(0, 0, 800, 600);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        box.SendScintilla(QsciScintillaBase::SCI_DOCUMENTSTART);
        box.viewport()->repaint();
        const double paste = clock.nsecsElapsed() / 1e9;
        box.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        box.viewport()->repaint();
        clock.start();
        QTest::keyClick(&box, Qt::Key_X);
        box.viewport()->repaint();
        const double type = clock.nsecsElapsed() / 1e9;
        const bool exact = box.GetWindowText() == (line + QLatin1Char('x')).toStdU16String();
        std::printf("%6s %8.3f %8.3f %8s\n", qPrintable(size), paste, type, exact ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
