#include "platform/BoxTextCodec.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

char* PutThreeBytes(char* out, std::uint32_t unit) {
    *out++ = static_cast<char>(0xE0 | (unit >> 12));
    *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    return out;
}

} // namespace

std::string EncodeBoxText(std::u16string_view text) {
    std::string bytes(text.size() * 3, '\0'); // no code unit takes more than three bytes
    char* out = bytes.data();
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            const bool loneCarriageReturn =
                unit == u'\r' && (i + 1 == size || text[i + 1] != u'\n');
            *out++ = loneCarriageReturn ? kBoxLoneCarriageReturn : static_cast<char>(unit);
        } else if (unit < 0x800) {
            *out++ = static_cast<char>(0xC0 | (unit >> 6));
            *out++ = static_cast<char>(0x80 | (unit & 0x3F));
        } else if (IsHighSurrogate(unit) && i + 1 < size && IsLowSurrogate(text[i + 1])) {
            const std::uint32_t codePoint =
                0x10000 + ((std::uint32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
            ++i;
        } else {
            out = PutThreeBytes(out, unit); // unpaired surrogates take the same three-byte form
        }
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

std::u16string DecodeBoxText(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0'); // never more code units than bytes
    char16_t* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            *out++ = lead;
            ++i;
            continue;
        }
        if (lead == static_cast<unsigned char>(kBoxLoneCarriageReturn)) {
            *out++ = u'\r';
            ++i;
            continue;
        }
        const std::size_t left = size - i;
        if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && IsContinuation(in[i + 1])) {
            *out++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (in[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && IsContinuation(in[i + 1]) &&
            IsContinuation(in[i + 2])) {
            const char16_t unit = static_cast<char16_t>(
                ((lead & 0x0F) << 12) | ((in[i + 1] & 0x3F) << 6) | (in[i + 2] & 0x3F));
            if (unit >= 0x800) { // surrogates included: that is how unpaired ones are kept
                *out++ = unit;
                i += 3;
                continue;
            }
        }
        if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && IsContinuation(in[i + 1]) &&
            IsContinuation(in[i + 2]) && IsContinuation(in[i + 3])) {
            const std::uint32_t codePoint = ((lead & 0x07u) << 18) | ((in[i + 1] & 0x3Fu) << 12) |
                                            ((in[i + 2] & 0x3Fu) << 6) | (in[i + 3] & 0x3Fu);
            if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
                *out++ = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
                *out++ = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
                i += 4;
                continue;
            }
        }
        *out++ = kReplacementCharacter;
        ++i;
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}
