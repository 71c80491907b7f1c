// Each option's key of every assigned code point, against the keys that Python's Unicode data
// gives (tests/data/unicode/compare-keys.tsv, scripts/gen-compare-keys.py); the trimming also
// for lines kept as UTF-8 bytes. Python's data and
// ICU's are of different Unicode versions, so only code points assigned in both are compared.
#include "core/compare/LineKeys.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <vector>

namespace {

std::u16string FromCodePoint(UChar32 c) {
    if (c < 0x10000)
        return std::u16string(1, static_cast<char16_t>(c));
    return {static_cast<char16_t>(0xD7C0 + (c >> 10)), static_cast<char16_t>(0xDC00 | (c & 0x3FF))};
}

std::u16string FromHex(const std::string& hex) {
    std::u16string text;
    std::istringstream in(hex);
    for (UChar32 c; in >> std::hex >> c;)
        text += FromCodePoint(c);
    return text;
}

struct Reference {
    int major = 0, minor = 0;                      // the Unicode version of the generator's data
    long assigned = 0;                             // the code points assigned in it
    std::map<std::u16string, std::u16string> keys; // the texts whose key is not themselves
};

// ICU's UTF-8 form of text.
std::string Utf8(const std::u16string& text) {
    char bytes[64];
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(bytes, sizeof bytes, &length, text.data(), static_cast<int32_t>(text.size()),
                &status);
    return U_SUCCESS(status) ? std::string(bytes, length) : "(failed)";
}

Reference Load(const std::string& option) {
    std::ifstream in(TANDREL_UNICODE_DATA_DIR "/compare-keys.tsv");
    Reference reference;
    std::string row;
    std::getline(in, row); // "# Unicode 14.0.0; assigned code points, surrogates aside: N"
    std::sscanf(row.c_str(), "# Unicode %d.%d", &reference.major, &reference.minor);
    reference.assigned = std::stol(row.substr(row.rfind(':') + 1));
    while (std::getline(in, row)) {
        const auto tab1 = row.find('\t'), tab2 = row.find('\t', tab1 + 1);
        if (row[0] != '#' && row.substr(0, tab1) == option)
            reference.keys[FromHex(row.substr(tab1 + 1, tab2 - tab1 - 1))] =
                FromHex(row.substr(tab2 + 1));
    }
    return reference;
}

bool AssignedInBoth(UChar32 c, const Reference& reference) {
    UVersionInfo age;
    u_charAge(c, age);
    return u_charType(c) != U_UNASSIGNED && u_charType(c) != U_SURROGATE &&
           (age[0] < reference.major || (age[0] == reference.major && age[1] <= reference.minor));
}

struct OptionCase {
    const char* option;
    bool CompareOptions::*member;
};

class CompareKeysTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(CompareKeysTest, EveryAssignedCodePointAsPythonSays) {
    const Reference reference = Load(GetParam().option);
    ASSERT_GT(reference.keys.size(), 20u);
    CompareOptions options;
    options.*GetParam().member = true;
    LineKeyMaker maker(options);
    CompareOptions blankOptions;
    blankOptions.blankAsEmpty = true;
    const LineKeyMaker blankMaker(blankOptions);
    long assigned = 0;
    for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
        if (!AssignedInBoth(c, reference))
            continue;
        ++assigned;
        const std::u16string text = FromCodePoint(c);
        const auto found = reference.keys.find(text);
        if (options.ignoreSpace) {
            // Trimmed at both ends, kept inside; and a line of nothing else counts as blank.
            const bool space = found != reference.keys.end();
            const std::u16string inner = u"a" + text + u"b";
            EXPECT_EQ(maker.Key(text + inner + text), space ? inner : text + inner + text)
                << std::hex << c;
            EXPECT_EQ(blankMaker.IsEmpty(text + text), space) << std::hex << c;
            const std::string line = Utf8(text + inner + text), blank = Utf8(text + text);
            EXPECT_EQ(TrimWhiteSpace(std::string_view(line)),
                      Utf8(space ? inner : text + inner + text))
                << std::hex << c;
            EXPECT_EQ(TrimmedKey(std::string_view(blank), blankOptions).data() == nullptr, space)
                << std::hex << c;
        } else {
            EXPECT_EQ(maker.Key(text), found == reference.keys.end() ? text : found->second)
                << std::hex << c;
        }
    }
    EXPECT_EQ(assigned, reference.assigned) << "the two versions disagree on what is assigned";
    // The rows of more than one code point: the width option's composing pairs.
    for (const auto& [text, key] : reference.keys) {
        if (u_countChar32(text.data(), static_cast<int32_t>(text.size())) > 1) {
            EXPECT_EQ(maker.Key(text), key);
        }
    }
}

