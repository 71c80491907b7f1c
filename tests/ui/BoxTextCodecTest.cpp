// The text boxes' byte forms: every UTF-16 text must come back unchanged, the editor must never
// see a line end the text does not have, and ordinary text must be ordinary UTF-8.
#include "core/lines/BoxTextCodec.h"

#include "core/document/DocumentState.h"
#include "core/document/DocumentRun.h"

#include <QRandomGenerator>
#include <QString>
#include <QTest>
#include <algorithm>

namespace {

QString Show(std::u16string_view text) {
    QString shown;
    for (char16_t unit : text)
        shown += QStringLiteral("%1 ").arg(unsigned{unit}, 4, 16, QLatin1Char('0'));
    return shown;
}

void VerifyRoundTrip(std::u16string_view text) {
    const std::u16string back = DecodeBoxText(EncodeBoxText(text));
    QVERIFY2(back == text, qPrintable(Show(text) + QStringLiteral(" came back as ") + Show(back)));
}

// A random text over units that stress the forms: line ends, surrogates of both halves, NUL,
// the separators and characters of every UTF-8 length.
std::u16string RandomText(QRandomGenerator& random, int length) {
    static constexpr char16_t kUnits[] = {u'a',   u'\r',  u'\n',  u'\0',  0x2028, 0x2029,
                                          0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x00E9, 0x3042,
                                          0xFFFD, 0xFFFF, 0x007F, 0x0080, 0x07FF, 0x0800};
    std::u16string text;
    for (int i = 0; i < length; ++i)
        text += kUnits[random.bounded(static_cast<int>(std::size(kUnits)))];
    return text;
}

} // namespace

class BoxTextCodecTest : public QObject {
    Q_OBJECT

private slots:
    void keepsCharactersPlainUtf8CannotHoldInALine() {
        VerifyRoundTrip(u"a\rb\r\n");                    // carriage return inside a line
        VerifyRoundTrip(u"a\r");                         // ... at the very end
        VerifyRoundTrip(u"\r\r\n\r");                    // before a CR LF, and alone
        VerifyRoundTrip(std::u16string(u"N\0L\r\n", 5)); // NUL
        VerifyRoundTrip(u"a\u2028b\u2029c\r\n");
        VerifyRoundTrip(u"\xD800");       // unpaired high surrogate
        VerifyRoundTrip(u"x\xDC00y");     // unpaired low surrogate
        VerifyRoundTrip(u"\xDC00\xD800"); // a pair in the wrong order is two unpaired halves
        VerifyRoundTrip(u"\xD83D\xDE00"); // a real pair
        VerifyRoundTrip(u"\xD800\xD83D\xDE00\xDFFF");
        VerifyRoundTrip(u"");
    }

