// Equal hashes are always confirmed by comparing lines, so a weak hash never gives a wrong
// result, only a slow one. These tests catch the weakness: code units the hash ignores.
#include "core/LineHash.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

TEST(LineHash, EveryCodeUnitAndTheLengthCount) {
    for (std::size_t length = 0; length <= 40; ++length) {
        const std::u16string base(length, u'a');
        std::set<std::uint64_t> hashes{tandrel::HashLine(base)};
        for (std::size_t at = 0; at < length; ++at) {
            for (char16_t unit : {u'b', u'\0', u'\u3042', u'\xFF61', u'\u6100'}) {
                std::u16string changed = base;
                changed[at] = unit;
                hashes.insert(tandrel::HashLine(changed));
            }
        }
        EXPECT_EQ(hashes.size(), 1 + 5 * length) << "length " << length;
        // Lines of NUL units differ from each other only in length.
        EXPECT_NE(tandrel::HashLine(std::u16string(length, u'\0')),
                  tandrel::HashLine(std::u16string(length + 1, u'\0')));
    }
}

TEST(LineHash, LowBitsSpreadNumberedLines) {
    // The table takes its slot from the low bits: numbered lines must not crowd into few slots.
    constexpr std::uint64_t kSlots = 1 << 12;
    std::set<std::uint64_t> used;
    for (int i = 0; i < 4096; ++i) {
        const std::string digits = std::to_string(i);
        const std::u16string line(digits.begin(), digits.end());
        used.insert(tandrel::HashLine(line) & (kSlots - 1));
    }
    // Random placement of 4096 keys fills about 63% of 4096 slots.
    EXPECT_GT(used.size(), 2400u);
}

} // namespace
