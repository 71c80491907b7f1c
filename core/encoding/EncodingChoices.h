// The encodings the user can choose. An encoding's index in kEncodingChoices is its value of
// g_nEncoding and picks both the reader and the writer; the encoding list shows them in its own
// order, listPosition.
#pragma once

#include "core/files/EncodedTextFiles.h"

#include <array>
#include <cstddef>
#include <string_view>

struct EncodingChoice {
    std::u16string_view name; // the list's item text
    void (*ReadLines)(std::u16string path);
    void (*WriteText)(std::u16string path, std::u16string text);
    TextEncoding encoding;     // for ReadTextFile and WriteTextFile
    int listPosition;          // the item's place in the encoding list
    std::string_view flagName; // on the command line
};

// Positions in kEncodingChoices, for code that needs one encoding in particular.
inline constexpr std::size_t kAnsiChoice = 0, kUtf8Choice = 1, kUtf16LEChoice = 2,
                             kUtf8NoMarkChoice = 3, kEucJpChoice = 4;

// The list is sorted as a sorted list of names is read, numbers by their value: so "UTF-8"
// comes before "UTF-16LE", where the first three items have always stood, and the two added
// items go where they sort. New encodings take new values, so a value never changes meaning.
inline constexpr std::array<EncodingChoice, 5> kEncodingChoices = {{
    {u"ANSI", ReadAnsiLines, WriteAnsiText, TextEncoding::kAnsi, 0, "ansi"},
    {u"UTF-8", ReadUtf8Lines, WriteUtf8Text, TextEncoding::kUtf8, 2, "utf-8"},
    {u"UTF-16LE", ReadUtf16LELines, WriteUtf16LEText, TextEncoding::kUtf16LE, 4, "utf-16le"},
    {u"UTF-8 (BOMなし)", ReadUtf8NoMarkLines, WriteUtf8NoMarkText, TextEncoding::kUtf8NoMark, 3,
     "utf-8-nobom"},
    {u"EUC-JP", ReadEucJpLines, WriteEucJpText, TextEncoding::kEucJp, 1, "euc-jp"},
}};

// The choice for an encoding index, or nullptr for an index outside the list.
inline const EncodingChoice* FindEncodingChoice(int nEncoding) {
    if (nEncoding < 0 || nEncoding >= static_cast<int>(kEncodingChoices.size()))
        return nullptr;
    return &kEncodingChoices[static_cast<std::size_t>(nEncoding)];
}

// The encoding index of the list item at position, or -1 for a position outside the list.
constexpr int EncodingAtListPosition(int position) {
    for (std::size_t i = 0; i < kEncodingChoices.size(); ++i)
        if (kEncodingChoices[i].listPosition == position)
            return static_cast<int>(i);
    return -1;
}

// The list position of an encoding index, or -1 for an index outside the list.
constexpr int ListPositionOf(int nEncoding) {
    const EncodingChoice* choice = nullptr;
    if (nEncoding >= 0 && nEncoding < static_cast<int>(kEncodingChoices.size()))
        choice = &kEncodingChoices[static_cast<std::size_t>(nEncoding)];
    return choice ? choice->listPosition : -1;
}
