#include "core/compare/LineKeys.h"

#include "core/encoding/UnicodeScalars.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <utility>

namespace {

// The tests below are passed to the algorithms as lambdas, which the compiler inlines, rather
// than as function pointers, which it calls for every code unit of every line.
//
// Every character with a <wide> or <narrow> decomposition lies here: the ideographic space and
// the Halfwidth and Fullwidth Forms block. The property itself is asked only inside.
constexpr bool MayBeWideOrNarrow(char16_t c) {
    return c == 0x3000 || (c >= 0xFF01 && c <= 0xFFEE);
}

bool IsWideOrNarrow(char16_t c) {
    if (!MayBeWideOrNarrow(c))
        return false;
    const auto type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
    return type == U_DT_WIDE || type == U_DT_NARROW;
}

constexpr bool IsKatakanaWithHiragana(char16_t c) {
    return (c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE;
}

constexpr char16_t kHiraganaOffset = 0x60;

// Characters that full case folding leaves alone, whatever surrounds them: the rest of ASCII,
// and the blocks from CJK radicals to Yi and the Hangul syllables (Cyrillic Extended-B, from
// U+A640, folds again). Lines made only of these need no folding at all.
constexpr bool FoldsToItself(char16_t c) {
    return (c < 0x80 && !(c >= u'A' && c <= u'Z')) || (c >= 0x2E80 && c < 0xA640) ||
           (c >= 0xAC00 && c < 0xD800);
}

// The code units of StaysInNfc, one bit each, from ICU's own data: text of characters whose
// NFC quick check says Yes and whose combining class is 0 is in NFC by the quick check's rule
// (no character to compose, decompose or reorder).
class NfcStableUnits {
public:
    NfcStableUnits() {
        for (UChar32 c = 0; c <= 0xFFFF; ++c) {
            if (!U_IS_SURROGATE(c) && u_getCombiningClass(c) == 0 &&
                u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) == UNORM_YES)
                bits_[static_cast<std::size_t>(c) / 64] |= std::uint64_t{1} << (c % 64);
        }
    }
    bool Has(char16_t c) const { return (bits_[c / 64] >> (c % 64)) & 1; }

private:
    std::array<std::uint64_t, 0x10000 / 64> bits_{};
};

const NfcStableUnits& NfcStable() {
    static const NfcStableUnits units;
    return units;
}

// ICU reports running out of memory as an error code; everywhere else here that is bad_alloc.
void ThrowOnFailure(UErrorCode status) {
    if (status == U_MEMORY_ALLOCATION_ERROR)
        throw std::bad_alloc();
    if (U_FAILURE(status))
        throw std::runtime_error(u_errorName(status));
}

} // namespace

bool StaysInNfc(char16_t c) {
    return NfcStable().Has(c);
}

std::u16string_view TrimWhiteSpace(std::u16string_view line) {
    std::size_t start = 0;
    std::size_t end = line.size();
    while (start < end && IsWhiteSpace(line[start]))
        ++start;
    while (end > start && IsWhiteSpace(line[end - 1]))
        --end;
    return line.substr(start, end - start);
}

namespace {

// The character (at most three bytes: no White_Space character needs four) that starts at
// line[at], as one UTF-16 unit, and its length; 0 for a four-byte one.
std::pair<char16_t, std::size_t> Utf8CharacterAt(std::string_view line, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(line[at + i]); };
    const unsigned length = Utf8SequenceLength(byte(0));
    if (length == 1)
        return {byte(0), 1};
    if (length == 2)
        return {static_cast<char16_t>((byte(0) & 0x1F) << 6 | (byte(1) & 0x3F)), 2};
    if (length == 3)
        return {static_cast<char16_t>((byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 |
                                      (byte(2) & 0x3F)),
                3};
    return {0, 0};
}

} // namespace

std::string_view TrimWhiteSpace(std::string_view line) {
    std::size_t start = 0;
    std::size_t end = line.size();
    for (;;) {
        if (start == end)
            return {line.data() + start, 0};
        const auto [c, length] = Utf8CharacterAt(line, start);
        if (length == 0 || !IsWhiteSpace(c))
            break;
        start += length;
    }
    while (end > start) {
        std::size_t first = end - 1; // the last character's first byte
        while (first > start && IsUtf8Continuation(static_cast<unsigned char>(line[first])))
            --first;
        const auto [c, length] = Utf8CharacterAt(line, first);
        if (length == 0 || !IsWhiteSpace(c))
            break;
        end = first;
    }
    return line.substr(start, end - start);
}

LineKeyMaker::LineKeyMaker(const CompareOptions& options) : options_(options) {
    if (options_.ignoreWidth) {
        UErrorCode status = U_ZERO_ERROR;
        nfc_ = unorm2_getNFCInstance(&status);
        nfkc_ = unorm2_getNFKCInstance(&status);
        ThrowOnFailure(status);
    }
    if (NeedsCharacters(options_))
        MakeUnitTable();
}

