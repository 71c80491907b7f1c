// A fast 64-bit hash over the code units of a line, for the duplicate filter's table. It is
// keyed: with a key drawn at random, nobody who writes a text can know which of its lines
// will collide, so a text crafted to collide under fixed constants is just another text.
// Equal hashes are always confirmed by comparing the lines, so collisions only cost time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tandrel {

struct LineHashKey {
    std::uint64_t secret[3];
};

using LineHashKeySource = LineHashKey (*)();

// The key of this process, drawn with the first call from getrandom.
LineHashKey ProcessLineHashKey();
// Draws a new key for this process, for when a text's collisions show that the old one is
// known or unlucky, and returns it.
LineHashKey RenewProcessLineHashKey();
// Replaces where keys come from (getrandom) by source, so that tests can hand out keys they
// know; the current key is dropped. Returns the previous source.
LineHashKeySource SetLineHashKeySource(LineHashKeySource source);

namespace line_hash_detail {

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

// The hash of a line's bytes, whatever its code units: a UTF-16 line and a UTF-8 line each
// hash their own bytes.
inline std::uint64_t HashBytes(const unsigned char* p, std::size_t bytes, const LineHashKey& key) {
    using namespace line_hash_detail;
    std::size_t left = bytes;
    std::uint64_t seed = key.secret[0] ^ bytes;
    while (left > 16) {
        seed = Fold(Load64(p) ^ key.secret[1], Load64(p + 8) ^ seed);
        p += 16;
        left -= 16;
    }
    // The last 1..16 bytes, read as two possibly overlapping words, or the first, middle and
    // last of up to three; together with the length mixed in above, they still determine the
    // tail exactly.
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (left >= 8) {
        a = Load64(p);
        b = Load64(p + left - 8);
    } else if (left >= 4) {
        a = Load32(p);
        b = Load32(p + left - 4);
    } else if (left > 0) {
        a = static_cast<std::uint64_t>(p[0]) << 16 | static_cast<std::uint64_t>(p[left / 2]) << 8 |
            p[left - 1];
    }
    return Fold(key.secret[2] ^ bytes, Fold(a ^ key.secret[1], b ^ seed));
}

template <class Unit>
std::uint64_t HashLine(std::basic_string_view<Unit> line, const LineHashKey& key) {
    return HashBytes(reinterpret_cast<const unsigned char*>(line.data()),
                     line.size() * sizeof(Unit), key);
}
inline std::uint64_t HashLine(std::u16string_view line, const LineHashKey& key) {
    return HashLine<char16_t>(line, key);
}

} // namespace tandrel
