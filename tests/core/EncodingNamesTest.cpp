// The command line's names of the encodings: each names its row whatever the case of its
// letters, and nothing else names one.
#include "core/encoding/EncodingChoices.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Spelt(std::string_view name, int (*letterCase)(int), bool alternate) {
    std::string spelt(name);
    for (std::size_t i = 0; i < spelt.size(); ++i)
        if (!alternate || i % 2 == 0)
            spelt[i] = static_cast<char>(letterCase(static_cast<unsigned char>(spelt[i])));
    return spelt;
}

TEST(EncodingNames, EveryListedNameFindsItsRowInAnyCase) {
    const std::vector<std::string_view> names = EncodingFlagNames();
    for (const EncodingChoice& choice : kEncodingChoices)
        EXPECT_EQ(FindEncodingNamed(choice.flagNames[0]), &choice) << choice.flagNames[0];
    for (const std::string_view name : names) {
        const EncodingChoice* choice = FindEncodingNamed(name);
        ASSERT_NE(choice, nullptr) << name;
        EXPECT_NE(std::ranges::find(choice->flagNames, name), choice->flagNames.end()) << name;
        for (const auto& spelt : {Spelt(name, ::toupper, false), Spelt(name, ::toupper, true),
                                  Spelt(Spelt(name, ::toupper, false), ::tolower, true)})
            EXPECT_EQ(FindEncodingNamed(spelt), choice) << spelt;
    }
}

// Near misses stay errors: no prefix, no spaces, no other spelling, and no letter that only a
// locale's rules would fold to ASCII (U+0130, U+212A, full-width letters).
TEST(EncodingNames, OtherSpellingsNameNothing) {
    for (const std::string_view name :
         {"", "auto", "utf8", "utf-8 ", " utf-8", "utf-", "utf-8-nobomx", "utf-16", "sjis",
          "\xC4\xB0NS\xC4\xB0", "utf-8-nobom\xE2\x84\xAA", "\xEF\xBD\x95tf-8"})
        EXPECT_EQ(FindEncodingNamed(name), nullptr) << name;
    EXPECT_EQ(FindEncodingNamed(std::string_view("utf-8\0", 6)), nullptr);
}

} // namespace
