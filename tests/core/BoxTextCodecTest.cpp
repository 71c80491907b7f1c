// The text boxes' byte forms: every UTF-16 text must come back unchanged, the editor must never
// see a line end the text does not have, and ordinary text must be ordinary UTF-8.
#include "core/lines/BoxTextCodec.h"

#include "core/document/DocumentRun.h"
#include "core/document/DocumentState.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::string Show(std::u16string_view text) {
    std::string shown;
    for (const char16_t unit : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x ", unsigned{unit});
        shown += hex;
    }
    return shown;
}

void ExpectRoundTrip(std::u16string_view text) {
    const std::u16string back = DecodeBoxText(EncodeBoxText(text));
    EXPECT_EQ(back, text) << Show(text) << " came back as " << Show(back);
}

// A random text over units that stress the forms: line ends, surrogates of both halves, NUL,
// the separators and characters of every UTF-8 length.
std::u16string RandomText(std::mt19937& random, std::size_t maxLength, std::size_t minLength = 1) {
    static constexpr char16_t kUnits[] = {u'a',   u'\r',  u'\n',  u'\0',  0x2028, 0x2029,
                                          0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x00E9, 0x3042,
                                          0xFFFD, 0xFFFF, 0x007F, 0x0080, 0x07FF, 0x0800};
    std::u16string text(minLength + random() % (maxLength - minLength), u' ');
    for (char16_t& unit : text)
        unit = kUnits[random() % std::size(kUnits)];
    return text;
}

TEST(BoxTextCodec, KeepsCharactersPlainUtf8CannotHoldInALine) {
    for (const std::u16string_view text :
         {std::u16string_view(u"a\rb\r\n"), // carriage return inside a line
          std::u16string_view(u"a\r"),       // ... at the very end
          std::u16string_view(u"\r\r\n\r"),  // before a CR LF, and alone
          std::u16string_view(u"N\0L\r\n", 5), std::u16string_view(u"a\u2028b\u2029c\r\n"),
          std::u16string_view(u"\xD800"),       // unpaired high surrogate
          std::u16string_view(u"x\xDC00y"),     // unpaired low surrogate
          std::u16string_view(u"\xDC00\xD800"), // a pair in the wrong order: two unpaired halves
          std::u16string_view(u"\xD83D\xDE00"), std::u16string_view(u"\xD800\xD83D\xDE00\xDFFF"),
          std::u16string_view(u"")})
        ExpectRoundTrip(text);
}

TEST(BoxTextCodec, EveryCodeUnitSurvivesInEveryNeighbourhood) {
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const std::u16string c(1, static_cast<char16_t>(unit));
        for (const std::u16string& text : {c, u"a" + c + u"\n", u"\xD800" + c, c + u"\xDC00"})
            ASSERT_EQ(DecodeBoxText(EncodeBoxText(text)), text) << "lost: " << Show(text);
    }
}

TEST(BoxTextCodec, RandomTextsSurviveAndShowTheEditorOnlyTheirOwnLineEnds) {
    // The editor ends a line at CR LF, at LF and at a lone CR. Encoded, a CR byte may only stand
    // before an LF byte, and there must be exactly one LF byte per line feed.
    std::mt19937 random(20260513);
    for (int i = 0; i < 20000; ++i) {
        const std::u16string text = RandomText(random, 24);
        const std::string bytes = EncodeBoxText(text);
        ASSERT_EQ(DecodeBoxText(bytes), text) << Show(text);
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            if (bytes[k] == '\r') {
                ASSERT_TRUE(k + 1 < bytes.size() && bytes[k + 1] == '\n') << Show(text);
            }
        }
        ASSERT_EQ(std::count(bytes.begin(), bytes.end(), '\n'),
                  std::count(text.begin(), text.end(), u'\n'));
    }
}

TEST(BoxTextCodec, SplittingTheBufferGivesTheLinesOfSplittingItsText) {
    std::mt19937 random(11);
    for (int i = 0; i < 5000; ++i) {
        std::u16string text = RandomText(random, 24, 0);
        // Now and then a line long enough to be shown in rows, whose breaks hold line feeds.
        if (i % 50 == 0)
            text.insert(random() % (text.size() + 1), std::u16string(kBoxRowUnits * 2 + 1, u'x'));
        std::string bytes = EncodeBoxText(text);
        ASSERT_GE(BoxTextSizeBound(text), bytes.size());
        ASSERT_LE(BoxTextSizeBound(text), bytes.size() + text.size() + 3);
        // Cut forms as an edit leaves them, next to line ends and row marks.
        if (i % 3 == 0)
            bytes.insert(random() % (bytes.size() + 1), i % 2 ? "\xE3\n\xED\xA0" : "\n\xFF\n");
        SplitContentLines(DecodeBoxText(bytes));
        LineList lines{u"kept"};
        SplitBoxText(bytes, lines, nullptr);
        ASSERT_EQ(lines[0], u"kept");
        ASSERT_TRUE(std::equal(lines.begin() + 1, lines.end(), g_vTextLines.begin(),
                               g_vTextLines.end()))
            << Show(DecodeBoxText(bytes));
    }
}

