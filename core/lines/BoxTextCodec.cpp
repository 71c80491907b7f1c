#include "core/lines/BoxTextCodec.h"

#include "core/lines/LineSplit.h"
#include "core/lines/LineList.h"
#include "core/base/OperationProgress.h"
#include "core/encoding/UnicodeScalars.h"
#include "core/encoding/Utf8Blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';
constexpr auto kRowMark = static_cast<unsigned char>(kBoxRowMark);

// Writes the bytes of text to out (kWrite) or only counts them; returns the count. Counting
// first lets the caller allocate exactly: for a large text, touching memory it does not need
// costs more than the second pass.
template <bool kWrite> std::size_t Encode(std::u16string_view text, char* out) {
    std::size_t count = 0;
    const auto put = [&](std::uint32_t byte) {
        if constexpr (kWrite)
            out[count] = static_cast<char>(byte);
        ++count;
    };
    const std::size_t size = text.size();
    std::size_t rowStart = 0;
    const bool blocks = kWrite && Utf8BlocksEnabled();
    for (std::size_t i = 0; i < size; ++i) {
        if (blocks) {
            // Plain UTF-8 up to the next line end or surrogate, within the current row.
            const char16_t* const from = text.data() + i;
            // A surrogate pair may have taken the row one unit past its end.
            const std::size_t rowEnd = std::max(i, std::min(size, rowStart + kBoxRowUnits));
            const Utf8BlocksEncoded done =
                EncodeUtf8Blocks(from, text.data() + rowEnd, out + count, true);
            i += static_cast<std::size_t>(done.in - from);
            count = static_cast<std::size_t>(done.out - out);
            if (i == size)
                break;
        }
        const char16_t unit = text[i];
        // A row break never goes right before the line's own end, which would leave an
        // empty row, nor (since pairs are taken whole below) inside a surrogate pair.
        if (i - rowStart >= kBoxRowUnits && unit != u'\n' &&
            !(unit == u'\r' && i + 1 < size && text[i + 1] == u'\n')) {
            put(static_cast<unsigned char>(kBoxRowMark));
            put('\n');
            put(static_cast<unsigned char>(kBoxRowMark));
            rowStart = i;
        }
        if (unit == u'\n')
            rowStart = i + 1;
        if (unit < 0x80) {
            const bool loneCarriageReturn =
                unit == u'\r' && (i + 1 == size || text[i + 1] != u'\n');
            put(loneCarriageReturn ? static_cast<unsigned char>(kBoxLoneCarriageReturn) : unit);
        } else if (unit < 0x800) {
            put(0xC0 | (unit >> 6));
            put(0x80 | (unit & 0x3F));
        } else if (IsHighSurrogate(unit) && i + 1 < size && IsLowSurrogate(text[i + 1])) {
            for (const unsigned char byte : Utf8FourOfScalar(ScalarOfPair(unit, text[i + 1])))
                put(byte);
            ++i;
        } else { // unpaired surrogates take the same three-byte form as other units
            put(0xE0 | (unit >> 12));
            put(0x80 | ((unit >> 6) & 0x3F));
            put(0x80 | (unit & 0x3F));
        }
    }
    return count;
}

// Hands put the code units of the form that starts at bytes[i] (a row break gives none);
// returns the index after it.
template <class Put> std::size_t DecodeStep(std::string_view bytes, std::size_t i, Put&& put) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    const unsigned char lead = in[i];
    if (lead < 0x80) {
        put(lead);
        return i + 1;
    }
    if (lead == kRowMark) // a row break shows nothing of the text; nor does a mark an edit left
        return i + (IsBoxRowBreak(bytes, i) ? kBoxRowBreakSize : 1);
    if (lead == static_cast<unsigned char>(kBoxLoneCarriageReturn)) {
        put(u'\r');
        return i + 1;
    }
    const std::size_t left = size - i;
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && IsUtf8Continuation(in[i + 1])) {
        put(((lead & 0x1Fu) << 6) | (in[i + 1] & 0x3Fu));
        return i + 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && IsUtf8Continuation(in[i + 1]) &&
        IsUtf8Continuation(in[i + 2])) {
        const std::uint32_t unit =
            ((lead & 0x0Fu) << 12) | ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu);
        if (unit >= 0x800) { // surrogates included: that is how unpaired ones are kept
            put(unit);
            return i + 3;
        }
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && IsUtf8Continuation(in[i + 1]) &&
        IsUtf8Continuation(in[i + 2]) && IsUtf8Continuation(in[i + 3])) {
        const std::uint32_t codePoint = ScalarOfUtf8Four(in + i);
        if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
            put(HighSurrogateOf(codePoint));
            put(LowSurrogateOf(codePoint));
            return i + 4;
        }
    }
    put(kReplacementCharacter);
    return i + 1;
}

// Hands put the code units the bytes hold, one by one.
template <class Put> void DecodeUnits(std::string_view bytes, Put&& put) {
    for (std::size_t i = 0; i < bytes.size();)
        i = DecodeStep(bytes, i, put);
}