// The width key skips NFC for text of the code units StaysInNfc takes: exactly those that Python's
// data says text in NFC holds in every context.
TEST(CompareKeys, NfcShortcutTakesExactlyTheCharactersThatStayInNfc) {
    const Reference reference = Load("nfc-unstable");
    ASSERT_GT(reference.keys.size(), 1000u);
    for (UChar32 c = 0; c <= 0xFFFF; ++c) {
        if (AssignedInBoth(c, reference)) {
            EXPECT_EQ(StaysInNfc(static_cast<char16_t>(c)),
                      !reference.keys.contains(FromCodePoint(c)))
                << std::hex << c;
        }
    }
}

// The key made through the maker's table of units against the key made step by step, under
// every set of the four options: each BMP unit between others, and random lines of units of
// every kind the steps treat apart (capitals, katakana, wide and narrow forms, combining marks,
// letters ICU folds, surrogates, white space) and of any unit.
class UnitTableTest : public ::testing::TestWithParam<int> {};

TEST_P(UnitTableTest, KeysAsTheStepsMakeThem) {
    CompareOptions options;
    for (std::size_t k = 0; k < 4; ++k)
        options.*kCompareOptionNames[k].member = (GetParam() >> k) & 1;
    LineKeyMaker table(options), steps(options);
    const auto same = [&](const std::u16string& line) {
        EXPECT_EQ(std::u16string(table.Key(line)), std::u16string(steps.StepwiseKey(line)))
            << testing::PrintToString(std::vector<int>(line.begin(), line.end()));
    };
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit)
        same(u" Ab\u30A2" + std::u16string(1, static_cast<char16_t>(unit)) + u"\u30A2Z ");
    constexpr char16_t kUnits[] = {
        u'a',      u'Z',      u' ',      u'\t',     u'\u3000',        u'\u30A2',        u'\u30F6',
        u'\u30F7', u'\u3042', u'\uFF21', u'\uFF76', u'\uFF9E',        u'\u0301',        u'\u3099',
        u'\u00C0', u'\u00DF', u'\u0391', u'\u4E00', char16_t{0xD800}, char16_t{0xDC00}, u'\uAC00',
        u'\uA640', u'\u2160', u'\u00A0'};
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    for (int round = 0; round < 20000; ++round) {
        std::u16string line;
        for (std::size_t n = random() % 12; n > 0; --n)
            line += random() % 8 ? kUnits[random() % std::size(kUnits)]
                                 : static_cast<char16_t>(random());
        same(line);
    }
}

INSTANTIATE_TEST_SUITE_P(OptionSets, UnitTableTest, ::testing::Range(1, 16));

INSTANTIATE_TEST_SUITE_P(Options, CompareKeysTest,
                         ::testing::Values(OptionCase{"space", &CompareOptions::ignoreSpace},
                                           OptionCase{"width", &CompareOptions::ignoreWidth},
                                           OptionCase{"kana", &CompareOptions::ignoreKana},
                                           OptionCase{"case", &CompareOptions::ignoreCase}),
                         [](const auto& info) { return std::string(info.param.option); });

} // namespace
