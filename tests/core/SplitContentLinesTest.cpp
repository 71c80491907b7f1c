#include "core/document/DocumentState.h"
#include "core/document/DocumentRun.h"
#include "core/document/RunSummary.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = LineList;

Lines Split(const std::u16string& text) {
    SplitContentLines(text);
    EXPECT_EQ(g_nLineCount, static_cast<int>(g_vTextLines.size()));
    return g_vTextLines;
}

// The splitting rules spelled out one character at a time: every line feed ends a line whose
// trailing carriage returns are dropped, and a non-empty segment after the last line feed is a
// last line, trimmed the same way.
Lines SplitOneByOne(const std::u16string& text) {
    Lines lines;
    std::u16string segment;
    auto finish = [&] {
        while (!segment.empty() && segment.back() == u'\r')
            segment.pop_back();
        lines.push_back(segment);
        segment.clear();
    };
    for (char16_t c : text) {
        if (c == u'\n')
            finish();
        else
            segment.push_back(c);
    }
    if (!segment.empty())
        finish();
    return lines;
}

TEST(SplitLineEnds, EveryLineFeedEndsOneLine) {
    EXPECT_EQ(Split(u"a\r\nb\r\nc\r\n"), (Lines{u"a", u"b", u"c"}));
    EXPECT_EQ(Split(u"a\nb\n"), (Lines{u"a", u"b"}));
    EXPECT_EQ(Split(u"\n\n\n"), (Lines{u"", u"", u""}));
}

TEST(SplitLineEnds, AllTrailingCarriageReturnsGo) {
    EXPECT_EQ(Split(u"a\r\r\nb\n"), (Lines{u"a", u"b"}));
    EXPECT_EQ(Split(u"\r\r\r\n"), (Lines{u""}));
}

TEST(SplitLineEnds, CarriageReturnInsideALineStays) {
    EXPECT_EQ(Split(u"a\rb\r\n"), (Lines{u"a\rb"}));
    EXPECT_EQ(Split(u"\ra\n"), (Lines{u"\ra"}));
}

TEST(SplitLineEnds, EmptyLinesAreCounted) {
    EXPECT_EQ(Split(u"\r\n\r\n"), (Lines{u"", u""}));
    EXPECT_EQ(g_nLineCount, 2);
}

TEST(SplitLineEnds, SpacesAndTabsArePartOfTheLine) {
    EXPECT_EQ(Split(u"a \r\n\t\r\n \n"), (Lines{u"a ", u"\t", u" "}));
}

TEST(SplitFinalSegment, TextAfterTheLastLineFeedIsALastLine) {
    EXPECT_EQ(Split(u"a\r\nb"), (Lines{u"a", u"b"}));
    EXPECT_EQ(Split(u"a\r\nb\r"), (Lines{u"a", u"b"}));
}

TEST(SplitFinalSegment, TextWithoutLineFeedIsOneLine) {
    EXPECT_EQ(Split(u"only"), (Lines{u"only"}));
    EXPECT_EQ(Split(u"x\ry\r\r"), (Lines{u"x\ry"}));
}

TEST(SplitFinalSegment, CarriageReturnsAloneAfterTheLastLineFeedAreAnEmptyLine) {
    // Like "\r\n" in the middle of a text: a line of carriage returns that trims to nothing.
    EXPECT_EQ(Split(u"a\n\r"), (Lines{u"a", u""}));
}

TEST(SplitFinalSegment, EmptyTextHasNoLines) {
    EXPECT_EQ(Split(u""), Lines{});
    EXPECT_EQ(g_nLineCount, 0);
}

TEST(SplitState, ReplacesTheLinesOfTheLastSplit) {
    Split(u"one\ntwo\nthree\n");
    EXPECT_EQ(Split(u"four\n"), (Lines{u"four"}));
    EXPECT_EQ(g_nLineCount, 1);
}

TEST(SplitState, LeavesTheOtherListsAndTheFailureFlagAlone) {
    g_vFileLines = {u"file"};
    g_vResultLines = {u"result"};
    g_nError = 1;
    Split(u"x\ny\n");
    EXPECT_EQ(g_vFileLines, Lines{u"file"});
    EXPECT_EQ(g_vResultLines, Lines{u"result"});
    EXPECT_EQ(g_nError, 1);
    g_nError = 0;
    g_vFileLines.clear();
    g_vResultLines.clear();
}

TEST(SplitCodeUnits, OnlyU000AIsALineFeed) {
    // Units that share a byte with U+000A, other line breaks of Unicode, and the units around it.
    const std::u16string text = u"\u0A0A\u010A\u0A00\u8A0A\u000B\u0009\u2028\u0085\u000C\n";
    EXPECT_EQ(Split(text), Lines{text.substr(0, text.size() - 1)});
}

TEST(SplitCodeUnits, NulAndSurrogatesAreOrdinaryUnits) {
    const std::u16string withNul(u"a\0b", 3);
    EXPECT_EQ(Split(withNul + u"\n\xD800\n"), (Lines{withNul, u"\xD800"}));
}

TEST(SplitCodeUnits, AgreesWithOneByOneSplitOnRandomTexts) {
    // Line feeds land at every offset of the four-unit search, among units that resemble them.
    const std::u16string alphabet = u"\n\n\r\ra\u0A0A\u010A\u0A00\u000B\u3042";
    std::mt19937 random(20240501);
    for (int round = 0; round < 5000; ++round) {
        std::u16string text(random() % 40, u' ');
        for (char16_t& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(Split(text), SplitOneByOne(text)) << "round " << round;
    }
}

TEST(SplitCodeUnits, LongLinesKeepEveryUnit) {
    std::u16string line;
    for (int i = 0; i < 100000; ++i)
        line.push_back(static_cast<char16_t>(u'A' + i % 26));
    EXPECT_EQ(Split(line + u"\r\n" + line), (Lines{line, line}));
}

// A lone CR is part of its line; a text whose line ends all seem to be lone CRs is told so.
TEST(LoneCrNoteTest, ComesWithTextsOfLoneCrsAlone) {
    for (const std::u16string noted :
         {u"a\rb\rc", u"a\rb\r", u"\r\r", u"a\rb\rc\r\n", u"a\rb\r\r\n"})
        EXPECT_TRUE(EndsLinesInLoneCrs(noted)) << noted.size();
    for (const std::u16string plain : {u"a\rb", u"a\rb\r\n", u"a\rb\rc\nd", u"a\nb\rc\r", u""})
        EXPECT_FALSE(EndsLinesInLoneCrs(plain)) << plain.size();
}

} // namespace