TEST(BoxTextCodec, ABoxJustLoadedSplitsIntoItsLinesExactlyWhenSaid) {
    std::mt19937 random(29);
    int said = 0;
    for (int i = 0; i < 3000; ++i) {
        LineList lines; // as a reader gives them: anything but a line feed
        std::string bytes;
        for (std::size_t n = random() % 6; n > 0; --n) {
            std::u16string line = RandomText(random, 8, 0) +
                                  (i % 40 ? u"" : u"long" + std::u16string(kBoxRowUnits, u'x'));
            std::erase(line, u'\n');
            lines.push_back(line);
            bytes += EncodeBoxText(line + u"\r\n");
        }
        LineList split;
        SplitBoxText(bytes, split, nullptr);
        ASSERT_EQ(SplitGivesLoadedLines(lines), split == lines) << Show(DecodeBoxText(bytes));
        said += SplitGivesLoadedLines(lines);
    }
    EXPECT_TRUE(said > 300 && said < 2700); // both answers were put to the test
}

TEST(BoxTextCodec, OrdinaryTextIsOrdinaryUtf8) {
    // What a user types or pastes arrives as UTF-8 and must read back as the same text; the
    // compiler encodes each sample both ways.
    const std::pair<std::u16string_view, std::u8string_view> samples[] = {
        {u"plain ASCII\r\nline two\n", u8"plain ASCII\r\nline two\n"},
        {u"日本語のテキスト、全角ＡＢＣ、半角ｱｲｳ\r\n", u8"日本語のテキスト、全角ＡＢＣ、半角ｱｲｳ\r\n"},
        {u"emoji \U0001F600 and \u00E9\u00E8 \u0800\uFFFD",
         u8"emoji \U0001F600 and \u00E9\u00E8 \u0800\uFFFD"},
    };
    for (const auto& [text, utf8] : samples) {
        const std::string bytes(utf8.begin(), utf8.end());
        EXPECT_EQ(EncodeBoxText(text), bytes);
        EXPECT_EQ(DecodeBoxText(bytes), text);
    }
}

TEST(BoxTextCodec, LongLinesAreShownInRowsAndComeBackWhole) {
    // Line ends and a surrogate pair placed where a row would end.
    constexpr std::size_t kRow = kBoxRowUnits;
    for (const std::u16string& cut : {std::u16string(u"\r\n"), std::u16string(u"\n"),
                                      std::u16string(u"\xD83D\xDE00"), std::u16string(u"\r")}) {
        const std::u16string text = std::u16string(kRow - 1, u'\u3042') + cut +
                                    std::u16string(2 * kRow + 7, u'x') + u"\r\nshort\r\n";
        ExpectRoundTrip(text);
        const std::string bytes = EncodeBoxText(text);
        std::size_t rowStart = 0;
        for (std::size_t k = 0; k <= bytes.size(); ++k) {
            if (k == bytes.size() || bytes[k] == '\n') {
                EXPECT_LE(k - rowStart, 3 * kRow + 8); // at most kRow units and the marks
                EXPECT_TRUE(k == rowStart || k - rowStart > 2 || bytes[rowStart] != kBoxRowMark);
                rowStart = k + 1;
            }
        }
        EXPECT_GE(std::count(bytes.begin(), bytes.end(), '\n'), 3);
    }
}

struct EditedBreak {
    const char* name;
    std::string_view edited; // the bytes of "az" in two rows, edited
    std::u16string_view text;
};

class RowBreakEditTest : public ::testing::TestWithParam<EditedBreak> {};

TEST_P(RowBreakEditTest, OnlyAnIntactRowBreakIsNoLineFeed) {
    EXPECT_EQ(DecodeBoxText(GetParam().edited), GetParam().text);
}

// Enter at either end of a row first.
INSTANTIATE_TEST_SUITE_P(
    Edits, RowBreakEditTest,
    ::testing::Values(EditedBreak{"LineFeedBeforeTheBreak", "a\n\xFF\n\xFFz", u"a\nz"},
                      EditedBreak{"LineFeedAfterTheBreak", "a\xFF\n\xFF\nz", u"a\nz"},
                      EditedBreak{"Untouched", "a\xFF\n\xFFz", u"az"},
                      EditedBreak{"TypedInsideTheBreak", "a\xFFx\n\xFFz", u"ax\nz"},
                      EditedBreak{"OneMarkLeft", "a\n\xFFz", u"a\nz"},
                      EditedBreak{"MarksWithoutTheLineFeed", "a\xFF\xFFz", u"az"},
                      EditedBreak{"BreaksTakenFromTheStart", "a\xFF\n\xFF\n\xFFz", u"a\nz"},
                      EditedBreak{"TwoBreaksInARow", "a\xFF\n\xFF\xFF\n\xFFz", u"az"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoxTextCodec, FragmentsOfTheSpecialFormsBecomeReplacementCharacters) {
    // An edit can delete one byte of an unpaired surrogate's three; the rest is not text.
    EXPECT_EQ(DecodeBoxText("a\xA0\x80z"), u"a\xFFFD\xFFFDz");
    EXPECT_EQ(DecodeBoxText("\xED\xA0"), u"\xFFFD\xFFFD");
    EXPECT_EQ(DecodeBoxText("\xC0\x8D"), u"\xFFFD\xFFFD"); // an overlong CR is not a CR
    EXPECT_EQ(DecodeBoxText("\xF4\x90\x80\x80"), u"\xFFFD\xFFFD\xFFFD\xFFFD"); // above U+10FFFF
    EXPECT_EQ(DecodeBoxText("\xFE"), u"\r");
}

} // namespace
