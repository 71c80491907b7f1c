// The encoding guess on whole files. The Japanese samples are the bytes Python's codecs write
// for them ('euc_jp', 'cp932', 'utf-16-le').
#include "core/encoding/EncodingGuess.h"

#include "core/encoding/EncodingChoices.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {

struct GuessCase {
    const char* name;
    std::string bytes;
    int expected;
    friend void PrintTo(const GuessCase& c, std::ostream* out) { *out << c.name; }
};

// "日本語" in UTF-8 and in code page 932; neither is valid in the other.
const std::string kUtf8Text = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n";
const std::string kCp932Text = "\x93\xFA\x96\x7B\x8C\xEA\r\n";
// "こんにちは、おげんきですか。" and "今朝は雨でした。" in EUC-JP: valid code page 932 as well,
// where they read as half-width katakana and user-defined characters.
const std::string kEucJpText = "\xA4\xB3\xA4\xF3\xA4\xCB\xA4\xC1\xA4\xCF\xA1\xA2\xA4\xAA\xA4\xB2"
                               "\xA4\xF3\xA4\xAD\xA4\xC7\xA4\xB9\xA4\xAB\xA1\xA3\n"
                               "\xBA\xA3\xC4\xAB\xA4\xCF\xB1\xAB\xA4\xC7\xA4\xB7\xA4\xBF\xA1\xA3\n";
// "今日は雨。" and a line feed in UTF-16LE: NUL bytes only in the line end.
const std::string kUtf16Text("\xCA\x4E\xE5\x65\x6F\x30\xE8\x96\x02\x30\r\0\n\0", 14);

class GuessEncodingTest : public testing::TestWithParam<GuessCase> {};

TEST_P(GuessEncodingTest, PicksTheEncodingTheBytesShow) {
    const GuessCase& c = GetParam();
    EXPECT_EQ(GuessEncoding(c.bytes), c.expected);
    // The same bytes fed in pieces of every small size, cutting characters apart.
    for (std::size_t piece = 1; piece <= 4; ++piece) {
        EncodingGuesser guesser;
        for (std::size_t i = 0; i < c.bytes.size(); i += piece)
            guesser.Feed(std::string_view(c.bytes).substr(i, piece));
        EXPECT_EQ(guesser.Finish(), c.expected) << piece;
    }
}

const int kAnsi = 0, kUtf8 = 1, kUtf16LE = 2, kUtf8NoMark = 3, kEucJp = 4;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, GuessEncodingTest, testing::Values(
    GuessCase{"Utf8Mark", "\xEF\xBB\xBF" "abc" + kUtf8Text, kUtf8},
    GuessCase{"Utf16Mark", std::string("\xFF\xFE" "a\0", 4), kUtf16LE},
    GuessCase{"AsciiUtf16WithoutMark", std::string("a\0b\0\r\0\n\0", 8), kUtf16LE},
    GuessCase{"JapaneseUtf16WithoutMark", kUtf16Text + kUtf16Text, kUtf16LE},
    GuessCase{"OddSizedIsNotUtf16", std::string("a\0b\0c", 5), -1},
    GuessCase{"Utf8WithoutMark", "abc " + kUtf8Text, kUtf8NoMark},
    GuessCase{"Utf8AfterOneAndAHalfMegabytes", std::string(1'500'000, 'a') + kUtf8Text, kUtf8NoMark},
    GuessCase{"Cp932", "abc " + kCp932Text, kAnsi},
    GuessCase{"EucJpThatIsAlsoValidCp932", kEucJpText, kEucJp},
    GuessCase{"EucJpAfterOneAndAHalfMegabytes", std::string(1'500'000, 'a') + kEucJpText, kEucJp},
    GuessCase{"RareKanjiInBothReadings", "\xE0\xA1\r\n", -1},
    GuessCase{"AsciiOnly", "plain text\r\n", -1},
    GuessCase{"Empty", "", -1},
    GuessCase{"Neither", "abc\x81\x20", -1},
    GuessCase{"EndingInsideACharacter", "\xE6\x97\xA5\xE6", -1}),
    [](const testing::TestParamInfo<GuessCase>& info) { return info.param.name; });
// clang-format on

} // namespace
