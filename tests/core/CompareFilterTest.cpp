// Run's filter under every combination of the options, against the plain rule it follows,
// written out quadratically: a line is left out when it is empty (unless empty lines stay) or
// when another line of the same key comes first (last, with keep-last). With every option off
// the result is also exactly the plain filter's.
#include "core/compare/CompareFilter.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::u16string>;

RunLineMap Quadratic(const Lines& lines, const CompareOptions& options) {
    LineKeyMaker maker(options);
    const auto key = [&](std::size_t i) { return std::u16string(maker.Key(lines[i])); };
    const auto empty = [&](std::size_t i) { return maker.IsEmpty(lines[i]); };
    const std::size_t n = lines.size();
    std::vector<std::size_t> keeper(n); // the line that stands for line i
    RunLineMap map;
    for (std::size_t i = 0; i < n; ++i) {
        keeper[i] = i;
        for (std::size_t j = 0; j < n && !empty(i); ++j) {
            if (!empty(j) && key(j) == key(i) && (options.keepLast ? j > keeper[i] : j < keeper[i]))
                keeper[i] = j;
        }
        if (keeper[i] == i && (!empty(i) || options.keepEmpty))
            map.kept.push_back(static_cast<std::uint32_t>(i));
    }
    map.counts.assign(map.kept.size(), 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto at = std::find(map.kept.begin(), map.kept.end(), keeper[i]);
        map.keptAs.push_back(at == map.kept.end()
                                 ? RunLineMap::kDropped
                                 : static_cast<std::uint32_t>(at - map.kept.begin()));
        if (at != map.kept.end())
            ++map.counts[at - map.kept.begin()];
    }
    return map;
}

TEST(CompareFilter, EveryCombinationOfOptionsFollowsTheRule) {
    // Lines that differ in exactly what the options ignore.
    const std::u16string pieces[] = {u"",       u" ",      u"\u3000", u"\t",     u"a",
                                     u"A",      u"\uFF41", u"\u30AB", u"\u304B", u"\uFF76\uFF9E",
                                     u"\u30AC", u"\u00DF", u"ss"};
    std::mt19937 random(16);
    for (unsigned combination = 0; combination < 128; ++combination) {
        CompareOptions options;
        for (std::size_t k = 0; k < kCompareOptionNames.size(); ++k)
            options.*kCompareOptionNames[k].member = (combination >> k) & 1;
        for (int round = 0; round < 40; ++round) {
            Lines lines(random() % 30);
            for (auto& line : lines) {
                for (int k = random() % 4; k > 0; --k)
                    line += pieces[random() % std::size(pieces)];
            }
            const RunLineMap expected = Quadratic(lines, options);
            const RunLineMap map = MapRunLines(lines, lines.size(), options);
            ASSERT_EQ(map.kept, expected.kept) << combination << " " << round;
            ASSERT_EQ(map.keptAs, expected.keptAs) << combination << " " << round;
            ASSERT_EQ(map.counts, expected.counts) << combination << " " << round;

            // Run's lists as the plain filter leaves them, when the options are all off.
            RunLineMap runMap;
            const RunLines run = KeepComparedLines(LineList(lines), options, runMap, nullptr);
            ASSERT_EQ(runMap.keptAs, map.keptAs);
            if (combination == 0) {
                const RunLines plain = KeepDistinctLines(LineList(lines), nullptr);
                ASSERT_EQ(run.result, plain.result);
                ASSERT_EQ(run.work, plain.work);
                ASSERT_EQ(run.text, plain.text);
            }
        }
    }
}

} // namespace
