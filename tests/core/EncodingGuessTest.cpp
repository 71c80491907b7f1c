// The encoding guess on whole files. The Japanese samples are the bytes Python's codecs write
// for them ('euc_jp', 'cp932', 'utf-16-le'). The guess's figures on real text are the
// benchmark's (bench/guess); these are the cases that once went wrong, and the marks.
#include "core/encoding/EncodingGuess.h"

#include "core/encoding/EncodingChoices.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct GuessCase {
    const char* name;
    std::string bytes;
    int expected;                  // -1: none
    std::vector<int> others = {};  // the encodings left open beside it
    std::string_view refused = {}; // the mark's encoding
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

void ExpectGuess(const EncodingGuess& guess, const GuessCase& c, const char* how) {
    EXPECT_EQ(guess.encoding, c.expected) << how;
    EXPECT_EQ(guess.others, c.others) << how;
    EXPECT_EQ(guess.refusedMark, c.refused) << how;
}

class GuessEncodingTest : public testing::TestWithParam<GuessCase> {};

// The same answer for the bytes in memory, fed in pieces of every small size (cutting
// characters apart), and read from a file as the window and the command line read it.
TEST_P(GuessEncodingTest, PicksTheEncodingTheBytesShow) {
    const GuessCase& c = GetParam();
    ExpectGuess(GuessEncoding(c.bytes), c, "whole");
    for (std::size_t piece = 1; piece <= 4; ++piece) {
        EncodingGuesser guesser;
        for (std::size_t i = 0; i < c.bytes.size() && !guesser.MarkFound(); i += piece)
            guesser.Feed(std::string_view(c.bytes).substr(i, piece));
        ExpectGuess(guesser.Finish(), c, ("pieces of " + std::to_string(piece)).c_str());
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("tandrel-guess-" + std::to_string(getpid()) + ".txt");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(c.bytes.data(), 1, c.bytes.size(), file);
    std::fclose(file);
    ExpectGuess(GuessFileEncoding(path, nullptr), c, "file");
    std::filesystem::remove(path);
}

const int kAnsi = 0, kUtf8 = 1, kUtf16LE = 2, kUtf8NoMark = 3, kEucJp = 4;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, GuessEncodingTest, testing::Values(
    GuessCase{"Utf8Mark", "\xEF\xBB\xBF" "abc" + kUtf8Text, kUtf8},
    GuessCase{"Utf8MarkThenMalformed", "\xEF\xBB\xBF" + kUtf8Text + "\xED\xA0\x80", -1},
    GuessCase{"Utf8MarkThenCutCharacter", "\xEF\xBB\xBF" "abc\xE3\x81", -1},
    GuessCase{"Utf16Mark", std::string("\xFF\xFE" "a\0", 4), kUtf16LE},
    GuessCase{"Utf16MarkThenOddByte", std::string("\xFF\xFE" "a\0b", 5), -1},
    GuessCase{"Utf16BEMark", std::string("\xFE\xFF\0a", 4), -1, {}, "UTF-16BE"},
    GuessCase{"Utf32LEMark", std::string("\xFF\xFE\0\0a\0\0\0", 8), -1, {}, "UTF-32LE"},
    GuessCase{"Utf32BEMark", std::string("\0\0\xFE\xFF\0\0\0a", 8), -1, {}, "UTF-32BE"},
    GuessCase{"AsciiUtf16WithoutMark", std::string("a\0b\0\r\0\n\0", 8), kUtf16LE},
    GuessCase{"AsciiAndKanaUtf16WithoutMark", std::string("H\0T\0T\0P\0 \0h0 \0F\0T\0P\0", 20), kUtf16LE},
    GuessCase{"KanjiUtf16WithoutMark", "\xE5" "e,g\x9E\x8A", kUtf16LE},
    GuessCase{"JapaneseUtf16WithoutMark", kUtf16Text + kUtf16Text, kUtf16LE},
    GuessCase{"OddSizedIsNotUtf16", std::string("a\0b\0c", 5), -1},
    GuessCase{"StrayNulIsNotUtf16", std::string("abc\0defg\nz", 10), -1},
    GuessCase{"Cp932WithANul", std::string("abc\0", 4) + kCp932Text + "\n", kAnsi},
    GuessCase{"Utf8WithoutMark", "abc " + kUtf8Text, kUtf8NoMark},
    GuessCase{"Utf8WithC1Control", "e\xC2\x85" "f\n", kUtf8NoMark},
    GuessCase{"Utf8WithNoncharacterAndPrivateUse", "\xEF\xBF\xBF\xEE\x80\x80\xF3\xB0\x80\x80\n", kUtf8NoMark},
    GuessCase{"Utf8AfterOneAndAHalfMegabytes", std::string(1'500'000, 'a') + kUtf8Text, kUtf8NoMark},
    GuessCase{"Cp932", "abc " + kCp932Text, kAnsi},
    GuessCase{"Cp932HalfWidthKatakana", "\xB6\xCC\xDE\xBC\xB7\xB6\xDE\xB2\xBC\xAC", kAnsi},
    GuessCase{"Cp932HalfWidthThatIsValidUtf8", "\xC3\xBD", kAnsi, {kEucJp, kUtf8NoMark}},
    GuessCase{"EucJpThatIsAlsoValidCp932", kEucJpText, kEucJp},
    GuessCase{"EucJpHalfWidthKatakana", "\x8E\xC3\x8E\xBD\x8E\xC4", kEucJp},
    GuessCase{"EucJpJisX0212Letters", "Caf\x8F\xAB\xB1 No\x8F\xAB\xB3l\n", kEucJp},
    GuessCase{"EucJpStartingAsValidUtf8", "\xC9\xBD\xBC\xA8\xA4\xB9\xA4\xEB\n", kEucJp},
    GuessCase{"EucJpAfterOneAndAHalfMegabytes", std::string(1'500'000, 'a') + kEucJpText, kEucJp},
    GuessCase{"RareKanjiInBothReadings", "\xE0\xA1\r\n", kAnsi, {kEucJp}},
    GuessCase{"AsciiOnly", "plain text\r\n", -1},
    GuessCase{"Empty", "", -1},
    GuessCase{"Neither", "abc\x81\x20", -1},
    GuessCase{"EndingInsideACharacter", "\xE6\x97\xA5\xE6", -1}),
    [](const testing::TestParamInfo<GuessCase>& info) { return info.param.name; });
// clang-format on

// The window's line names the encodings, as the encoding list shows them.
TEST(EncodingGuessNoteTest, NamesTheEncodingsLeftOpenOrTheRefusedMark) {
    EXPECT_EQ(EncodingGuessNote(GuessEncoding("\xE0\xA1\r\n")),
              u"文字コードは ANSI と推定しました（EUC-JP の可能性もあります）。");
    EXPECT_EQ(
        EncodingGuessNote(GuessEncoding("\xFE\xFF")),
        u"ファイルの先頭に UTF-16BE のバイト順マークがあります。UTF-16BE には対応していません。");
    EXPECT_EQ(EncodingGuessNote(GuessEncoding("abc " + kCp932Text)), u"");
}

} // namespace
