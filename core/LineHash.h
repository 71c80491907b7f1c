// A fast 64-bit hash over the code units of a line, for the duplicate filter's table.
// Not for anything that must resist chosen inputs: a text crafted to collide only makes the
// filter slower, never wrong, because equal hashes are always confirmed by comparing the lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tandrel {

namespace line_hash_detail {

inline constexpr std::uint64_t kSecret0 = 0xa0761d6478bd642fULL;
inline constexpr std::uint64_t kSecret1 = 0xe7037ed1a0b428dbULL;
inline constexpr std::uint64_t kSecret2 = 0x8ebc6af09c88c6e3ULL;

// Full 64x64->128-bit product folded to 64 bits: every input bit reaches every output bit.
inline std::uint64_t Fold(std::uint64_t a, std::uint64_t b) {
    __extension__ using U128 = unsigned __int128;
    const U128 product = static_cast<U128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline std::uint64_t Load64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t Load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace line_hash_detail

inline std::uint64_t HashLine(std::u16string_view line) {
    using namespace line_hash_detail;
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t bytes = line.size() * sizeof(char16_t);
    std::size_t left = bytes;
    std::uint64_t seed = kSecret0 ^ bytes;
    while (left > 16) {
        seed = Fold(Load64(p) ^ kSecret1, Load64(p + 8) ^ seed);
        p += 16;
        left -= 16;
    }
    // The last 2..16 bytes, read as two possibly overlapping words; together with the length
    // mixed in above, they still determine the tail exactly.
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (left >= 8) {
        a = Load64(p);
        b = Load64(p + left - 8);
    } else if (left >= 4) {
        a = Load32(p);
        b = Load32(p + left - 4);
    } else if (left == 2) {
        a = static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1]) << 8;
    }
    return Fold(kSecret2 ^ bytes, Fold(a ^ kSecret1, b ^ seed));
}

} // namespace tandrel
