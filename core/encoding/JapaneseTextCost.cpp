#include "core/encoding/JapaneseTextCost.h"

#include "core/encoding/JapaneseCharacterCosts.h"

#include <array>

namespace {

// A unit's cost and class in one entry, cost << 8 | class, so that one load gives both.
// (Eight units a step with AVX2 gathers was tried: on the machines measured, the two gathers
// cost more than the sixteen loads they replace.)
constexpr int kClassBits = 3;
constexpr unsigned kClassMask = (1 << kClassBits) - 1;
static_assert(japanese_text::kClasses <= 1 << kClassBits);

struct CostTables {
    std::array<std::uint16_t, 0x10000> unit{};
    // By class before << kClassBits | class.
    std::array<std::int8_t, 1 << 2 * kClassBits> correction{};
};

const CostTables& Tables() {
    // Filled in place: a worker's stack has no room for a copy.
    static const CostTables* const tables = [] {
        static CostTables made;
        made.unit.fill(static_cast<std::uint16_t>(japanese_text::kUnseenCost << 8 |
                                                  (japanese_text::kClasses - 1)));
        for (int bits = 0; bits < japanese_text::kUnseenCost; ++bits)
            for (const char16_t unit : japanese_text::kCharactersByCost[bits])
                made.unit[unit] = static_cast<std::uint16_t>(bits << 8 | (made.unit[unit] & 0xFF));
        for (std::size_t i = 0; i < japanese_text::kClassRangeCount; ++i) {
            const japanese_text::ClassRange& range = japanese_text::kClassRanges[i];
            for (unsigned unit = range.first; unit <= range.last; ++unit)
                made.unit[unit] =
                    static_cast<std::uint16_t>((made.unit[unit] & 0xFF00) | range.characterClass);
        }
        for (int before = 0; before < japanese_text::kClasses; ++before)
            for (int after = 0; after < japanese_text::kClasses; ++after)
                made.correction[before << kClassBits | after] =
                    japanese_text::kClassCorrections[before][after];
        return &made;
    }();
    return *tables;
}

char16_t UnitAt(const char16_t* units, std::size_t i) {
    return units[i];
}
char16_t UnitAt(const unsigned char* bytes, std::size_t i) {
    return static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

template <typename Units>
JapaneseTextCost Cost(Units units, std::size_t count, std::uint8_t classBefore) {
    const CostTables& tables = Tables();
    long long sum = 0;
    bool control = false;
    unsigned before = classBefore;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = UnitAt(units, i);
        const unsigned entry = tables.unit[unit];
        sum += static_cast<int>(entry >> 8) +
               tables.correction[before << kClassBits | (entry & kClassMask)];
        before = entry & kClassMask;
        control |= static_cast<unsigned>(unit - 0x80) < 0x20;
    }
    return {sum, static_cast<std::uint8_t>(before), control};
}

} // namespace

std::uint8_t ClassOfUnit(char16_t unit) {
    return Tables().unit[unit] & kClassMask;
}

JapaneseTextCost CostOfUnits(const char16_t* units, std::size_t count, std::uint8_t classBefore) {
    return Cost(units, count, classBefore);
}

JapaneseTextCost CostOfUtf16LEBytes(const unsigned char* bytes, std::size_t count,
                                    std::uint8_t classBefore) {
    return Cost(bytes, count, classBefore);
}
