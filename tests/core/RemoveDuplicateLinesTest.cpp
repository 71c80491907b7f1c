#include "core/document/DocumentState.h"
#include "core/document/DocumentRun.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using Lines = LineList;

// What the Run command does with the content box text. Checks the count it returns against the
// list it leaves.
Lines RunCommand(const std::u16string& text) {
    const int kept = RemoveDuplicateContentLines(text);
    EXPECT_EQ(kept, static_cast<int>(g_vResultLines.size()));
    EXPECT_EQ(g_vWorkLines, g_vResultLines);
    return g_vResultLines;
}

TEST(DuplicateRemoval, KeepsFirstOccurrencesInOrder) {
    EXPECT_EQ(RunCommand(u"b\r\na\r\nb\r\nc\r\na\r\n"), (Lines{u"b", u"a", u"c"}));
    EXPECT_EQ(RunCommand(u"a\r\nb\r\na\r\n"), (Lines{u"a", u"b"}));
}

TEST(DuplicateRemoval, AllLinesEqualGiveThatLineOnce) {
    EXPECT_EQ(RunCommand(u"x\r\nx\r\nx\r\nx\r\n"), Lines{u"x"});
}

TEST(DuplicateRemoval, LetterCaseIsSignificant) {
    EXPECT_EQ(RunCommand(u"a\r\nA\r\na\r\n"), (Lines{u"a", u"A"}));
}

TEST(DuplicateRemoval, NoFoldingOfWidthOrNormalisation) {
    // Full-width A, half-width katakana ka, and e with a combining acute against precomposed é.
    EXPECT_EQ(RunCommand(u"A\n\uFF21\n\u30AB\n\uFF76\ne\u0301\n\u00E9\n"),
              (Lines{u"A", u"\uFF21", u"\u30AB", u"\uFF76", u"e\u0301", u"\u00E9"}));
}

TEST(DuplicateRemoval, SpacesAndTabsAreNotEmpty) {
    EXPECT_EQ(RunCommand(u" \r\n\t\r\n \r\na\r\na \r\n\t\r\n"), (Lines{u" ", u"\t", u"a", u"a "}));
}

TEST(DuplicateRemoval, EmptyLinesAreDroppedEvenWhenUnique) {
    EXPECT_EQ(RunCommand(u"\r\na\r\n\n\r\r\nb\r\n"), (Lines{u"a", u"b"}));
}

TEST(DuplicateRemoval, OnlyLineBreaksGiveNoResultButKeepTheLineCount) {
    EXPECT_EQ(RunCommand(u"\r\n\r\n"), Lines{});
    EXPECT_EQ(g_nLineCount, 2);
}

TEST(DuplicateRemoval, TrailingCarriageReturnsDoNotMakeALineDifferent) {
    EXPECT_EQ(RunCommand(u"a\r\r\nb\na\n"), (Lines{u"a", u"b"}));
}

TEST(DuplicateRemoval, CarriageReturnInsideALineMakesItDifferent) {
    EXPECT_EQ(RunCommand(u"a\rb\r\nab\r\na\rb\r\n"), (Lines{u"a\rb", u"ab"}));
}

TEST(DuplicateRemoval, FinalSegmentTakesPart) {
    EXPECT_EQ(RunCommand(u"a\r\nb\r\na"), (Lines{u"a", u"b"}));
    EXPECT_EQ(g_nLineCount, 3);
    EXPECT_EQ(RunCommand(u"a\r\nb\r\nc"), (Lines{u"a", u"b", u"c"}));
}

TEST(DuplicateRemoval, NulAndLoneSurrogatesCompareByCodeUnits) {
    const std::u16string nulA(u"\0a", 2);
    const std::u16string nulB(u"\0b", 2);
    EXPECT_EQ(RunCommand(nulA + u"\n" + nulB + u"\n" + nulA + u"\n\xD800\n\xDC00\n\xD800\n"),
              (Lines{nulA, nulB, u"\xD800", u"\xDC00"}));
}

TEST(DuplicateRemovalState, LineCountStillCountsTheSplitLines) {
    RunCommand(u"a\nb\na\n\n");
    EXPECT_EQ(g_nLineCount, 4);
}

TEST(DuplicateRemovalState, EmptyListGivesNothing) {
    g_nLineCount = 0;
    g_vResultLines.clear();
    g_vWorkLines = {u"left over"};
    EXPECT_EQ(RemoveDuplicateLines(), 0);
    EXPECT_TRUE(g_vResultLines.empty());
    EXPECT_TRUE(g_vWorkLines.empty());
}

TEST(DuplicateRemovalState, ReplacesThePreviousRunsCopy) {
    RunCommand(u"1\n2\n3\n4\n5\n");
    EXPECT_EQ(RunCommand(u"z\nz\n"), Lines{u"z"});
    EXPECT_EQ(g_vWorkLines, Lines{u"z"});
}

TEST(DuplicateRemovalState, RunningTwiceGivesTheSameResult) {
    const std::u16string text = u"q\r\nw\r\nq\r\n\r\ne\r\nw\r\n";
    const Lines first = RunCommand(text);
    EXPECT_EQ(RunCommand(text), first);
}

TEST(DuplicateRemovalState, LeavesTheTextLinesFileLinesAndFailureFlagAlone) {
    g_vFileLines = {u"file"};
    g_nError = 1;
    RunCommand(u"a\na\n");
    EXPECT_EQ(g_vTextLines, (Lines{u"a", u"a"}));
    EXPECT_EQ(g_vFileLines, Lines{u"file"});
    EXPECT_EQ(g_nError, 1);
    g_nError = 0;
    g_vFileLines.clear();
}

// Many lines that differ in one unit at every position, and lines that are prefixes of each
// other: the cases where a faulty table or comparison would merge lines or keep repeats.
TEST(DuplicateRemovalLarge, AgreesWithASetOfSeenLines) {
    std::mt19937 random(7);
    const std::u16string alphabet = u"ab\u3042";
    Lines lines;
    for (int i = 0; i < 300000; ++i) {
        std::u16string line(random() % 14, u'a');
        for (char16_t& c : line)
            c = alphabet[random() % alphabet.size()];
        lines.push_back(line);
    }
    Lines expected;
    std::unordered_set<std::u16string> seen;
    for (const auto& line : lines) {
        if (!line.empty() && seen.insert(std::u16string(line)).second)
            expected.push_back(line);
    }
    ASSERT_GT(expected.size(), 100000u);
    ASSERT_LT(expected.size(), lines.size() * 3 / 4);

    g_nLineCount = static_cast<int>(lines.size());
    g_vResultLines = lines;
    EXPECT_EQ(RemoveDuplicateLines(), static_cast<int>(expected.size()));
    EXPECT_EQ(g_vResultLines, expected);
    EXPECT_EQ(g_vWorkLines, expected);
    EXPECT_EQ(g_nLineCount, static_cast<int>(lines.size()));
}

} // namespace