// Writes the code units the bytes hold to out, room for `room` (kWrite), or only counts them.
// Writing lets the block decoder take what is plain UTF-8 (unpaired surrogates included), four
// characters at a time; the forms only the box has, and broken ones, go through DecodeStep.
template <bool kWrite>
std::size_t Decode(std::string_view bytes, char16_t* out, std::size_t room = 0) {
    std::size_t count = 0;
    const auto put = [&](std::uint32_t unit) {
        if constexpr (kWrite)
            out[count] = static_cast<char16_t>(unit);
        ++count;
    };
    if constexpr (!kWrite) {
        DecodeUnits(bytes, put);
    } else {
        const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
        const bool blocks = Utf8BlocksEnabled();
        for (std::size_t i = 0; i < bytes.size();) {
            if (blocks) {
                const Utf8BlocksDecoded done =
                    DecodeUtf8Blocks(begin + i, begin + bytes.size(), out + count, out + room, true);
                i = static_cast<std::size_t>(done.in - begin);
                count = static_cast<std::size_t>(done.out - out);
                if (i == bytes.size())
                    break;
            }
            i = DecodeStep(bytes, i, put);
        }
    }
    return count;
}

} // namespace

std::string EncodeBoxText(std::u16string_view text) {
    std::string bytes(Encode<false>(text, nullptr), '\0');
    Encode<true>(text, bytes.data());
    return bytes;
}

std::u16string DecodeBoxText(std::string_view bytes) {
    std::u16string text(Decode<false>(bytes, nullptr), u'\0');
    Decode<true>(bytes, text.data(), text.size());
    return text;
}

std::size_t BoxTextSizeBound(std::u16string_view text) {
    // One byte a unit, one more from U+0080 and one more from U+0800: exact but for a
    // surrogate pair, which takes four bytes, not six. Then the row breaks.
    std::size_t bytes = text.size();
    for (const char16_t unit : text)
        bytes += static_cast<std::size_t>(unit >= 0x80) + static_cast<std::size_t>(unit >= 0x800);
    return bytes + text.size() / kBoxRowUnits * 3;
}

char* EncodeBoxTextTo(std::u16string_view text, char* out) {
    return out + Encode<true>(text, out);
}

std::size_t BoxRowBreakAround(std::string_view bytes, std::size_t position) {
    if (position >= 1 && IsBoxRowBreak(bytes, position - 1))
        return position - 1;
    if (position >= 2 && IsBoxRowBreak(bytes, position - 2))
        return position - 2;
    return std::string_view::npos;
}

std::size_t BoxFormFault(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (IsBoxRowBreak(bytes, i))
            i += kBoxRowBreakSize - 1;
        else if (bytes[i] == kBoxRowMark ||
                 (bytes[i] == '\r' && !bytes.substr(i + 1).starts_with('\n')))
            return i;
    }
    return std::string_view::npos;
}

bool IsUtf8BoxText(std::string_view bytes) {
    // A pass of the C library's byte search for each form's first byte: far quicker than one
    // pass that tests every byte three ways. 0xED also starts the Hangul syllables above
    // U+D000, which are UTF-8; only a second byte of A0 to BF makes it a surrogate's.
    if (bytes.find(kBoxLoneCarriageReturn) != std::string_view::npos ||
        bytes.find(kBoxRowMark) != std::string_view::npos)
        return false;
    for (std::size_t at = bytes.find('\xED'); at != std::string_view::npos;
         at = bytes.find('\xED', at + 1))
        if (at + 1 < bytes.size() && (static_cast<unsigned char>(bytes[at + 1]) & 0xE0) == 0xA0)
            return false;
    return true;
}

void SplitBoxText(std::string_view bytes, LineList& lines, OperationProgress* progress) {
    // The line feed bytes are at most one more than the lines: row breaks hold one too.
    const auto lineFeeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    lines.reserve(lines.size() + lineFeeds + 1);
    const std::size_t first = lines.size();
    const ProgressTicker ticker(progress, lineFeeds);
    const auto tick = [&] { ticker.Tick(lines.size() - first); };
    std::u16string line;
    if (bytes.find(kBoxRowMark) == std::string_view::npos) {
        // Without row breaks every line feed byte ends a line, and the pieces between them
        // decode on their own as they would in the whole.
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string_view::npos)
                end = bytes.size();
            const std::string_view piece = bytes.substr(start, end - start);
            // Never more units than bytes. The buffer only grows: resizing it to each line
            // would fill it with zeros first, a write of every line for nothing.
            if (line.size() < piece.size())
                line.resize(std::max(piece.size(), 2 * line.size()));
            const std::size_t units = Decode<true>(piece, line.data(), line.size());
            lines.push_back(TrimCarriageReturns(std::u16string_view(line).substr(0, units)));
            tick();
            start = end + 1;
        }
        return;
    }
    DecodeUnits(bytes, [&](std::uint32_t unit) {
        if (unit != u'\n') {
            line.push_back(static_cast<char16_t>(unit));
            return;
        }
        lines.push_back(TrimCarriageReturns(line));
        line.clear();
        tick();
    });
    // Text after the last line feed is a line too.
    if (!line.empty())
        lines.push_back(TrimCarriageReturns(line));
}

bool SplitGivesLoadedLines(const LineList& lines) {
    if (lines.HoldsBytes()) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines.Bytes(i).ends_with('\r'))
                return false;
        return true;
    }
    return std::none_of(lines.begin(), lines.end(), [](std::u16string_view line) {
        return !line.empty() && line.back() == u'\r';
    });
}
