// Lookup tables of code page 932. The data is generated into Cp932Tables.cpp by
// scripts/gen-cp932-tables.py from the mapping files; Cp932Codec.cpp holds the logic.
#pragma once

#include <cstdint>

namespace cp932 {

inline constexpr std::uint16_t kLeadByte = 0xFFFE; // kSingleByte: the byte starts a pair
inline constexpr std::uint16_t kNoChar = 0xFFFF;   // kDoubleByte: the pair has no character
inline constexpr std::uint16_t kNoCode = 0xFFFF;   // kEncodePage: the character has no code

// Character of each byte that stands alone, kLeadByte for the others.
extern const std::uint16_t kSingleByte[256];
// Row of kDoubleByte for each lead byte; 0, a row without characters, for the other bytes.
extern const std::uint8_t kLeadIndex[256];
// Character of each pair, by lead byte row and trail byte; kNoChar where there is none.
extern const std::uint16_t kDoubleByte[][256];

// Code written for a character: kEncodePage[kEncodePageIndex[c >> 8]][c & 0xFF]. A code above
// 0xFF is a pair, lead byte high. Page 0 is a page of characters that have no code.
extern const std::uint8_t kEncodePageIndex[256];
extern const std::uint16_t kEncodePage[][256];

} // namespace cp932
