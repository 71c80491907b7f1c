#include "core/encoding/CanonicalCodes.h"

#include "core/encoding/AsciiFastPath.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

namespace {

constexpr std::size_t kPairCodes = 256 * 256;

std::unique_ptr<std::uint8_t[]> TableOf(std::uint8_t value) {
    auto table = std::make_unique_for_overwrite<std::uint8_t[]>(kPairCodes);
    std::fill(table.get(), table.get() + kPairCodes, value);
    return table;
}

// The one code unit the codec reads code as, or none: a code that the decoder refuses, or
// reads as anything else than one character, is no code of the byte path's.
std::optional<char16_t> ReadOne(const TextCodec& codec, std::string_view code) {
    char16_t units[4];
    const char16_t* end = codec.decode(code, units);
    if (!end || end != units + 1)
        return std::nullopt;
    return units[0];
}

} // namespace

const CanonicalCodes& CanonicalCodes::Of(const TextCodec& codec) {
    static std::mutex mutex;
    static std::map<const TextCodec*, std::unique_ptr<const CanonicalCodes>> made;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const CanonicalCodes>& codes = made[&codec];
    if (!codes)
        codes = std::make_unique<const CanonicalCodes>(codec);
    return *codes;
}

std::uint32_t CanonicalCodes::Packed(std::string_view code) {
    std::uint32_t packed = static_cast<std::uint32_t>(code.size()) << 24;
    for (std::size_t i = 0; i < code.size(); ++i)
        packed |= static_cast<std::uint32_t>(static_cast<unsigned char>(code[i]))
                  << (8 * (code.size() - 1 - i));
    return packed;
}

CanonicalCodes::CanonicalCodes(const TextCodec& codec) : pairs_(TableOf(kInvalid)) {
    triples_.push_back(TableOf(kInvalid));
    // Every code the decoder reads as one character, by its first byte and then the others.
    struct Code {
        std::string bytes;
        char16_t unit;
    };
    std::vector<Code> codes;
    for (unsigned first = 0; first < 256; ++first) {
        const std::size_t length = codec.characterBytes(static_cast<unsigned char>(first));
        // A length the tables do not hold makes the byte invalid: such text takes the UTF-16 path.
        length_[first] = static_cast<std::uint8_t>(std::clamp<std::size_t>(length, 1, 3));
        single_[first] = kInvalid;
        if (length == 3) {
            tripleRow_[first] = static_cast<std::uint8_t>(triples_.size());
            triples_.push_back(TableOf(kInvalid));
        }
        const std::size_t variants = length == 1   ? 1
                                     : length == 2 ? 256
                                     : length == 3 ? kPairCodes
                                                   : 0;
        for (std::size_t after = 0; after < variants; ++after) {
            std::string bytes(1, static_cast<char>(first));
            if (length == 2)
                bytes += static_cast<char>(after);
            if (length == 3) {
                bytes += static_cast<char>(after >> 8);
                bytes += static_cast<char>(after & 0xFF);
            }
            if (const std::optional<char16_t> unit = ReadOne(codec, bytes))
                codes.push_back({std::move(bytes), *unit});
        }
    }

    // Each character's canonical code: the one the encoder writes, when that reads back as the
    // character; otherwise its first code, which it then keeps whatever the encoder does.
    std::map<char16_t, std::string> firsts;
    for (const Code& code : codes)
        firsts.emplace(code.unit, code.bytes);
    lineEndsAlone_ = true;
    for (const Code& code : codes) {
        const std::string_view after = std::string_view(code.bytes).substr(1);
        if (after.find_first_of("\r\n") != after.npos ||
            ((code.bytes == "\n" || code.bytes == "\r") && code.unit != code.bytes[0]))
            lineEndsAlone_ = false;
    }
    for (const Code& code : codes) {
        char written[8];
        const char* end = codec.encode(std::u16string_view(&code.unit, 1), written);
        const std::string writes =
            end ? std::string(written, static_cast<std::size_t>(end - written)) : std::string();
        const bool readsBack = !writes.empty() &&
                               writes.size() == length_[static_cast<unsigned char>(writes[0])] &&
                               ReadOne(codec, writes) == code.unit;
        const std::string& canonical = readsBack ? writes : firsts[code.unit];
        std::uint8_t kind = kCanonical;
        if (canonical != code.bytes) {
            kind |= kNotCanonical;
            canonical_.emplace(Packed(code.bytes), canonical);
        }
        if (!end || writes != canonical)
            kind |= kNotWrittenAsRead;
        const auto* p = reinterpret_cast<const unsigned char*>(code.bytes.data());
        if (code.bytes.size() == 1)
            single_[p[0]] = kind;
        else if (code.bytes.size() == 2)
            pairs_[p[0] << 8 | p[1]] = kind;
        else
            triples_[tripleRow_[p[0]]][p[1] << 8 | p[2]] = kind;
    }
    asciiAlone_ = true;
    for (unsigned byte = 0; byte < 0x80; ++byte)
        asciiAlone_ = asciiAlone_ && length_[byte] == 1 && single_[byte] == kCanonical;
    lineEndsAlone_ = lineEndsAlone_ && single_['\n'] == kCanonical && single_['\r'] == kCanonical;
}

bool CanonicalCodes::Check(std::string_view bytes, Findings& findings) const {
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const auto* p = begin;
    while (p != end) {
        if (asciiAlone_ && end - p >= 16) {
            const std::size_t ascii = AsciiPrefix(p);
            p += ascii;
            if (ascii == 16)
                continue;
        }
        // The codes up to the next ASCII byte, one at a time: in Japanese text few ASCII bytes
        // stand between them.
        do {
            const unsigned length = length_[*p];
            if (static_cast<std::size_t>(end - p) < length)
                return false; // a code cut off
            if (const std::uint8_t kind = ClassAt(p, length); kind != kCanonical) [[unlikely]] {
                if (kind & kInvalid)
                    return false;
                if (kind & kNotCanonical)
                    findings.notCanonical.push_back(static_cast<std::size_t>(p - begin));
                findings.notWrittenAsRead =
                    findings.notWrittenAsRead || (kind & kNotWrittenAsRead);
            }
            p += length;
        } while (p != end && *p >= 0x80);
    }
    return true;
}

void CanonicalCodes::AppendCanonical(std::string_view bytes, std::string& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p != end) {
        const unsigned length = length_[*p];
        const std::string_view code(reinterpret_cast<const char*>(p), length);
        if (ClassAt(p, length) & kNotCanonical)
            out += canonical_.at(Packed(code));
        else
            out += code;
        p += length;
    }
}
