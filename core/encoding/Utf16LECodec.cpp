#include "core/encoding/TextCodecs.h"

#include <bit>
#include <cstring>

char16_t* DecodeUtf16LE(std::string_view bytes, char16_t* out) {
    if (bytes.size() % 2 != 0) {
        return nullptr;
    }
    const std::size_t units = bytes.size() / 2;
    if (units == 0) {
        return out; // memcpy must not see the null pointer of an empty view
    }
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, bytes.data(), bytes.size());
    } else {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        for (std::size_t i = 0; i < units; ++i) {
            out[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        }
    }
    return out + units;
}

char* EncodeUtf16LE(std::u16string_view text, char* out) {
    if (text.empty()) {
        return out;
    }
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, text.data(), text.size() * 2);
        return out + text.size() * 2;
    } else {
        for (const char16_t unit : text) {
            *out++ = static_cast<char>(unit & 0xFF);
            *out++ = static_cast<char>(unit >> 8);
        }
        return out;
    }
}