void LineKeyMaker::MakeUnitTable() {
    steps_ = std::make_unique_for_overwrite<std::uint8_t[]>(0x10000);
    mapped_ = std::make_unique_for_overwrite<char16_t[]>(0x10000);
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const auto c = static_cast<char16_t>(unit);
        // Widen leaves a key alone when it holds no <wide> or <narrow> character and every unit
        // keeps any text in NFC; the rest it maps through ICU.
        bool stepwise = options_.ignoreWidth && (IsWideOrNarrow(c) || !StaysInNfc(c));
        char16_t to = c;
        if (options_.ignoreKana && IsKatakanaWithHiragana(to))
            to -= kHiraganaOffset;
        // Fold folds ASCII capitals alone when every other unit folds to itself.
        if (options_.ignoreCase && to >= u'A' && to <= u'Z')
            to += u'a' - u'A';
        else if (options_.ignoreCase && to >= 0x80 && !FoldsToItself(to))
            stepwise = true;
        steps_[unit] = stepwise ? kStepwise : to != c ? kMapped : kKept;
        mapped_[unit] = to;
    }
}

std::u16string_view LineKeyMaker::Key(std::u16string_view line) {
    std::u16string_view key = options_.ignoreSpace ? TrimWhiteSpace(line) : line;
    if (!steps_)
        return key;
    // What the units need, without a branch on each.
    unsigned steps = kKept;
    for (const char16_t c : key)
        steps |= steps_[c];
    if (steps & kStepwise)
        return StepwiseKey(key);
    if (steps == kKept)
        return key;
    std::u16string& mapped = Other(key);
    mapped.resize(key.size());
    std::transform(key.begin(), key.end(), mapped.begin(), [&](char16_t c) { return mapped_[c]; });
    return mapped;
}

std::u16string_view LineKeyMaker::StepwiseKey(std::u16string_view line) {
    std::u16string_view key = line;
    if (options_.ignoreSpace)
        key = TrimWhiteSpace(key);
    if (options_.ignoreWidth)
        key = Widen(key);
    if (options_.ignoreKana)
        key = Hiragana(key);
    if (options_.ignoreCase)
        key = Fold(key);
    return key;
}

std::u16string_view LineKeyMaker::Widen(std::u16string_view key) {
    std::u16string& mapped = Other(key);
    if (std::any_of(key.begin(), key.end(), [](char16_t c) { return MayBeWideOrNarrow(c); }) &&
        std::any_of(key.begin(), key.end(), IsWideOrNarrow)) {
        mapped.clear();
        for (const char16_t c : key) {
            if (!IsWideOrNarrow(c)) {
                mapped += c;
                continue;
            }
            // Both kinds map one character to one BMP character.
            UChar decomposition[4];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t length = unorm2_getRawDecomposition(nfkc_, c, decomposition, 4, &status);
            ThrowOnFailure(status);
            mapped.append(decomposition, static_cast<std::size_t>(length));
        }
        key = mapped;
    }
    // Most lines are in NFC already, and the quick check says so without a copy.
    const NfcStableUnits& stable = NfcStable();
    if (std::all_of(key.begin(), key.end(), [&](char16_t c) { return stable.Has(c); }))
        return key;
    UErrorCode status = U_ZERO_ERROR;
    const auto length = static_cast<int32_t>(key.size());
    if (unorm2_spanQuickCheckYes(nfc_, key.data(), length, &status) == length) {
        ThrowOnFailure(status);
        return key;
    }
    std::u16string& composed = Other(key);
    // Composition rarely lengthens a text (U+0344 becomes two characters); when it does
    // beyond the room given, ICU says how much it needs.
    composed.resize(key.size() + 8);
    int32_t composedLength = unorm2_normalize(nfc_, key.data(), length, composed.data(),
                                              static_cast<int32_t>(composed.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        composed.resize(static_cast<std::size_t>(composedLength));
        composedLength =
            unorm2_normalize(nfc_, key.data(), length, composed.data(), composedLength, &status);
    }
    ThrowOnFailure(status);
    composed.resize(static_cast<std::size_t>(composedLength));
    return composed;
}

std::u16string_view LineKeyMaker::Hiragana(std::u16string_view key) {
    if (std::none_of(key.begin(), key.end(), [](char16_t c) { return IsKatakanaWithHiragana(c); }))
        return key;
    std::u16string& hiragana = Other(key);
    hiragana.assign(key);
    for (char16_t& c : hiragana) {
        if (IsKatakanaWithHiragana(c))
            c -= kHiraganaOffset;
    }
    return hiragana;
}

std::u16string_view LineKeyMaker::Fold(std::u16string_view key) {
    if (std::all_of(key.begin(), key.end(), [](char16_t c) { return FoldsToItself(c); }))
        return key;
    std::u16string& folded = Other(key);
    // Then only ASCII capitals fold, each to its small letter.
    if (std::all_of(key.begin(), key.end(),
                    [](char16_t c) { return c < 0x80 || FoldsToItself(c); })) {
        folded.assign(key);
        for (char16_t& c : folded) {
            if (c >= u'A' && c <= u'Z')
                c += u'a' - u'A';
        }
        return folded;
    }
    // Full folding makes at most three code units of one.
    folded.resize(key.size() * 3);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), key.data(),
                      static_cast<int32_t>(key.size()), U_FOLD_CASE_DEFAULT, &status);
    ThrowOnFailure(status);
    folded.resize(static_cast<std::size_t>(length));
    return folded;
}
