// What a run of UTF-16 code units costs to tell, in bits, as Japanese text: each unit's own
// cost and the correction for its class after the class before it (JapaneseCharacterCosts.h).
// The encoding guess weighs every reading of a file this way, so this is the loop it spends its
// time in.
#pragma once

#include <cstddef>
#include <cstdint>

struct JapaneseTextCost {
    long long bits = 0;
    std::uint8_t lastClass = 0; // the class of the last unit, which the next run follows
    bool control = false;       // whether a C1 control (U+0080 to U+009F) was among the units
};

// A unit's class; a text starts as if after a line feed.
std::uint8_t ClassOfUnit(char16_t unit);

// The cost of units [units, units + count) following a unit of class classBefore.
JapaneseTextCost CostOfUnits(const char16_t* units, std::size_t count, std::uint8_t classBefore);
// The same for units stored as UTF-16LE bytes, two a unit, at any alignment.
JapaneseTextCost CostOfUtf16LEBytes(const unsigned char* bytes, std::size_t count,
                                    std::uint8_t classBefore);
