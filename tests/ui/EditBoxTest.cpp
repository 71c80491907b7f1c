// The multi-line text box on its own: exact text in and out, what the editor shows as lines,
// what typing, pasting, copying, Tab and undo do.
#include "core/base/OperationProgress.h"
#include "core/encoding/TextCodecs.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/JoinLines.h"
#include "core/lines/LineBytes.h"
#include "platform/BoxTextFeed.h"
#include "platform/Edit.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <random>

namespace {

template <std::size_t N> std::u16string Text(const char16_t (&literal)[N]) {
    return std::u16string(literal, N - 1);
}

long LineCount(const CEdit& box) {
    return box.SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
}

QString Representation(const CEdit& box, const char* character) {
    char shown[32] = {};
    box.SendScintilla(QsciScintillaBase::SCI_GETREPRESENTATION, character, shown);
    return QString::fromUtf8(shown);
}

// Lines of Japanese and ASCII with every character the box holds in a form of its own, and now
// and then one long enough for rows; an unpaired surrogate (no UTF-8) in one of surrogateOneIn.
LineList RandomLines(std::mt19937& random, int count, unsigned surrogateOneIn) {
    const std::u16string pieces[] = {u"line ", u"日本語の行", u"\U0001F600",
                                     u"\r",    {u'\0'},       {u'\xD800'}};
    LineList lines;
    for (int i = 0; i < count; ++i) {
        std::u16string line;
        const std::size_t kinds = std::size(pieces) - (random() % surrogateOneIn != 0);
        while (line.size() < (random() % 97 == 0 ? kBoxRowUnits * 2 + 5 : random() % 12))
            line += pieces[random() % kinds];
        lines.push_back(line);
    }
    return lines;
}

} // namespace

class EditBoxTest : public QObject {
    Q_OBJECT

    QWidget* m_window = nullptr;
    CEdit* m_box = nullptr;
    CEdit* m_next = nullptr; // the control after the box in the tab order

private slots:
    void init() {
        m_window = new QWidget;
        m_box = new CEdit(m_window);
        m_next = new CEdit(m_window);
        m_box->setGeometry(0, 0, 300, 200);
        m_next->setGeometry(0, 200, 300, 100);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_box->setFocus();
    }
    void cleanup() { delete m_window; }

    void givesBackExactlyWhatItWasGiven() {
        const std::u16string samples[] = {
            Text(u"a\rb\r\nN\0L\r\n\u2028\u2029\r\n\xD800x\xDC00\r\nz\r\r\n"),
            Text(u"\r"),
            Text(u"no line end at all"),
            Text(u"\xD83D\xDE00 pair, \xDE00\xD83D reversed halves\n"),
            {},
        };
        for (const std::u16string& text : samples) {
            m_box->SetWindowText(text);
            QVERIFY(m_box->GetWindowText() == text);
            m_box->setReadOnly(true); // a read-only box takes and keeps text all the same
            m_box->SetWindowText(text);
            QVERIFY(m_box->GetWindowText() == text);
            QVERIFY(m_box->isReadOnly());
            m_box->setReadOnly(false);
        }
    }

    void onlyLineEndsMakeLinesAndSpecialCharactersShow() {
        m_box->SetWindowText(u"a\rb\u2028c\u2029d\r\ne\n");
        QCOMPARE(LineCount(*m_box), 3L); // "a CR b LS c PS d", "e", and the empty last line
        QCOMPARE(Representation(*m_box, std::string(1, kBoxLoneCarriageReturn).c_str()),
                 QStringLiteral("CR"));
        QCOMPARE(Representation(*m_box, "\xE2\x80\xA8"), QStringLiteral("LS"));
        QCOMPARE(Representation(*m_box, "\xE2\x80\xA9"), QStringLiteral("PS"));
    }

    void typedAndPastedLineBreaksAreLineFeeds() {
        QTest::keyClicks(m_box, "ab");
        QTest::keyClick(m_box, Qt::Key_Return);
        QTest::keyClick(m_box, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(m_box->GetWindowText() == u"ab\n\n");
        // Pasted text is box text as loaded text is: a lone CR stays in its line.
        QApplication::clipboard()->setText(QStringLiteral("x\ry\r\nz\n"));
        QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == u"ab\n\nx\ry\nz\n");
        QCOMPARE(LineCount(*m_box), 5L);
    }

