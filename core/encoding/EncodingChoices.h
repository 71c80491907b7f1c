// The encodings the user can choose, one row each: everything the program knows of an encoding
// is in its row, and the encoding list, the readers and writers, the stream layer and the
// command line all read it from there. A row's place in kEncodingChoices is its value of
// g_nEncoding and its position in the encoding list, which shows the rows in this order.
#pragma once

#include "core/encoding/TextCodecs.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

// What a reader does with a byte-order mark (its codec's mark) at the start of the file.
enum class MarkRule {
    kIgnored, // no mark is recognised: its bytes are text
    kDecides, // a mark of any row that also decides overrides the codec, and is skipped
    kSkipped, // the codec's own mark is skipped; the codec stays
};

struct EncodingChoice {
    int value;                                 // of g_nEncoding: the row's place in the table
    std::u16string_view itemText;              // in the encoding list
    std::array<std::string_view, 2> flagNames; // on the command line, the first the usual one
    const TextCodec* codec;                    // how the stream layer converts
    bool writesMark;                           // the writer starts the file with codec->mark
    MarkRule readMark;                         // what the reader does with a mark
};

// Values of the rows, for code that needs one encoding in particular.
inline constexpr std::size_t kAnsiChoice = 0, kUtf8Choice = 1, kUtf16LEChoice = 2,
                             kUtf8NoMarkChoice = 3, kEucJpChoice = 4;

// The first three are the encodings the program has always had; later ones take new values
// at the end, so that a value never changes meaning.
inline constexpr std::array<EncodingChoice, 5> kEncodingChoices = {{
    {0, u"ANSI", {"ansi", "cp932"}, &kCp932Codec, false, MarkRule::kIgnored},
    {1, u"UTF-8", {"utf-8"}, &kUtf8Codec, true, MarkRule::kDecides},
    {2, u"UTF-16LE", {"utf-16le"}, &kUtf16LECodec, true, MarkRule::kDecides},
    {3, u"UTF-8 (BOMなし)", {"utf-8-nobom"}, &kUtf8Codec, false, MarkRule::kSkipped},
    {4, u"EUC-JP", {"euc-jp"}, &kEucJpCodec, false, MarkRule::kIgnored},
}};

static_assert([] {
    for (std::size_t i = 0; i < kEncodingChoices.size(); ++i)
        if (kEncodingChoices[i].value != static_cast<int>(i))
            return false;
    return true;
}());

// The row of an encoding value, or nullptr for a value outside the table.
inline const EncodingChoice* FindEncodingChoice(int nEncoding) {
    if (nEncoding < 0 || nEncoding >= static_cast<int>(kEncodingChoices.size()))
        return nullptr;
    return &kEncodingChoices[static_cast<std::size_t>(nEncoding)];
}

// How a reader of encoding takes a file that starts with start (its first bytes, at least four
// when it has them): the codec it reads with, and how many bytes of a byte-order mark it skips.
struct MarkedStart {
    const TextCodec* codec;
    std::size_t markBytes = 0;
};
MarkedStart ReadMarkedStart(const EncodingChoice& encoding, std::string_view start);

// The row with the command-line name, matched without regard to the case of its letters
// ("UTF-8", "CP932"); nullptr for a name no row has.
const EncodingChoice* FindEncodingNamed(std::string_view name);

// Every command-line name, in the order of the rows: for the command line to list when a name
// is wrong, and to complete.
std::vector<std::string_view> EncodingFlagNames();
