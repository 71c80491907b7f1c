// What the command line says that the window says too (why a file failed, what --stats
// counts): English, and under the Japanese catalogue the window's very words, for every
// failure and every form of the values.
#include "app/cli/FailureWords.h"
#include "app/cli/Messages.h"
#include "app/cli/RunWords.h"
#include "core/encoding/EncodingGuess.h"
#include "core/encoding/TextCodecs.h"
#include "core/files/FailureText.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <libintl.h>
#include <string>
#include <vector>

namespace {

std::vector<FileResult> EveryFailure() {
    std::vector<FileResult> results;
    for (int kind = 0; kind <= static_cast<int>(FileFailure::kOther); ++kind)
        // A printable character, one beyond the BMP, a C1 control and a lone surrogate.
        for (const char32_t character : {U'あ', U'\U0001F600', U'\u0085', char32_t{0xD800}})
            results.push_back({static_cast<FileFailure>(kind), 345, 12, 6, character});
    return results;
}

// Numbers below a thousand, at a thousand and well above, in every place.
const RunCounts kCounts[] = {
    {0, 0, 0, 0, 0}, {1000, 999, 1, 0, 0}, {12'345'678, 1'234'567, 11'000'111, 111'000, 0}};

// A plain name, one with a byte that is not UTF-8, and none (a cancelled save dialog).
const std::u16string_view kPaths[] = {u"/tmp/入力.txt", u"/tmp/\xDCE9.txt", u""};

class WindowWordsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        UseMessageCatalogue();
        bindtextdomain("tandrel", TANDREL_LOCALE_DIR);
    }
    static void TearDownTestSuite() { InJapanese(false); }
    // gettext takes LANGUAGE under any locale but C.
    static void InJapanese(bool japanese) {
        setenv("LANGUAGE", "ja", 1);
        std::setlocale(LC_MESSAGES, japanese ? "C.UTF-8" : "C");
    }
};

TEST_F(WindowWordsTest, JapaneseIsTheWindowsWords) {
    InJapanese(true);
    for (const std::u16string_view path : kPaths)
        for (const FileResult& result : EveryFailure())
            EXPECT_EQ(FailureWords(path, result), Utf8(FailureDetail(path, result)))
                << "failure " << static_cast<int>(result.failure) << ", character "
                << static_cast<unsigned>(result.character);
    for (const std::string_view mark :
         {std::string_view("\xFE\xFF"), std::string_view("\xFF\xFE\0\0", 4),
          std::string_view("\0\0\xFE\xFF", 4)}) {
        const EncodingGuess guess = GuessEncoding(mark);
        EXPECT_EQ(RefusedMarkWords(guess.refusedMark), Utf8(EncodingGuessNote(guess)));
    }
    for (const RunCounts& counts : kCounts)
        EXPECT_EQ(RunCountsWords(counts), Utf8(RunCountsText(counts)));
    EXPECT_EQ(LoneCrWords(), Utf8(kLoneCrNote));
}

bool HoldsJapanese(std::string_view words) {
    std::u16string text(words.size(), u'\0');
    text.resize(static_cast<std::size_t>(DecodeUtf8(words, text.data()) - text.data()));
    for (const char16_t unit : text)
        if ((unit >= 0x3000 && unit <= 0x9FFF) || (unit >= 0xFF00 && unit <= 0xFFEF))
            return true;
    return false;
}

// Where no catalogue matches (LANG=C in a script), no Japanese but the character shown.
TEST_F(WindowWordsTest, EnglishHoldsNoJapanese) {
    InJapanese(false);
    for (const FileResult& result : EveryFailure()) {
        std::string words = FailureWords(u"/tmp/input.txt", result);
        EXPECT_EQ(words.empty(), result.Succeeded());
        const std::string shown = Utf8(CharacterText(result.character));
        if (const std::size_t at = words.find(shown); at != std::string::npos)
            words.erase(at, shown.size());
        EXPECT_FALSE(HoldsJapanese(words)) << words;
    }
    EXPECT_FALSE(HoldsJapanese(RefusedMarkWords("UTF-16BE")));
    for (const RunCounts& counts : kCounts)
        EXPECT_FALSE(HoldsJapanese(RunCountsWords(counts)));
    EXPECT_FALSE(HoldsJapanese(LoneCrWords()));
}

} // namespace
