// The filter on two cores must number every line exactly as the keys' first occurrences do,
// whatever the texts make of the two halves: lines of UTF-16 and of bytes, keys that are the
// lines, trimmed or made of their characters, texts of few or no repeats, of one line over and
// over, of nothing, keys that collide, and a stop asked for.
#include "core/compare/GroupLinesInHalves.h"

#include "core/compare/RunFilter.h"
#include "core/encoding/TextCodecs.h"
#include "core/lines/LineHash.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using run_filter_detail::GroupLinesInHalves;

// Each key numbered at its first line, written out with an ordered map; keys as LineKeyMaker
// makes them of the UTF-16 lines.
RunLineMap FirstOccurrences(const std::vector<std::u16string>& text,
                            const CompareOptions& options) {
    RunLineMap map;
    LineKeyMaker maker(options);
    std::map<std::u16string, std::uint32_t> groups;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (maker.IsEmpty(text[i])) {
            map.keptAs.push_back(RunLineMap::kDropped);
            continue;
        }
        const auto [at, added] = groups.emplace(std::u16string(maker.Key(text[i])),
                                                static_cast<std::uint32_t>(map.kept.size()));
        if (added)
            map.kept.push_back(static_cast<std::uint32_t>(i));
        map.keptAs.push_back(at->second);
    }
    return map;
}

CompareOptions Trimmed() {
    CompareOptions options;
    options.ignoreSpace = options.blankAsEmpty = true;
    return options;
}

CompareOptions AllKeys() {
    CompareOptions options;
    options.ignoreSpace = options.ignoreWidth = options.ignoreKana = options.ignoreCase = true;
    return options;
}

// Each text as UTF-16 lines and as UTF-8 bytes, under options that keep keys inside their lines
// and under those that make keys of the characters: grouped in halves (also when there are
// fewer than fewest lines) exactly as the keys' first occurrences number them. Through
// MapRunLines when fewest is its own.
void ExpectFirstOccurrences(const std::vector<std::u16string>& text, std::size_t fewest,
                            const std::string& what) {
    const std::vector<std::u16string_view> units(text.begin(), text.end());
    std::vector<std::string> utf8;
    for (const std::u16string& line : text) {
        std::string bytes(3 * line.size(), '\0');
        bytes.resize(
            static_cast<std::size_t>(kUtf8Codec.encode(line, bytes.data()) - bytes.data()));
        utf8.push_back(std::move(bytes));
    }
    const std::vector<std::string_view> bytes(utf8.begin(), utf8.end());
    for (const CompareOptions& options : {CompareOptions{}, Trimmed(), AllKeys()}) {
        const RunLineMap expected = FirstOccurrences(text, options);
        const auto check = [&](const auto& lines) {
            using Line = std::remove_cvref_t<decltype(lines[0])>;
            using Unit = typename Line::value_type;
            RunLineMap map;
            if (fewest == run_filter_detail::kLinesForHalves) {
                map = MapRunLines(lines, lines.size(), options, nullptr, kUtf8Codec.decode);
            } else if (NeedsCharacters(options)) {
                GroupLinesInHalves(
                    lines, lines.size(),
                    [&] { return CharacterKeys<Unit>(options, kUtf8Codec.decode); }, nullptr, map,
                    fewest);
            } else {
                GroupLinesInHalves(
                    lines, lines.size(),
                    [&] {
                        return [&](Line line, std::size_t) { return TrimmedKey(line, options); };
                    },
                    nullptr, map, fewest);
            }
            ASSERT_EQ(map.kept, expected.kept) << what;
            ASSERT_EQ(map.keptAs, expected.keptAs) << what;
        };
        check(units);
        check(bytes);
    }
}

std::u16string RandomLine(std::mt19937& random, std::size_t longest) {
    static constexpr char16_t kAlphabet[] = u"aA \u3042\u30A2\uFF71\u3000\t";
    std::u16string line(random() % (longest + 1), u' ');
    for (char16_t& unit : line)
        unit = kAlphabet[random() % (std::size(kAlphabet) - 1)];
    return line;
}

// Past the size below which one core does the work.
constexpr std::size_t kMany = run_filter_detail::kLinesForHalves + 12345;

TEST(GroupLinesInHalves, NumbersKeysByTheirFirstLines) {
    std::mt19937 random(7);
    std::vector<std::u16string> vocabulary(20000);
    for (std::u16string& line : vocabulary)
        line = RandomLine(random, 24);
    std::vector<std::u16string> repeating(kMany);
    for (std::u16string& line : repeating)
        line = vocabulary[random() % vocabulary.size()];
    ExpectFirstOccurrences(repeating, run_filter_detail::kLinesForHalves, "repeating");

    std::vector<std::u16string> distinct(kMany);
    for (std::size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = u"line " + std::u16string(1, static_cast<char16_t>(0x4E00 + i % 5000)) +
                      std::u16string(i / 5000 + 1, u'x');
    ExpectFirstOccurrences(distinct, run_filter_detail::kLinesForHalves, "distinct");

    ExpectFirstOccurrences(std::vector<std::u16string>(kMany, u"same"),
                           run_filter_detail::kLinesForHalves, "one line");
    ExpectFirstOccurrences(std::vector<std::u16string>(kMany), run_filter_detail::kLinesForHalves,
                           "empty lines");
}

TEST(GroupLinesInHalves, FewLinesSplitAsWell) {
    std::mt19937 random(8);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::u16string> text(random() % 60);
        for (std::u16string& line : text)
            line = RandomLine(random, 3);
        ExpectFirstOccurrences(text, 0, "round " + std::to_string(round));
    }
}

// Under the key that made every one of these lines hash alike, all fall in one half, whose
// table piles up: the one table takes over, and its renewals (here to the same key, and then
// the keys in order) still give the exact numbering.
TEST(GroupLinesInHalves, CollidingKeysFallBackToOneTable) {
    const tandrel::LineHashKeySource previous = tandrel::SetLineHashKeySource([] {
        return tandrel::LineHashKey{
            {0xa0761d6478bd642fULL, 0xe7037ed1a0b428dbULL, 0x8ebc6af09c88c6e3ULL}};
    });
    std::mt19937 random(9);
    std::vector<std::u16string> text;
    for (int i = 0; i < 20000; ++i)
        text.push_back(u"\u28DB\uA0B4\u7ED1\uE703abc" +
                       std::u16string(1, static_cast<char16_t>(u'\u4E00' + random() % 9000)));
    ExpectFirstOccurrences(text, 0, "colliding");
    tandrel::SetLineHashKeySource(previous);
}

TEST(GroupLinesInHalves, StopsWhenAsked) {
    const std::vector<std::u16string_view> lines(kMany, u"line");
    OperationProgress progress;
    progress.RequestCancel();
    RunLineMap map;
    EXPECT_THROW(MapRunLines(lines, lines.size(), {}, &progress), OperationCancelled);
    EXPECT_THROW(MapRunLines(lines, lines.size(), AllKeys(), &progress), OperationCancelled);
}

} // namespace
