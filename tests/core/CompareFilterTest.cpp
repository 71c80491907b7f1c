// Run's filter under every combination of the options, against the rule written out plainly.
#include "core/compare/RunFilter.h"
#include "core/encoding/TextCodecs.h"
#include "core/lines/LineBytes.h"
#include "tests/support/PlainRunRule.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::u16string>;

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
            const RunLineMap expected = PlainRunRule(lines, options);
            const RunLineMap map = MapRunLines(lines, lines.size(), options);
            ASSERT_EQ(map.kept, expected.kept) << combination << " " << round;
            ASSERT_EQ(map.keptAs, expected.keptAs) << combination << " " << round;
            ASSERT_EQ(map.counts, expected.counts) << combination << " " << round;

            // The filter's lists follow its map.
            const FilteredLines run = FilterLines(LineList(lines), options);
            ASSERT_EQ(run.map.keptAs, map.keptAs);
            ASSERT_EQ(run.result, LineList(lines).Pick(map.kept));
            ASSERT_EQ(run.work, run.result);
            ASSERT_EQ(run.text, lines);

            // And the filter of the same lines kept as UTF-8 bytes.
            auto bytes = std::make_shared<LineBytes>();
            for (const std::u16string& line : lines) {
                std::string utf8(line.size() * kMaxEncodedBytesPerUnit, '\0');
                utf8.resize(static_cast<std::size_t>(EncodeUtf8(line, utf8.data()) - utf8.data()));
                bytes->Add(utf8);
            }
            const FilteredLines byBytes = FilterLines(LineList(bytes), options);
            ASSERT_EQ(byBytes.map.keptAs, map.keptAs) << combination << " " << round;
            ASSERT_EQ(byBytes.map.kept, map.kept) << combination << " " << round;
            ASSERT_TRUE(byBytes.result.HoldsBytes());
            ASSERT_EQ(byBytes.result, run.result);
        }
    }
}

} // namespace
