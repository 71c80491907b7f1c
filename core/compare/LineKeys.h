// The comparison key of a line under the options of CompareOptions.h: what Run compares instead
// of the line itself. Made in a fixed order: trim, width, kana, case.
#pragma once

#include "core/compare/CompareOptions.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct UNormalizer2;

// Unicode's White_Space property, for the characters a UTF-16 code unit can hold alone (no
// White_Space character lies outside the BMP).
constexpr bool IsWhiteSpace(char16_t c) {
    if (c <= 0x20)
        return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    if (c < 0x85)
        return false;
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Whether text made only of code units like c is in NFC whatever they are: c is a whole
// character, with no canonical decomposition of its own, combining class 0, and never the second
// of a pair that composes (as U+3099, the combining voiced sound mark, is). Most lines are
// made of such characters, and the width key then skips normalising them.
bool StaysInNfc(char16_t c);

// line without the White_Space characters at its start and end; for UTF-8, a well-formed line,
// trimmed of the same characters.
std::u16string_view TrimWhiteSpace(std::u16string_view line);
std::string_view TrimWhiteSpace(std::string_view line);

// Whether a key under options is made from a line's characters. When it is not, the key is the
// line or the part of it that trimming leaves (TrimmedKey), and lines may be compared in any
// form that is equal exactly when their text is, such as their UTF-8 bytes.
constexpr bool NeedsCharacters(const CompareOptions& options) {
    return options.ignoreWidth || options.ignoreKana || options.ignoreCase;
}

// The key of line when options need no characters: as LineKeyMaker makes it, a null view for a
// line Run leaves out as empty.
template <class Unit>
std::basic_string_view<Unit> TrimmedKey(std::basic_string_view<Unit> line,
                                        const CompareOptions& options) {
    if (line.empty() || !(options.ignoreSpace || options.blankAsEmpty))
        return line.empty() ? std::basic_string_view<Unit>() : line;
    const std::basic_string_view<Unit> trimmed = TrimWhiteSpace(line);
    if (options.blankAsEmpty && trimmed.empty())
        return {};
    return options.ignoreSpace ? trimmed : line;
}

class LineKeyMaker {
public:
    explicit LineKeyMaker(const CompareOptions& options);

    // Whether Run leaves line out as empty: it is, or it is blank and blank lines count as
    // empty.
    bool IsEmpty(std::u16string_view line) const {
        return line.empty() || (options_.blankAsEmpty && TrimWhiteSpace(line).empty());
    }

    // The key of line: line itself, or a part of it, when no step changes it (the common case,
    // which then costs no copy); otherwise a view of the maker's own buffer, valid until the
    // next call. A line whose every unit the steps map to one unit whatever surrounds it (in
    // most lines all of them) is mapped in one pass through a table; others go step by step.
    std::u16string_view Key(std::u16string_view line);
    // The key made step by step, whatever the line: for the tests that compare the two.
    std::u16string_view StepwiseKey(std::u16string_view line);

private:
    // What the steps do to a unit: nothing, map it to mapped_[unit], or something that takes
    // the steps themselves (a character that width or case maps through ICU).
    enum Steps : std::uint8_t { kKept = 0, kMapped = 1, kStepwise = 2 };
    void MakeUnitTable();

    // Each step reads one buffer (or the line) and writes the other.
    std::u16string& Other(std::u16string_view key) {
        return key.data() == first_.data() ? second_ : first_;
    }
    std::u16string_view Widen(std::u16string_view key);
    std::u16string_view Hiragana(std::u16string_view key);
    std::u16string_view Fold(std::u16string_view key);

    CompareOptions options_;
    const UNormalizer2* nfc_ = nullptr;
    const UNormalizer2* nfkc_ = nullptr;
    std::u16string first_;
    std::u16string second_;
    std::unique_ptr<std::uint8_t[]> steps_; // Steps of each unit, when the options change keys
    std::unique_ptr<char16_t[]> mapped_;    // the unit each becomes; itself unless kMapped
};
