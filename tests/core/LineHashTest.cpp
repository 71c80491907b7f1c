// Equal hashes are always confirmed by comparing lines, so a weak hash never gives a wrong
// result, only a slow one. These tests catch the weaknesses: code units the hash ignores, and
// lines that collide whatever the process's key.
#include "core/lines/LineHash.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>

namespace {

using tandrel::HashLine;
using namespace std::string_view_literals;

// The constants the hash once used for every process: published, hence attackable.
constexpr tandrel::LineHashKey kFormerConstants{
    {0xa0761d6478bd642fULL, 0xe7037ed1a0b428dbULL, 0x8ebc6af09c88c6e3ULL}};

// Lines of units, each unit of them changed in turn to each of changes, all hash apart.
template <class Unit> void ExpectEveryUnitAndTheLengthCount(std::basic_string_view<Unit> changes) {
    using Line = std::basic_string<Unit>;
    const tandrel::LineHashKey key = tandrel::ProcessLineHashKey();
    for (std::size_t length = 0; length <= 40; ++length) {
        const Line base(length, Unit('a'));
        std::set<std::uint64_t> hashes{HashLine<Unit>(base, key)};
        for (std::size_t at = 0; at < length; ++at) {
            for (const Unit unit : changes) {
                Line changed = base;
                changed[at] = unit;
                hashes.insert(HashLine<Unit>(changed, key));
            }
        }
        EXPECT_EQ(hashes.size(), 1 + changes.size() * length) << "length " << length;
        // Lines of NUL units differ from each other only in length.
        EXPECT_NE(HashLine<Unit>(Line(length, Unit(0)), key),
                  HashLine<Unit>(Line(length + 1, Unit(0)), key));
    }
}

TEST(LineHash, EveryCodeUnitAndTheLengthCount) {
    ExpectEveryUnitAndTheLengthCount<char16_t>(u"b\0\u3042\uFF61\u6100"sv);
    // UTF-8 lines hash their bytes, of any number.
    ExpectEveryUnitAndTheLengthCount<char>("b\0\xE3\x81\xFF"sv);
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
