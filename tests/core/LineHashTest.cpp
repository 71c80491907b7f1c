// Equal hashes are always confirmed by comparing lines, so a weak hash never gives a wrong
// result, only a slow one. These tests catch the weaknesses: code units the hash ignores, and
// lines that collide whatever the process's key.
#include "core/lines/LineHash.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

using tandrel::HashLine;

// The constants the hash once used for every process: published, hence attackable.
constexpr tandrel::LineHashKey kFormerConstants{
    {0xa0761d6478bd642fULL, 0xe7037ed1a0b428dbULL, 0x8ebc6af09c88c6e3ULL}};

TEST(LineHash, EveryCodeUnitAndTheLengthCount) {
    const tandrel::LineHashKey key = tandrel::ProcessLineHashKey();
    for (std::size_t length = 0; length <= 40; ++length) {
        const std::u16string base(length, u'a');
        std::set<std::uint64_t> hashes{HashLine(base, key)};
        for (std::size_t at = 0; at < length; ++at) {
            for (char16_t unit : {u'b', u'\0', u'\u3042', u'\xFF61', u'\u6100'}) {
                std::u16string changed = base;
                changed[at] = unit;
                hashes.insert(HashLine(changed, key));
            }
        }
        EXPECT_EQ(hashes.size(), 1 + 5 * length) << "length " << length;
        // Lines of NUL units differ from each other only in length.
        EXPECT_NE(HashLine(std::u16string(length, u'\0'), key),
                  HashLine(std::u16string(length + 1, u'\0'), key));
    }
}

// The table takes its slot from the low bits: numbered lines, and lines that all hashed to 0
// under the former constants, must not crowd into few slots under the process's key.
TEST(LineHash, LowBitsSpreadNumberedAndFormerlyCollidingLines) {
    constexpr std::uint64_t kSlots = 1 << 12;
    const tandrel::LineHashKey key = tandrel::ProcessLineHashKey();
    std::set<std::uint64_t> numbered;
    std::set<std::uint64_t> crafted;
    for (char16_t i = 0; i < 4096; ++i) {
        const std::string digits = std::to_string(i);
        numbered.insert(HashLine(std::u16string(digits.begin(), digits.end()), key) & (kSlots - 1));
        const std::u16string line = {u'\u28DB', u'\uA0B4', u'\u7ED1', u'\uE703', i, 1, 2, 3};
        ASSERT_EQ(HashLine(line, kFormerConstants), 0u);
        crafted.insert(HashLine(line, key) & (kSlots - 1));
    }
    // Random placement of 4096 keys fills about 63% of 4096 slots.
    EXPECT_GT(numbered.size(), 2400u);
    EXPECT_GT(crafted.size(), 2400u);
}

TEST(LineHash, RenewedKeyHashesDifferently) {
    const std::u16string line = u"the same line";
    const std::uint64_t before = HashLine(line, tandrel::ProcessLineHashKey());
    EXPECT_EQ(HashLine(line, tandrel::ProcessLineHashKey()), before);
    EXPECT_NE(HashLine(line, tandrel::RenewProcessLineHashKey()), before);
}

} // namespace
