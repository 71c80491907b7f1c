// A box's text loaded beside the making of its lines is the text that loading them afterwards
// gives, however the lines come and however wrong the guess at the text's size.
#include "core/base/OperationProgress.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineList.h"
#include "platform/BoxTextFeed.h"
#include "platform/Edit.h"

#include <QTest>
#include <random>
#include <string>

namespace {

// Lines of every kind the buffer has a form for, mixed at random: ASCII, Japanese, characters
// outside the BMP, lone carriage returns, unpaired surrogates, NUL, empty and long lines.
LineList MixedLines(std::size_t count) {
    const std::u16string pieces[] = {u"line ", u"日本語の行", u"\U0001F600", u"\r",
                                     std::u16string(1, u'\xD800'), std::u16string(1, u'\0'),
                                     u"\u2028", u"ｶﾀｶﾅ"};
    std::mt19937 random(20261208);
    LineList lines;
    for (std::size_t i = 0; i < count; ++i) {
        std::u16string line;
        const std::size_t length = random() % 97 == 0 ? kBoxRowUnits * 2 + 5 : random() % 12;
        while (line.size() < length)
            line += pieces[random() % std::size(pieces)];
        lines.push_back(line);
    }
    return lines;
}

} // namespace

class BoxTextFeedTest : public QObject {
    Q_OBJECT

private slots:
    void loadsWhatLoadLinesLoads_data() {
        QTest::addColumn<int>("linesPerOffer");
        QTest::addColumn<double>("shareClaimed"); // times the share really taken
        QTest::newRow("share as taken") << 1000 << 1.0;
        QTest::newRow("share overstated, the buffer grows") << 1000 << 8.0;
        QTest::newRow("share understated, the buffer is too large") << 700 << 0.25;
        QTest::newRow("size not known, all loaded at the end") << 1000 << 0.0;
        QTest::newRow("every line offered on its own") << 1 << 1.0;
        QTest::newRow("no offer before the end") << 1 << -1.0;
    }
    void loadsWhatLoadLinesLoads() {
        QFETCH(int, linesPerOffer);
        QFETCH(double, shareClaimed);
        const LineList all = MixedLines(20'000);
        CEdit plain, fed;
        plain.TakeText(plain.LoadLines(all, all.size(), u"\r\n", nullptr));

        OperationProgress progress;
        BoxTextFeed feed(fed, u"\r\n", &progress);
        LineList lines; // growing as a reader's list does, while the feed holds views of it
        for (std::size_t i = 0; i < all.size(); ++i) {
            lines.push_back(all[i]);
            if (shareClaimed >= 0 && lines.size() % static_cast<std::size_t>(linesPerOffer) == 0)
                feed.Offer(lines, shareClaimed * static_cast<double>(lines.size()) /
                                      static_cast<double>(all.size()));
        }
        fed.TakeText(feed.Finish(lines));
        QVERIFY(fed.TextBytes() == plain.TextBytes());
        QVERIFY(fed.GetWindowText() == plain.GetWindowText());
    }

    void stopsWhenAskedAndWhenTheEditorFails_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("no room for the buffer") << false;
    }
    void stopsWhenAskedAndWhenTheEditorFails() {
        QFETCH(bool, cancel);
        const LineList all = MixedLines(3'000);
        CEdit box;
        box.SetWindowText(u"kept");
        OperationProgress progress;
        BoxTextFeed feed(box, u"\r\n", &progress);
        LineList lines;
        for (std::size_t i = 0; i < all.size(); ++i) {
            lines.push_back(all[i]);
            if (i == 1000)
                feed.Offer(lines, cancel ? 0.3 : 1e-30); // the latter asks for exabytes
            if (i == 2000 && cancel)
                progress.RequestCancel();
        }
        if (cancel)
            QVERIFY_THROWS_EXCEPTION(OperationCancelled, feed.Finish(lines));
        else
            QVERIFY_THROWS_EXCEPTION(std::bad_alloc, feed.Finish(lines));
        QVERIFY(box.GetWindowText() == u"kept");
    }
};

QTEST_MAIN(BoxTextFeedTest)
#include "BoxTextFeedTest.moc"