    void everyCodeUnitSurvivesInEveryNeighbourhood() {
        for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
            const auto c = static_cast<char16_t>(unit);
            for (const std::u16string& text :
                 {std::u16string(1, c), u"a" + std::u16string(1, c) + u"\n",
                  u"\xD800" + std::u16string(1, c), std::u16string(1, c) + u"\xDC00"}) {
                if (DecodeBoxText(EncodeBoxText(text)) != text)
                    QFAIL(qPrintable(QStringLiteral("lost: ") + Show(text)));
            }
        }
    }

    void randomTextsSurvive() {
        QRandomGenerator random(20260513);
        for (int i = 0; i < 20000; ++i) {
            const std::u16string text = RandomText(random, random.bounded(1, 24));
            VerifyRoundTrip(text);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void theEditorSeesOnlyTheTextsOwnLineEnds() {
        // The editor ends a line at CR LF, at LF and at a lone CR. Encoded, a CR byte may only
        // stand before an LF byte, and there must be exactly one LF byte per line feed.
        QRandomGenerator random(7);
        for (int i = 0; i < 5000; ++i) {
            const std::u16string text = RandomText(random, random.bounded(1, 24));
            const std::string bytes = EncodeBoxText(text);
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                if (bytes[k] == '\r')
                    QVERIFY2(k + 1 < bytes.size() && bytes[k + 1] == '\n', qPrintable(Show(text)));
            }
            QCOMPARE(std::count(bytes.begin(), bytes.end(), '\n'),
                     std::count(text.begin(), text.end(), u'\n'));
        }
    }

    void splittingTheBufferGivesTheLinesOfSplittingItsText() {
        QRandomGenerator random(11);
        for (int i = 0; i < 5000; ++i) {
            std::u16string text = RandomText(random, random.bounded(0, 24));
            // Now and then a line long enough to be shown in rows, whose breaks hold line feeds.
            if (i % 50 == 0)
                text.insert(random.bounded(static_cast<int>(text.size()) + 1),
                            std::u16string(kBoxRowUnits * 2 + 1, u'x'));
            std::string bytes = EncodeBoxText(text);
            QVERIFY(BoxTextSizeBound(text) >= bytes.size());
            QVERIFY(BoxTextSizeBound(text) <= bytes.size() + text.size() + 3);
            // Cut forms as an edit leaves them, next to line ends and row marks.
            if (i % 3 == 0)
                bytes.insert(random.bounded(static_cast<int>(bytes.size()) + 1),
                             i % 2 ? "\xE3\n\xED\xA0" : "\n\xFF\n");
            SplitContentLines(DecodeBoxText(bytes));
            LineList lines{u"kept"};
            SplitBoxText(bytes, lines, nullptr);
            QVERIFY2(lines[0] == u"kept", qPrintable(Show(DecodeBoxText(bytes))));
            QVERIFY2(std::equal(lines.begin() + 1, lines.end(), g_vTextLines.begin(),
                                g_vTextLines.end()),
                     qPrintable(Show(DecodeBoxText(bytes))));
        }
    }

    void ordinaryTextIsOrdinaryUtf8() {
        // What a user types or pastes arrives as UTF-8 and must read back as the same text.
        const QString samples[] = {
            QStringLiteral("plain ASCII\r\nline two\n"),
            QStringLiteral("日本語のテキスト、全角ＡＢＣ、半角ｱｲｳ\r\n"),
            QString::fromUtf16(u"emoji \xD83D\xDE00 and \x00E9\x00E8 \x0800\xFFFD"),
        };
        for (const QString& sample : samples) {
            const std::u16string text = sample.toStdU16String();
            const QByteArray utf8 = sample.toUtf8();
            QCOMPARE(QByteArray::fromStdString(EncodeBoxText(text)), utf8);
            QVERIFY(DecodeBoxText(std::string_view(utf8.constData(), utf8.size())) == text);
        }
    }

    void longLinesAreShownInRowsAndComeBackWhole() {
        // Line ends and a surrogate pair placed where a row would end.
        constexpr std::size_t kRow = kBoxRowUnits;
        for (const std::u16string& cut : {std::u16string(u"\r\n"), std::u16string(u"\n"),
                                          std::u16string(u"\xD83D\xDE00"), std::u16string(u"\r")}) {
            const std::u16string text = std::u16string(kRow - 1, u'\u3042') + cut +
                                        std::u16string(2 * kRow + 7, u'x') + u"\r\nshort\r\n";
            VerifyRoundTrip(text);
            const std::string bytes = EncodeBoxText(text);
            std::size_t rowStart = 0;
            for (std::size_t k = 0; k <= bytes.size(); ++k) {
                if (k == bytes.size() || bytes[k] == '\n') {
                    QVERIFY(k - rowStart <= 3 * kRow + 8); // at most kRow units and the marks
                    QVERIFY(k == rowStart || k - rowStart > 2 || bytes[rowStart] != kBoxRowMark);
                    rowStart = k + 1;
                }
            }
            QVERIFY(std::count(bytes.begin(), bytes.end(), '\n') >= 3);
        }
    }

    void onlyAnIntactRowBreakIsNoLineFeed_data() {
        // The bytes of "az" in two rows, edited; the Enter at either end of a row first.
        QTest::addColumn<QByteArray>("edited");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const char* bytes, const char16_t* text) {
            QTest::newRow(name) << QByteArray(bytes) << QString::fromUtf16(text);
        };
        row("line feed before the break", "a\n\xFF\n\xFFz", u"a\nz");
        row("line feed after the break", "a\xFF\n\xFF\nz", u"a\nz");
        row("untouched", "a\xFF\n\xFFz", u"az");
        row("typed inside the break", "a\xFFx\n\xFFz", u"ax\nz");
        row("one mark left", "a\n\xFFz", u"a\nz");
        row("marks without the line feed", "a\xFF\xFFz", u"az");
        row("breaks taken from the start", "a\xFF\n\xFF\n\xFFz", u"a\nz");
        row("two breaks in a row", "a\xFF\n\xFF\xFF\n\xFFz", u"az");
    }
    void onlyAnIntactRowBreakIsNoLineFeed() {
        QFETCH(QByteArray, edited);
        QFETCH(QString, text);
        QVERIFY(DecodeBoxText(std::string_view(edited.constData(), edited.size())) ==
                text.toStdU16String());
    }

    void fragmentsOfTheSpecialFormsBecomeReplacementCharacters() {
        // An edit can delete one byte of an unpaired surrogate's three; the rest is not text.
        QVERIFY(DecodeBoxText("a\xA0\x80z") == u"a\xFFFD\xFFFDz");
        QVERIFY(DecodeBoxText("\xED\xA0") == u"\xFFFD\xFFFD");
        QVERIFY(DecodeBoxText("\xC0\x8D") == u"\xFFFD\xFFFD"); // an overlong CR is not a CR
        QVERIFY(DecodeBoxText("\xF4\x90\x80\x80") == u"\xFFFD\xFFFD\xFFFD\xFFFD"); // above U+10FFFF
        QVERIFY(DecodeBoxText("\xFE") == u"\r");
    }
};

QTEST_APPLESS_MAIN(BoxTextCodecTest)
#include "BoxTextCodecTest.moc"
