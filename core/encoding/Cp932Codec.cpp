#include "core/encoding/AsciiFastPath.h"
#include "core/encoding/Cp932Tables.h"
#include "core/encoding/TextCodecs.h"

#include <cstring>

// Japanese text mixes one-byte and two-byte characters at random, which defeats branch
// prediction; so both forms go through the same table lookups, and only the ASCII runs and
// invalid input branch away.

namespace {

// Decodes the character that starts with `first`, given the byte after it (0 at the end of
// the text, which is no trail byte). Returns its length, 0 when the bytes have no character.
unsigned DecodeOne(unsigned first, unsigned next, char16_t* out) {
    const std::uint16_t single = cp932::kSingleByte[first];
    const std::uint16_t pair = cp932::kDoubleByte[cp932::kLeadIndex[first]][next];
    const unsigned isPair = single == cp932::kLeadByte;
    const std::uint16_t unit = isPair ? pair : single;
    *out = unit;
    return unit == cp932::kNoChar ? 0 : 1 + isPair;
}

} // namespace

char16_t* DecodeCp932(std::string_view bytes, char16_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (end - p >= 2) {
        if (StepOverAscii(p, end, out))
            continue;
        // The characters up to the next ASCII byte, without looking for ASCII runs between
        // them: in Japanese text there are few.
        do {
            const unsigned length = DecodeOne(p[0], p[1], out);
            if (length == 0) {
                return nullptr;
            }
            p += length;
            ++out;
        } while (end - p >= 2 && *p >= 0x80);
    }
    if (p != end) {
        if (DecodeOne(p[0], 0, out) == 0) {
            return nullptr;
        }
        ++out;
    }
    return out;
}

char* EncodeCp932(std::u16string_view text, char* out) {
    for (const char16_t unit : text) {
        const std::uint16_t code =
            cp932::kEncodePage[cp932::kEncodePageIndex[unit >> 8]][unit & 0xFF];
        if (code == cp932::kNoCode) {
            return nullptr;
        }
        // Two bytes are always stored: a pair lead byte first, a single byte twice, where the
        // second copy is overwritten by the next character or left beyond the returned end.
        const unsigned isPair = code > 0xFF;
        const unsigned char bytes[2] = {
            static_cast<unsigned char>(isPair ? code >> 8 : code),
            static_cast<unsigned char>(code & 0xFF),
        };
        std::memcpy(out, bytes, 2);
        out += 1 + isPair;
    }
    return out;
}
