// UTF-16 surrogates and the four-byte UTF-8 form: the arithmetic every converter between UTF-16
// text and UTF-8 bytes shares, whatever it does with malformed input.
#pragma once

#include <array>
#include <cstdint>

constexpr bool IsSurrogate(std::uint32_t unit) {
    return (unit & 0xF800) == 0xD800;
}
constexpr bool IsHighSurrogate(std::uint32_t unit) {
    return (unit & 0xFC00) == 0xD800;
}
constexpr bool IsLowSurrogate(std::uint32_t unit) {
    return (unit & 0xFC00) == 0xDC00;
}
constexpr bool IsUtf8Continuation(std::uint32_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence a lead byte starts; 1 for a byte that starts none (which
// then fails to decode on its own).
constexpr unsigned Utf8SequenceLength(std::uint32_t lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// The scalar value (U+10000 to U+10FFFF) of a high and a low surrogate, and back.
constexpr std::uint32_t ScalarOfPair(std::uint32_t high, std::uint32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
constexpr char16_t HighSurrogateOf(std::uint32_t scalar) {
    return static_cast<char16_t>(0xD800 + ((scalar - 0x10000) >> 10));
}
constexpr char16_t LowSurrogateOf(std::uint32_t scalar) {
    return static_cast<char16_t>(0xDC00 + ((scalar - 0x10000) & 0x3FF));
}

// The value a four-byte UTF-8 sequence spells, its lead byte's marker and the continuation
// bytes' markers ignored: the caller checks them and the range.
constexpr std::uint32_t ScalarOfUtf8Four(const unsigned char* p) {
    return (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
}
// The four UTF-8 bytes of a scalar from U+10000 to U+10FFFF.
constexpr std::array<unsigned char, 4> Utf8FourOfScalar(std::uint32_t scalar) {
    return {static_cast<unsigned char>(0xF0 | scalar >> 18),
            static_cast<unsigned char>(0x80 | (scalar >> 12 & 0x3F)),
            static_cast<unsigned char>(0x80 | (scalar >> 6 & 0x3F)),
            static_cast<unsigned char>(0x80 | (scalar & 0x3F))};
}