    void copyCarriesTheExactText_data() {
        QTest::addColumn<QString>("first"); // the first character, which no mark reading may take
        for (const char16_t first : {u'z', u'\uFEFF', u'\uFFFE'})
            QTest::newRow(qPrintable(QString::number(first, 16))) << QString(QChar(first));
    }
    void copyCarriesTheExactText() {
        // (A NUL is the one exception: the editor copies it as a space.)
        QFETCH(QString, first);
        const std::u16string rest = Text(u"a\rb\u2028c\xD800\r\n");
        m_box->SetWindowText(first.toStdU16String() + rest);
        QTest::keyClick(m_box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), first + QString::fromStdU16String(rest));
    }

    void tabMovesOnCtrlTabTypesATab() {
        QTest::keyClick(m_box, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_next);
        QTest::keyClick(m_next, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), m_box);
        QVERIFY(m_box->GetWindowText().empty());
        QTest::keyClick(m_box, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == u"\t");
        QCOMPARE(QApplication::focusWidget(), m_box);
    }

    void readOnlyBoxTakesNoTyping() {
        m_box->SetWindowText(u"fixed");
        m_box->setReadOnly(true);
        QTest::keyClicks(m_box, "xyz");
        QTest::keyClick(m_box, Qt::Key_Return);
        QTest::keyClick(m_box, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == u"fixed");
    }

    void settingTheTextIsNotAnEditToUndo() {
        m_box->SetWindowText(u"loaded\r\n");
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == u"loaded\r\n");
        QTest::keyClick(m_box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(m_box, "more");
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == u"loaded\r\n");
    }

    void takesLinesFromALoaderAsTheirJoinedText() {
        const std::vector<std::u16string> lines = {Text(u"a\rb"),
                                                   Text(u"N\0L"),
                                                   Text(u"ends in CR\r"),
                                                   Text(u"\xD800"),
                                                   {},
                                                   Text(u"\xD83D\xDE00 \u3042\u2028"),
                                                   Text(u"\xDC00"),
                                                   std::u16string(kBoxRowUnits * 3, u'\u3042'),
                                                   Text(u"not shown")};
        const std::size_t count = lines.size() - 1;
        m_box->SetWindowText(u"before");
        { BoxTextLoader dropped = m_box->LoadLines(lines, count, u"\r\n", nullptr); }
        QVERIFY(m_box->GetWindowText() == u"before");

        m_box->setReadOnly(true);
        m_box->TakeText(m_box->LoadLines(lines, count, u"\r\n", nullptr));
        QVERIFY(m_box->GetWindowText() == JoinLines(lines, count, u"\r\n"));
        QVERIFY(m_box->isReadOnly());
        QCOMPARE(LineCount(*m_box), static_cast<long>(count) + 1 + 2); // and two row breaks
        QCOMPARE(Representation(*m_box, std::string(1, kBoxLoneCarriageReturn).c_str()),
                 QStringLiteral("CR"));

        // The new text is the box's own, as SetWindowText would leave it.
        m_box->setReadOnly(false);
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == JoinLines(lines, count, u"\r\n"));
        QTest::keyClick(m_box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(m_box, "ok");
        QTest::keyClick(m_box, Qt::Key_Return);
        QVERIFY(m_box->GetWindowText() == JoinLines(lines, count, u"\r\n") + u"ok\n");
        // ...and the user's edits to it can be undone, back to the loaded text.
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_box->GetWindowText() == JoinLines(lines, count, u"\r\n"));
    }

    // A text loaded beside the making of its lines is the text loading them afterwards gives,
    // however wrong the guess at its size, for lines of units and for lines kept as bytes whose
    // buffer moves as they are added; a stop or a failure leaves the box as it was.
    void loadsBesideItsMakingWhatLoadLinesLoads_data() {
        QTest::addColumn<bool>("asBytes");
        QTest::addColumn<int>("linesPerOffer");
        QTest::addColumn<double>("shareClaimed"); // times the share really taken
        QTest::addColumn<int>("end"); // 0 the text, 1 cancelled, 2 out of memory, 3 bytes dropped
        for (const bool asBytes : {false, true}) {
            const auto row = [asBytes](const char* name) -> QTestData& {
                return QTest::addRow("%s, %s", asBytes ? "bytes" : "units", name) << asBytes;
            };
            row("share as taken") << 1000 << 1.0 << 0;
            row("share overstated, the buffer grows") << 1000 << 8.0 << 0;
            row("share understated, the buffer too large") << 700 << 0.25 << 0;
            row("size not known, all loaded at the end") << 1000 << 0.0 << 0;
            row("every line offered on its own") << 1 << 1.0 << 0;
            row("cancelled") << 1000 << 1.0 << 1;
            row("no room for the buffer") << 1000 << 1e-30 << 2; // exabytes
        }
        QTest::addRow("bytes dropped halfway, then units") << true << 1000 << 1.0 << 3;
    }
    void loadsBesideItsMakingWhatLoadLinesLoads() {
        QFETCH(bool, asBytes);
        QFETCH(int, linesPerOffer);
        QFETCH(double, shareClaimed);
        QFETCH(int, end);
        std::mt19937 random(20261208);
        // Bytes only of well-formed UTF-8: no unpaired surrogate.
        const LineList all = RandomLines(random, 20'000, asBytes ? ~0U : 3000);
        m_next->TakeText(m_next->LoadLines(all, all.size(), u"\r\n", nullptr));
        m_box->SetWindowText(u"kept");
        OperationProgress progress;
        BoxTextFeed feed(*m_box, u"\r\n", &progress);
        // Growing as a reader's lines do, while the feed holds views or pieces of them: the
        // bytes from a little room, so that they move again and again.
        LineList lines;
        auto bytes = std::make_shared<LineBytes>();
        bytes->Reserve(64, 1);
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (asBytes && !(end == 3 && i >= all.size() / 2)) {
                std::string utf8(all[i].size() * 3, '\0');
                utf8.resize(
                    static_cast<std::size_t>(EncodeUtf8(all[i], utf8.data()) - utf8.data()));
                bytes->Add(utf8);
            } else {
                if (end == 3 && i == all.size() / 2) {
                    feed.Offer(std::shared_ptr<const LineBytes>(), 0);
                    for (std::size_t j = 0; j < i; ++j)
                        lines.push_back(all[j]);
                }
                lines.push_back(all[i]);
            }
            if ((i + 1) % static_cast<std::size_t>(linesPerOffer) == 0) {
                const double share =
                    shareClaimed * static_cast<double>(i + 1) / static_cast<double>(all.size());
                if (lines.empty())
                    feed.Offer(bytes, share);
                else
                    feed.Offer(lines, share);
            }
            if (end == 1 && i == all.size() / 2)
                progress.RequestCancel();
        }
        bytes->Finish();
        try {
            m_box->TakeText(feed.Finish(lines.empty() ? LineList(bytes) : lines));
        } catch (const OperationCancelled&) {
            QCOMPARE(end, 1);
        } catch (const std::bad_alloc&) {
            QCOMPARE(end, 2);
        }
        QVERIFY(end == 0 || end == 3 ? m_box->TextBytes() == m_next->TextBytes()
                                     : m_box->GetWindowText() == u"kept");
    }

    // Some of a box's lines copied from its buffer are those lines loaded: long lines in rows,
    // lone CRs, unpaired surrogates and empty lines among them, runs of them and single ones.
    void loadsLinesOfAnotherBoxAsTheLinesThemselves() {
        std::mt19937 random(22);
        const LineList all = RandomLines(random, 5'000, 1);
        m_next->TakeText(m_next->LoadLines(all, all.size(), u"\r\n", nullptr));
        for (const unsigned every : {1u, 2u, 7u}) {
            std::vector<std::uint32_t> indices;
            for (std::uint32_t i = 0; i < all.size(); ++i)
                if (random() % every == 0)
                    indices.push_back(i);
            m_box->TakeText(m_box->LoadLines(m_next->TextBytes(), indices, nullptr));
            const LineList picked = all.Pick(indices);
            QVERIFY(m_box->TextBytes() == EncodeBoxText(JoinLines(picked, picked.size(), u"\r\n")));
        }
    }

    // Lines kept as their UTF-8 bytes load as their units do: those of a form of the box's own
    // (lone CRs, rows) encoded, the rest copied; and a stop still leaves the box as it was.
    void loadsLinesKeptAsBytesAsTheirUnits() {
        std::mt19937 random(23);
        const LineList all = RandomLines(random, 20'000, ~0U); // no unpaired surrogate
        auto bytes = std::make_shared<LineBytes>();
        for (const std::u16string_view line : all) {
            std::string utf8(line.size() * 3, '\0');
            utf8.resize(static_cast<std::size_t>(EncodeUtf8(line, utf8.data()) - utf8.data()));
            bytes->Add(utf8);
        }
        const LineList kept(bytes);
        m_next->TakeText(m_next->LoadLines(all, all.size(), u"\r\n", nullptr));
        m_box->TakeText(m_box->LoadLines(kept, kept.size(), u"\r\n", nullptr));
        QVERIFY(m_box->TextBytes() == m_next->TextBytes());

        m_box->SetWindowText(u"kept");
        OperationProgress progress;
        progress.RequestCancel();
        QVERIFY_THROWS_EXCEPTION(OperationCancelled,
                                 m_box->LoadLines(kept, kept.size(), u"\r\n", &progress));
        QVERIFY(m_box->GetWindowText() == u"kept");
    }

    void takesALargeTextWhole() {
        std::u16string text;
        for (int i = 0; i < 200000; ++i)
            text += u"行 " + QString::number(i % 1000).toStdU16String() + u"\r\n";
        m_box->SetWindowText(text);
        QCOMPARE(LineCount(*m_box), 200001L);
        QVERIFY(m_box->GetWindowText() == text);
    }
};

QTEST_MAIN(EditBoxTest)
#include "EditBoxTest.moc"
