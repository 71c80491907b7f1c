#include "core/encoding/AsciiFastPath.h"
#include "core/encoding/TextCodecs.h"
#include "core/encoding/UnicodeScalars.h"
#include "core/encoding/Utf8Blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

// Japanese text mixes one-byte and three-byte characters at random, which defeats branch
// prediction; so the one- to three-byte forms are decoded and encoded through tables indexed
// by the length instead of branches on it. Four-byte forms and invalid input branch away.
// Where the processor allows, the block converters (Utf8Blocks.h) take the text a block at a
// time, and this code only the characters they leave.

namespace {

// By the high nibble of a sequence's first byte: its length; 0 for a continuation byte.
constexpr std::uint8_t kLength[16] = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 3, 4};
// By length 1 to 3: the bits each byte contributes, where they go, and the smallest value
// that needs that length (a smaller one would be an overlong form).
constexpr std::uint8_t kFirstMask[4] = {0, 0x7F, 0x1F, 0x0F};
constexpr std::uint8_t kFirstShift[4] = {0, 0, 6, 12};
constexpr std::uint8_t kSecondMask[4] = {0, 0, 0x3F, 0x3F};
constexpr std::uint8_t kSecondShift[4] = {0, 0, 0, 6};
constexpr std::uint8_t kThirdMask[4] = {0, 0, 0, 0x3F};
constexpr std::uint16_t kSmallest[4] = {0, 0, 0x80, 0x800};

// Decodes a sequence of one to three bytes, of which `first` is the first; bytes past its end
// may be anything. Returns its length, or 0 when it is not a well-formed sequence of that
// size (a four-byte sequence included).
inline unsigned DecodeShort(unsigned first, unsigned second, unsigned third, char16_t* out) {
    const unsigned length = kLength[first >> 4] & 3; // 4 becomes 0
    const unsigned unit = (first & kFirstMask[length]) << kFirstShift[length] |
                          (second & kSecondMask[length]) << kSecondShift[length] |
                          (third & kThirdMask[length]);
    // Bitwise on purpose: every test is evaluated, and none of them becomes a branch.
    const unsigned malformed = unsigned{length == 0} |
                               (unsigned{!IsUtf8Continuation(second)} & unsigned{length >= 2}) |
                               (unsigned{!IsUtf8Continuation(third)} & unsigned{length >= 3}) |
                               unsigned{unit < kSmallest[length]} | unsigned{IsSurrogate(unit)};
    *out = static_cast<char16_t>(unit);
    return malformed ? 0 : length;
}

// Decodes a four-byte sequence into a surrogate pair; false unless it is well formed.
bool DecodeFour(const unsigned char* p, char16_t* out) {
    // F8 to FF start no sequence; their high bits would be lost to the mask below.
    if (p[0] > 0xF4 || !IsUtf8Continuation(p[1]) || !IsUtf8Continuation(p[2]) ||
        !IsUtf8Continuation(p[3])) {
        return false;
    }
    const std::uint32_t scalar = ScalarOfUtf8Four(p);
    if (scalar < 0x10000 || scalar > 0x10FFFF) {
        return false;
    }
    out[0] = HighSurrogateOf(scalar);
    out[1] = LowSurrogateOf(scalar);
    return true;
}

} // namespace

char16_t* DecodeUtf8(std::string_view bytes, char16_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    char16_t* const outEnd = out + bytes.size();
    const bool blocks = Utf8BlocksEnabled();
    for (;;) {
        if (blocks) {
            const Utf8BlocksDecoded done = DecodeUtf8Blocks(p, end, out, outEnd, false);
            p = done.in;
            out = done.out;
        }
        if (end - p < 3)
            break;
        if (p[0] < 0x80) {
            if (!StepOverAscii(p, end, out))
                *out++ = *p++;
            continue;
        }
        if (kLength[p[0] >> 4] == 4) {
            if (end - p < 4 || !DecodeFour(p, out)) {
                return nullptr;
            }
            p += 4;
            out += 2;
            continue;
        }
        const unsigned length = DecodeShort(p[0], p[1], p[2], out);
        if (length == 0) {
            return nullptr;
        }
        p += length;
        ++out;
    }
    // The last one or two bytes, padded with zeros, which are no continuation bytes.
    const auto left = end - p;
    if (left > 0) {
        const unsigned length = DecodeShort(p[0], left > 1 ? p[1] : 0, 0, out);
        if (length == 0 || static_cast<std::ptrdiff_t>(length) > left) {
            return nullptr;
        }
        ++out;
        if (left - static_cast<std::ptrdiff_t>(length) == 1) {
            if (DecodeShort(p[length], 0, 0, out) != 1) {
                return nullptr;
            }
            ++out;
        }
    }
    return out;
}

bool IsUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (const std::optional<bool> checked = CheckUtf8Blocks(p, p + bytes.size()))
        return *checked;
    // Decoded a piece at a time, each cut before a byte that starts a character: four
    // continuation bytes in a row are malformed wherever they stand.
    constexpr std::size_t kPieceBytes = 64 * 1024;
    std::vector<char16_t> units(std::min(bytes.size(), kPieceBytes));
    while (!bytes.empty()) {
        const std::size_t full = std::min(bytes.size(), kPieceBytes);
        std::size_t piece = full;
        while (piece < bytes.size() &&
               IsUtf8Continuation(static_cast<unsigned char>(bytes[piece]))) {
            if (full - piece == 3)
                return false;
            --piece;
        }
        if (DecodeUtf8(bytes.substr(0, piece), units.data()) == nullptr)
            return false;
        bytes.remove_prefix(piece);
    }
    return true;
}

char* EncodeUtf8(std::u16string_view text, char* out) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    const bool blocks = Utf8BlocksEnabled();
    while (p != end) {
        if (blocks) {
            const Utf8BlocksEncoded done = EncodeUtf8Blocks(p, end, out, false);
            p = done.in;
            out = done.out;
            if (p == end)
                break;
        }
        const std::uint32_t unit = *p++;
        if (IsSurrogate(unit)) {
            if (!IsHighSurrogate(unit) || p == end || !IsLowSurrogate(*p)) {
                return nullptr;
            }
            const auto four = Utf8FourOfScalar(ScalarOfPair(unit, *p++));
            std::memcpy(out, four.data(), 4);
            out += 4;
            continue;
        }
        // The three forms are computed side by side and the length selects one by masking;
        // three bytes are stored and only `length` of them kept, within a unit's budget.
        const std::uint32_t length = 1 + (unit >= 0x80) + (unit >= 0x800);
        const std::uint32_t one = unit;
        const std::uint32_t two = (0xC0 | unit >> 6) | (0x80 | (unit & 0x3F)) << 8;
        const std::uint32_t three =
            (0xE0 | unit >> 12) | (0x80 | (unit >> 6 & 0x3F)) << 8 | (0x80 | (unit & 0x3F)) << 16;
        const std::uint32_t form = (one & (0u - (length == 1))) | (two & (0u - (length == 2))) |
                                   (three & (0u - (length == 3)));
        const unsigned char bytes[3] = {
            static_cast<unsigned char>(form),
            static_cast<unsigned char>(form >> 8),
            static_cast<unsigned char>(form >> 16),
        };
        std::memcpy(out, bytes, 3);
        out += length;
    }
    return out;
}
