// The encodings the user can choose, in the order of the encoding list: an item's index is the
// value of g_nEncoding and picks both the reader and the writer.
#pragma once

#include "core/EncodedTextFiles.h"

#include <array>
#include <cstddef>
#include <string_view>

struct EncodingChoice {
    std::u16string_view name; // the list's item text
    void (*ReadLines)(std::u16string path);
    void (*WriteText)(std::u16string path, std::u16string text);
    TextEncoding encoding; // for ReadTextFile and WriteTextFile
};

// Positions in kEncodingChoices, for code that needs one encoding in particular.
inline constexpr std::size_t kAnsiChoice = 0, kUtf8Choice = 1, kUtf16LEChoice = 2;

inline constexpr std::array<EncodingChoice, 3> kEncodingChoices = {{
    {u"ANSI", ReadAnsiLines, WriteAnsiText, TextEncoding::kAnsi},
    {u"UTF-8", ReadUtf8Lines, WriteUtf8Text, TextEncoding::kUtf8},
    {u"UTF-16LE", ReadUtf16LELines, WriteUtf16LEText, TextEncoding::kUtf16LE},
}};

// The choice for an encoding index, or nullptr for an index outside the list.
inline const EncodingChoice* FindEncodingChoice(int nEncoding) {
    if (nEncoding < 0 || nEncoding >= static_cast<int>(kEncodingChoices.size()))
        return nullptr;
    return &kEncodingChoices[static_cast<std::size_t>(nEncoding)];
}
