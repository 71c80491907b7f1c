// A large text's guess reads its two halves side by side, and costs the one-byte readings in a
// second pass only when more than one reading is left open. It must be the guess of one reading
// straight through, to the bit: the same encoding, the same encodings left open, the same margin.
#include "core/encoding/EncodingGuess.h"
#include "core/encoding/TextCodecs.h"

#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>

namespace {

// Words, with a line end after some.
enum class Words { kJapanese, kJapaneseAndPairs, kAscii };

std::u16string RandomText(std::size_t units, unsigned seed, Words words) {
    static const std::u16string_view
        kJapanese[] = {u"日本語", u"テキスト", u"の", u"は",        u"ファイル",
                       u"grep",   u" ",        u"、", u"。",        u"ｶﾀｶﾅ",
                       u"123",    u"漢字変換", u"①",  u"\U0001F600"}; // the last: a pair of units
    static const std::u16string_view kAscii[] = {u"grep", u" ", u"file", u"-n", u"123", u"."};
    std::mt19937 random(seed);
    std::u16string text;
    while (text.size() < units) {
        text += words == Words::kAscii
                    ? kAscii[random() % std::size(kAscii)]
                    : kJapanese[random() % (std::size(kJapanese) - (words == Words::kJapanese))];
        if (random() % 6 == 0)
            text += u"\r\n";
    }
    return text;
}

using Encoder = char* (*)(std::u16string_view, char*);

std::string Encoded(Encoder encode, std::u16string_view text) {
    std::string bytes(text.size() * 4, '\0');
    char* end = encode(text, bytes.data());
    EXPECT_NE(end, nullptr);
    bytes.resize(end ? static_cast<std::size_t>(end - bytes.data()) : 0);
    return bytes;
}

struct HalvesCase {
    const char* name;
    std::string bytes;
    friend void PrintTo(const HalvesCase& c, std::ostream* out) { *out << c.name; }
};

// Random text before and after joint, padded so that the text's middle, where the cut is
// looked for first, falls right after joint; joint ends in a byte below 0x40. The text after
// starts with after, then a kanji, whose cost depends on the class before it.
HalvesCase CutAfter(const char* name, Encoder encode, Words words, std::string_view joint,
                    unsigned seed, std::string_view after = "") {
    const std::string pad = Encoded(encode, u"x");
    std::string first = Encoded(encode, RandomText(3'000'000, seed, words));
    std::string second =
        std::string(after) + Encoded(encode, u"漢" + RandomText(3'000'000, seed + 1, words));
    while ((first.size() + joint.size()) % 2 != 0 || first.size() + joint.size() < second.size())
        first += pad;
    first += joint;
    while (second.size() < first.size())
        second += pad;
    return {name, first + second};
}

// Text that code page 932 reads as well as EUC-JP (as half-width katakana and user-defined
// characters), so that both readings are left open and their costs decide.
HalvesCase EucJpReadAsCp932Too() {
    const std::string lines =
        Encoded(EncodeEucJp, u"こんにちは、おげんきですか。\n今朝は雨でした。\n");
    std::string bytes;
    while (bytes.size() < 9u << 20)
        bytes += lines;
    return {"EucJpReadAsCp932Too", bytes};
}

class GuessHalvesTest : public testing::TestWithParam<HalvesCase> {};

TEST_P(GuessHalvesTest, GivesTheGuessOfOneReadingThrough) {
    const std::string& bytes = GetParam().bytes;
    ASSERT_GT(bytes.size(), 8u << 20);
    EncodingGuesser straight;
    for (std::size_t at = 0; at < bytes.size(); at += 1 << 20)
        straight.Feed(std::string_view(bytes).substr(at, 1 << 20));
    const EncodingGuess expected = straight.Finish();
    const EncodingGuess guess = GuessEncoding(bytes);
    EXPECT_EQ(guess.encoding, expected.encoding);
    EXPECT_EQ(guess.others, expected.others);
    EXPECT_EQ(guess.marginBits, expected.marginBits);
    EXPECT_EQ(guess.asciiOnly, expected.asciiOnly);
}

INSTANTIATE_TEST_SUITE_P(
    LargeTexts, GuessHalvesTest,
    testing::Values(
        CutAfter("Utf8AfterADigit", EncodeUtf8, Words::kJapaneseAndPairs, "abc1", 1),
        CutAfter("Utf8AfterAnUnfinishedCharacter", EncodeUtf8, Words::kJapanese, "\xE3\x81\n", 2),
        CutAfter("Utf8InvalidBeforeTheCut", EncodeUtf8, Words::kJapanese, "\xFF\n", 3),
        CutAfter("Utf8InvalidAfterTheCut", EncodeUtf8, Words::kJapanese, "\n", 3, "\xFF"),
        CutAfter("Cp932AfterADigit", EncodeCp932, Words::kJapanese, "abc1", 4),
        CutAfter("EucJpAfterADigit", EncodeEucJp, Words::kJapanese, "abc1", 5),
        CutAfter("Utf16LEAfterKana", EncodeUtf16LE, Words::kJapaneseAndPairs, "n\x30", 6),
        // Every reading valid, so that the margin shows what the cheapest two cost: the last
        // unit before the cut, U+3131, is "11" to the one-byte readings.
        CutAfter("AsciiUtf16LEReadByAll", EncodeUtf16LE, Words::kAscii, "11", 7),
        EucJpReadAsCp932Too(), HalvesCase{"Ascii", std::string(9u << 20, 'a') + "\n"}),
    [](const testing::TestParamInfo<HalvesCase>& info) { return info.param.name; });

} // namespace
