// What real Japanese text is made of, one character at a time: how many bits each character
// costs to tell, -log2 of its share in manual pages, documentation and dictionaries, as written
// and with half-width katakana. Generated (scripts/gen-japanese-costs.py), so that the guess
// weighs readings by what text holds, not by rules of thumb.
#pragma once

#include <cstddef>
#include <string_view>

namespace japanese_text {

// What a character costs that the text never held, whatever it is.
extern const int kUnseenCost;
// The characters that cost the index in bits; every other character costs kUnseenCost.
extern const std::u16string_view kCharactersByCost[];

// Classes of characters (hiragana, kanji, half-width katakana...), by ranges of code units;
// every unit outside them is of class kClasses - 1.
inline constexpr int kClasses = 7;
struct ClassRange {
    char16_t first, last;
    int characterClass;
};
extern const ClassRange kClassRanges[];
extern const std::size_t kClassRangeCount;
// What a character costs on top of its own cost, by the class of the one before and its own:
// text runs in one script at a time. A text starts as if after a line feed.
extern const signed char kClassCorrections[kClasses][kClasses];

} // namespace japanese_text
