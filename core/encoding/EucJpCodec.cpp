#include "core/encoding/AsciiFastPath.h"
#include "core/encoding/TextCodecs.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>

// EUC-JP as glibc's "EUC-JP-MS" converter reads it: ASCII, the half-width katakana after 8E,
// JIS X 0208 in two bytes (with the NEC row 13 and the user-defined rows F5 to FE), and JIS X
// 0212 in three bytes after 8F (with the IBM extensions and user-defined rows). Of glibc's EUC-JP
// converters it is the one that maps the shared JIS codes to the characters code page 932 reads
// there (A1C1 is U+FF5E, not U+301C), so that every character a code page 932 file holds, except
// the four vendor bytes A0 and FD to FF, can be saved as EUC-JP and read back unchanged.
//
// The converter is asked once for every code, and the answers are kept in tables: iconv per
// line would be slow, and its encoder also maps look-alikes many to one (U+301C to A1C1, which
// reads back as U+FF5E). Encoding here writes only a code that reads back as the same
// character, so nothing is silently altered.

namespace {

constexpr unsigned kRows = 94; // A1 to FE
constexpr std::uint32_t kNoCode = 0;

struct EucJpTables {
    std::array<char16_t, 256> single{};            // 0 for a byte that is no character alone
    std::array<char16_t, 64> kana{};               // 8E A1..DF, by trail byte - A1
    std::array<char16_t, kRows * kRows> jis0208{}; // by (lead - A1) * 94 + (trail - A1)
    std::array<char16_t, kRows * kRows> jis0212{}; // the same after 8F
    // Bytes written for each code unit, first byte highest; kNoCode where there is none.
    std::unique_ptr<std::uint32_t[]> code = std::make_unique<std::uint32_t[]>(0x10000);
};

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Works())
            iconv_close(cd_);
    }
    bool Works() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The whole of in converted, or "" when the converter refuses any of it.
    std::string operator()(std::string in) const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char out[16];
        char* inPtr = in.data();
        char* outPtr = out;
        std::size_t inLeft = in.size(), outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0)
            return {};
        return std::string(out, static_cast<std::size_t>(outPtr - out));
    }

private:
    iconv_t cd_;
};

// The one UTF-16 code unit that bytes read as, or 0.
char16_t ReadOne(const Converter& decode, std::string bytes) {
    const std::string unit = decode(std::move(bytes));
    if (unit.size() != 2)
        return 0;
    return static_cast<char16_t>(static_cast<unsigned char>(unit[0]) |
                                 static_cast<unsigned char>(unit[1]) << 8);
}

std::uint32_t Packed(const std::string& bytes) {
    std::uint32_t code = 0;
    for (const char byte : bytes)
        code = code << 8 | static_cast<unsigned char>(byte);
    return code;
}

EucJpTables BuildTables() {
    const Converter decode("UTF-16LE", "EUC-JP-MS");
    const Converter encode("EUC-JP-MS", "UTF-16LE");
    EucJpTables tables;
    // Without glibc's converter modules (a stripped-down system) the tables stay empty: then
    // EUC-JP reads and writes nothing, and says so as it would of any byte it cannot read.
    if (!decode.Works() || !encode.Works())
        return tables;
    const auto note = [&](char16_t unit, const std::string& bytes) {
        if (unit == 0)
            return;
        std::uint32_t& code = tables.code[unit];
        // A character with several codes gets the one glibc writes for it, else the first.
        const std::string chosen =
            encode(std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
        if (code == kNoCode || chosen == bytes)
            code = Packed(bytes);
    };
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string bytes(1, static_cast<char>(byte));
        tables.single[byte] = ReadOne(decode, bytes);
        note(tables.single[byte], bytes);
    }
    tables.single[0] = 0; // NUL reads as U+0000, the table's "none": handled by the decoder
    tables.code[0] = 0;
    for (unsigned trail = 0xA1; trail <= 0xDF; ++trail) {
        const std::string bytes{'\x8E', static_cast<char>(trail)};
        tables.kana[trail - 0xA1] = ReadOne(decode, bytes);
        note(tables.kana[trail - 0xA1], bytes);
    }
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            const unsigned index = (lead - 0xA1) * kRows + (trail - 0xA1);
            const std::string two{static_cast<char>(lead), static_cast<char>(trail)};
            tables.jis0208[index] = ReadOne(decode, two);
            note(tables.jis0208[index], two);
            const std::string three = '\x8F' + two;
            tables.jis0212[index] = ReadOne(decode, three);
            note(tables.jis0212[index], three);
        }
    }
    return tables;
}

const EucJpTables& Tables() {
    static const EucJpTables tables = BuildTables();
    return tables;
}

bool IsRowByte(unsigned byte) {
    return byte >= 0xA1 && byte <= 0xFE;
}

} // namespace

char16_t* DecodeEucJp(std::string_view bytes, char16_t* out) {
    const EucJpTables& tables = Tables();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p != end) {
        if (StepOverAscii(p, end, out))
            continue;
        // The characters up to the next ASCII byte, without looking for ASCII runs between
        // them: in Japanese text there are few.
        do {
            const unsigned first = *p;
            char16_t unit = 0;
            if (first == 0) {
                *out++ = u'\0';
                ++p;
                continue;
            }
            if (first == 0x8E && end - p >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) {
                unit = tables.kana[p[1] - 0xA1];
                p += 2;
            } else if (first == 0x8F && end - p >= 3 && IsRowByte(p[1]) && IsRowByte(p[2])) {
                unit = tables.jis0212[(p[1] - 0xA1) * kRows + (p[2] - 0xA1)];
                p += 3;
            } else if (IsRowByte(first) && end - p >= 2 && IsRowByte(p[1])) {
                unit = tables.jis0208[(first - 0xA1) * kRows + (p[1] - 0xA1)];
                p += 2;
            } else {
                unit = tables.single[first];
                p += 1;
            }
            if (unit == 0)
                return nullptr;
            *out++ = unit;
        } while (p != end && *p >= 0x80);
    }
    return out;
}

char* EncodeEucJp(std::u16string_view text, char* out) {
    const EucJpTables& tables = Tables();
    for (const char16_t unit : text) {
        const std::uint32_t code = tables.code[unit];
        if (code == kNoCode) {
            if (unit != 0)
                return nullptr;
            *out++ = '\0';
            continue;
        }
        if (code > 0xFFFF)
            *out++ = static_cast<char>(code >> 16);
        if (code > 0xFF)
            *out++ = static_cast<char>(code >> 8);
        *out++ = static_cast<char>(code);
    }
    return out;
}
