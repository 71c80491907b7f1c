#include "core/EncodingGuess.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {

struct GuessCase {
    const char* name;
    std::string bytes;
    bool whole;
    int expected;
    friend void PrintTo(const GuessCase& c, std::ostream* out) { *out << c.name; }
};

// "日本語" in each encoding; its UTF-8 form is not valid code page 932, and the reverse.
const std::string kUtf8Text = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n";
const std::string kCp932Text = "\x93\xFA\x96\x7B\x8C\xEA\r\n";

class GuessEncodingTest : public testing::TestWithParam<GuessCase> {};

TEST_P(GuessEncodingTest, PicksTheEncodingTheBytesShow) {
    const GuessCase& c = GetParam();
    EXPECT_EQ(GuessEncoding(c.bytes, c.whole), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Heads, GuessEncodingTest, testing::Values(
    GuessCase{"Utf8Mark", "\xEF\xBB\xBF" "abc", true, 1},
    GuessCase{"Utf16Mark", std::string("\xFF\xFE" "a\0", 4), true, 2},
    GuessCase{"Utf16WithoutMark", std::string("a\0b\0\x42\x30\r\0\n\0", 10), true, 2},
    GuessCase{"OddSizedIsNotUtf16", std::string("a\0b\0c", 5), true, -1},
    GuessCase{"Utf8WithoutMark", "abc " + kUtf8Text, true, 1},
    GuessCase{"Cp932", "abc " + kCp932Text, true, 0},
    GuessCase{"AsciiOnly", "plain text\r\n", true, -1},
    GuessCase{"Empty", "", true, -1},
    GuessCase{"Neither", "abc\x81\x20", true, -1},
    // A head cut inside a character is judged by what comes before the cut.
    GuessCase{"Utf8CutInsideACharacter", kUtf8Text + "\xE6\x97", false, 1},
    GuessCase{"Cp932CutAfterALeadByte", kCp932Text + "\x93", false, 0},
    GuessCase{"WholeFileEndingInsideACharacter", "\xE6\x97\xA5\xE6", true, -1}),
    [](const testing::TestParamInfo<GuessCase>& info) { return info.param.name; });
// clang-format on

} // namespace
