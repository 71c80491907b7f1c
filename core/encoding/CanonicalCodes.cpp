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
        char bytes[3];
        std::uint8_t size;
        char16_t unit;
        std::string_view Bytes() const { return {bytes, size}; }
    };
    std::vector<Code> codes;
    codes.reserve(kPairCodes);
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
            const auto second = static_cast<char>(length == 3 ? after >> 8 : after);
            Code code{{static_cast<char>(first), second, static_cast<char>(after & 0xFF)},
                      static_cast<std::uint8_t>(length),
                      0};
            if (const std::optional<char16_t> unit = ReadOne(codec, code.Bytes())) {
                code.unit = *unit;
                codes.push_back(code);
            }
        }
    }

    // Each character's canonical code: the one the encoder writes, when that reads back as the
    // character; otherwise its first code, which it then keeps whatever the encoder does.
    std::vector<const Code*> firsts(0x10000);
    for (const Code& code : codes)
        if (!firsts[code.unit])
            firsts[code.unit] = &code;
    // The codes of CR and LF, and whether another code holds one of them where a unit of the
    // encoding could start.
    const std::size_t unit = codec.unitBytes;
    const std::string_view cr = codec.lineEnd.substr(0, unit), lf = codec.lineEnd.substr(unit);
    lineEndsAlone_ = unit > 0 && cr.size() == unit && lf.size() == unit;
    for (const Code& code : codes) {
        const std::string_view bytes = code.Bytes();
        lineEndsAlone_ = lineEndsAlone_ && bytes.size() % unit == 0 &&
                         (bytes != lf || code.unit == u'\n') && (bytes != cr || code.unit == u'\r');
        for (std::size_t at = unit; lineEndsAlone_ && at < bytes.size(); at += unit)
            lineEndsAlone_ = bytes.substr(at, unit) != cr && bytes.substr(at, unit) != lf;
    }
    for (const Code& code : codes) {
        char written[8];
        const char* end = codec.encode(std::u16string_view(&code.unit, 1), written);
        const std::string_view writes(written, end ? static_cast<std::size_t>(end - written) : 0);
        const bool readsBack = !writes.empty() &&
                               writes.size() == length_[static_cast<unsigned char>(writes[0])] &&
                               ReadOne(codec, writes) == code.unit;
        const std::string_view canonical = readsBack ? writes : firsts[code.unit]->Bytes();
        std::uint8_t kind = kCanonical;
        if (canonical != code.Bytes()) {
            kind |= kNotCanonical;
            canonical_.emplace(Packed(code.Bytes()), canonical);
        }
        if (!end || writes != canonical)
            kind |= kNotWrittenAsRead;
        if (static_cast<unsigned>(code.unit - 0x80) < 0x20)
            kind |= kControl;
        const auto* p = reinterpret_cast<const unsigned char*>(code.bytes);
        if (code.size == 1)
            single_[p[0]] = kind;
        else if (code.size == 2)
            pairs_[p[0] << 8 | p[1]] = kind;
        else
            triples_[tripleRow_[p[0]]][p[1] << 8 | p[2]] = kind;
    }
    asciiAlone_ = true;
    for (unsigned byte = 0; byte < 0x80; ++byte)
        asciiAlone_ = asciiAlone_ && length_[byte] == 1 && single_[byte] == kCanonical;
    lineEndsAlone_ = lineEndsAlone_ && ClassOf(cr) == kCanonical && ClassOf(lf) == kCanonical;
    // An encoding of fixed-length codes that are all canonical (UTF-16LE) needs no look at them.
    std::size_t canonicalCodes = 0;
    for (const Code& code : codes)
        canonicalCodes +=
            (ClassOf(code.Bytes()) & ~kControl) == kCanonical && code.size == length_[0];
    if (length_[0] <= 2 && canonicalCodes == std::size_t{1} << (8 * length_[0]))
        fixedLength_ = length_[0];
}

std::uint8_t CanonicalCodes::ClassOf(std::string_view code) const {
    const auto* p = reinterpret_cast<const unsigned char*>(code.data());
    return !code.empty() && code.size() == length_[p[0]] ? ClassAt(p, length_[p[0]]) : kInvalid;
}

template <class Found> bool CanonicalCodes::Walk(std::string_view bytes, Found&& found) const {
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = begin + bytes.size();
    if (fixedLength_ != 0)
        return bytes.size() % fixedLength_ == 0;
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
                if ((kind & kInvalid) || !found(kind, static_cast<std::size_t>(p - begin)))
                    return false;
            }
            p += length;
        } while (p != end && *p >= 0x80);
    }
    return true;
}

bool CanonicalCodes::Check(std::string_view bytes, Findings& findings) const {
    return Walk(bytes, [&findings](std::uint8_t kind, std::size_t at) {
        if (kind & kNotCanonical)
            findings.notCanonical.push_back(at);
        findings.notWrittenAsRead = findings.notWrittenAsRead || (kind & kNotWrittenAsRead);
        return true;
    });
}

bool CanonicalCodes::ReadsWithoutControls(std::string_view bytes) const {
    // Codes of fixed length (UTF-16LE) are not looked at one by one.
    return fixedLength_ == 0 &&
           Walk(bytes, [](std::uint8_t kind, std::size_t) { return !(kind & kControl); });
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
