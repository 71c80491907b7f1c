// Times what one key costs a text box whose page is full of rows of one length, against that
// length: typing a character, moving the caret right, moving it down to the next row and back,
// and a repaint alone, each until the box has painted. The rows go into the editor as lines of
// exactly that many code units, not cut at kBoxRowUnits, so that any row length can be weighed
// (the editor lays out a row and a line alike); the caret sits in the middle of the third.
// Each figure is the median of nine keys, in milliseconds. Then the same keys near the start and
// near the end of one line of MILLIONS million code units, in rows as Open shows it, and of a
// text of LINES million short lines, loaded as Open loads it: what grows with the caret's
// distance from the start of the text rather than with the row (the editor's own accessibility
// support would count the characters before the caret on every edit and caret move).
// --reader adds to each key what a screen reader asks after it (the caret's offset and its
// line), and prints what its first question about a newly loaded text costs.
//
//   tandrel_row_key_bench [--text MILLIONS] [--lines LINES] [--reader] [UNITS...]
//   (defaults: 20; 0; 500 1000 2000 5000 10000)
//
// ASCII rows are words and spaces; Japanese rows are kana and kanji without a space, as
// Japanese text is written. Offscreen unless QT_QPA_PLATFORM says otherwise, e.g.
//   QT_QPA_PLATFORM=xcb xvfb-run -a tandrel_row_key_bench
#include "platform/Edit.h"
#include "platform/QtStrings.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

std::u16string Rows(std::size_t units, bool japanese) {
    const std::u16string words[] = {u"tandrel ", u"line ", u"0123456789 ", u"distinct "};
    const std::u16string japaneseWords[] = {u"重複する", u"行を", u"取り除き、", u"結果を保存。"};
    std::u16string text;
    for (int row = 0; row < 40; ++row) {
        std::u16string line;
        for (unsigned i = row; line.size() < units; i = i * 1103515245u + 12345u)
            line += (japanese ? japaneseWords : words)[(i >> 16) % 4];
        line.resize(units);
        text += line + u"\n";
    }
    return text;
}

bool g_reader = false;

// What a screen reader asks when the caret has moved; once per document, the first question
// has the box index its lines.
void AskAsReader(CEdit& box) {
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&box)->textInterface();
    int start = 0;
    int end = 0;
    text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end);
}

void PrintFirstQuestion(CEdit& box) {
    if (!g_reader)
        return;
    QElapsedTimer clock;
    clock.start();
    AskAsReader(box);
    std::printf("a screen reader's first question: %.1f ms\n", clock.nsecsElapsed() / 1e6);
}

double MedianMilliseconds(CEdit& box, const std::function<void()>& key) {
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer clock;
        clock.start();
        key();
        if (g_reader)
            AskAsReader(box);
        box.viewport()->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + 4, times.end());
    return times[4];
}

struct KeyCosts {
    double type, right, upDown, paint;
};

// What the keys cost with the caret at position, in a shown box.
KeyCosts TimeKeys(CEdit& box, long position) {
    box.setFocus();
    box.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(position));
    box.viewport()->repaint();
    KeyCosts costs{};
    costs.type = MedianMilliseconds(box, [&] { QTest::keyClick(&box, Qt::Key_X); });
    costs.right = MedianMilliseconds(box, [&] { QTest::keyClick(&box, Qt::Key_Right); });
    bool down = true;
    costs.upDown = MedianMilliseconds(box, [&] {
        QTest::keyClick(&box, down ? Qt::Key_Down : Qt::Key_Up);
        down = !down;
    });
    costs.paint = MedianMilliseconds(box, [] {});
    return costs;
}

void Print(const char* what, const char* script, const KeyCosts& costs) {
    std::printf("%9s %9s %8.1f %8.1f %8.1f %8.1f\n", what, script, costs.type, costs.right,
                costs.upDown, costs.paint);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList lengths = QCoreApplication::arguments().mid(1);
    long millions = 20;
    long lineMillions = 0;
    while (!lengths.isEmpty() && lengths.first().startsWith(QLatin1String("--"))) {
        const QString option = lengths.takeFirst();
        if (option == QLatin1String("--reader"))
            g_reader = true;
        else if (!lengths.isEmpty())
            (option == QLatin1String("--lines") ? lineMillions : millions) =
                lengths.takeFirst().toLong();
    }
    if (lengths.isEmpty())
        lengths = {QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("2000"),
                   QStringLiteral("5000"), QStringLiteral("10000")};

    QWidget window;
    CEdit box(&window);
    box.setGeometry(0, 0, 900, 500);
    window.resize(900, 500);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::printf("%s\n%9s %9s %8s %8s %8s %8s\n", qPrintable(QApplication::platformName()), "units",
                "script", "type ms", "Right ms", "Down ms", "paint ms");
    for (const QString& length : lengths) {
        for (const bool japanese : {false, true}) {
            const auto units = static_cast<std::size_t>(length.toLong());
            const QByteArray rows = ToQString(Rows(units, japanese)).toUtf8();
            box.SetWindowText({});
            box.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                              static_cast<unsigned long>(rows.size()), rows.constData());
            const long third = box.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, 2UL);
            Print(qPrintable(length), japanese ? "Japanese" : "ASCII",
                  TimeKeys(box, box.SendScintilla(QsciScintillaBase::SCI_POSITIONRELATIVE,
                                                  static_cast<unsigned long>(third),
                                                  static_cast<long>(units / 2))));
        }
    }
    if (millions > 0) {
        std::u16string line;
        while (line.size() < static_cast<std::size_t>(millions) * 1'000'000)
            line += Rows(1'000, line.size() % 2 == 0);
        std::erase(line, u'\n');
        box.SetWindowText(line);
        PrintFirstQuestion(box);
        const long length = box.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        std::printf("in a line of %ld million code units:\n", millions);
        Print("start", "mixed", TimeKeys(box, 100));
        Print("end", "mixed", TimeKeys(box, length - 100));
    }
    if (lineMillions > 0) {
        // Lines of seven code units, which a string holds without a block of its own.
        std::u16string words = Rows(40, true) + Rows(40, false);
        std::erase(words, u'\n');
        std::vector<std::u16string> lines(static_cast<std::size_t>(lineMillions) * 1'000'000);
        for (std::size_t i = 0; i < lines.size(); ++i)
            lines[i] = words.substr(i * 7 % (words.size() - 7), 7);
        box.TakeText(box.LoadLines(lines, lines.size(), u"\n", nullptr));
        PrintFirstQuestion(box);
        const long length = box.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        std::printf("in %ld million lines:\n", lineMillions);
        Print("start", "mixed", TimeKeys(box, 100));
        Print("end", "mixed", TimeKeys(box, length - 100));
    }
    return 0;
}
