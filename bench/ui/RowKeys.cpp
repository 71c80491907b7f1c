// Times what one key costs a text box whose page is full of rows of one length, against that
// length: typing a character, moving the caret right, moving it down to the next row and back,
// and a repaint alone, each until the box has painted. The rows go into the editor as lines of
// exactly that many code units, not cut at kBoxRowUnits, so that any row length can be weighed
// (the editor lays out a row and a line alike); the caret sits in the middle of the third.
// Each figure is the median of nine keys, in milliseconds. Then the same keys near the start and
// near the end of one line of MILLIONS million code units, in rows as Open shows it: what grows
// with the caret's distance from the start of the text rather than with the row (the editor's
// accessibility support counts the characters before the caret on every edit and caret move).
//
//   tandrel_row_key_bench [--text MILLIONS] [UNITS...]   (default: 20; 500 1000 2000 5000 10000)
//
// ASCII rows are words and spaces; Japanese rows are kana and kanji without a space, as
// Japanese text is written. Offscreen unless QT_QPA_PLATFORM says otherwise, e.g.
//   QT_QPA_PLATFORM=xcb xvfb-run -a tandrel_row_key_bench
#include "platform/Edit.h"
#include "platform/QtStrings.h"

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

double MedianMilliseconds(CEdit& box, const std::function<void()>& key) {
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer clock;
        clock.start();
        key();
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
    if (lengths.size() >= 2 && lengths.first() == QLatin1String("--text")) {
        millions = lengths.at(1).toLong();
        lengths = lengths.mid(2);
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
        const long length = box.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        std::printf("in a line of %ld million code units:\n", millions);
        Print("start", "mixed", TimeKeys(box, 100));
        Print("end", "mixed", TimeKeys(box, length - 100));
    }
    return 0;
}
