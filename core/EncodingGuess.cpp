#include "core/EncodingGuess.h"

#include "core/EncodingChoices.h"
#include "core/TextCodecs.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kAnsi = static_cast<int>(kAnsiChoice);
constexpr int kUtf8 = static_cast<int>(kUtf8Choice);
constexpr int kUtf16LE = static_cast<int>(kUtf16LEChoice);

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool LooksLikeUtf16LE(std::string_view bytes, bool bWhole) {
    if (bytes.empty() || (bWhole && bytes.size() % 2 != 0))
        return false;
    std::size_t nPairs = bytes.size() / 2;
    std::size_t nNulHigh = 0;
    for (std::size_t i = 1; i < bytes.size(); i += 2)
        nNulHigh += bytes[i] == '\0';
    return nNulHigh * 2 > nPairs;
}

// Whether the bytes decode, allowing a head that was cut off to lose up to nMaxCut bytes at its
// end: the part of a character that the cut left behind.
bool Decodes(char16_t* (*decode)(std::string_view, char16_t*), std::string_view bytes, bool bWhole,
             std::size_t nMaxCut) {
    std::vector<char16_t> units(bytes.size());
    const std::size_t nCuts = bWhole ? 0 : std::min(nMaxCut, bytes.size());
    for (std::size_t cut = 0; cut <= nCuts; ++cut)
        if (decode(bytes.substr(0, bytes.size() - cut), units.data()))
            return true;
    return false;
}

} // namespace

int GuessEncoding(std::string_view head, bool bWhole) {
    if (head.starts_with("\xEF\xBB\xBF"))
        return kUtf8;
    if (head.starts_with("\xFF\xFE"))
        return kUtf16LE;
    if (LooksLikeUtf16LE(head, bWhole))
        return kUtf16LE;
    if (IsAscii(head))
        return -1;
    if (Decodes(DecodeUtf8, head, bWhole, 3))
        return kUtf8;
    if (Decodes(DecodeCp932, head, bWhole, 1))
        return kAnsi;
    return -1;
}
