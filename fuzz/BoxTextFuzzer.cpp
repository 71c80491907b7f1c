// The content box's buffer form. Arbitrary buffer bytes (what any edit could leave) must split
// into the lines of the text they decode to; arbitrary text must come back unchanged, in the form
// the box keeps, with its long lines in rows; the lines picked from such a buffer must be those
// lines' own bytes.
#include "core/encoding/TextCodecs.h"
#include "core/encoding/Utf8Blocks.h"
#include "core/lines/BoxBufferLines.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineBytes.h"
#include "core/lines/LineList.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Run's split, written plainly: pieces ended by a line feed and a last piece without one, each
// without the carriage returns at its end.
std::vector<std::u16string> SplitPlainly(std::u16string_view text) {
    std::vector<std::u16string> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u'\n'), text.size());
        std::u16string_view line = text.substr(0, end);
        while (line.ends_with(u'\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Units from byte pairs; a high byte of 0xFF stretches the unit before it into a run long
// enough to need rows (a few times at most, to keep runs quick).
std::u16string TextFrom(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        if (data[i + 1] == 0xFF && !text.empty() && text.size() < 3 * kBoxRowUnits)
            text.append(kBoxRowUnits / 2 + data[i] * 97, text.back());
        else
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LineList lines;
    SplitBoxText(bytes, lines, nullptr);
    FUZZ_CHECK(lines == SplitPlainly(DecodeBoxText(bytes)));

    const std::u16string text = TextFrom(data, size);
    const std::string encoded = EncodeBoxText(text);
    FUZZ_CHECK(DecodeBoxText(encoded) == text);
    FUZZ_CHECK(BoxFormFault(encoded) == std::string_view::npos);
    FUZZ_CHECK(encoded.size() <= BoxTextSizeBound(text));
    // Every line the editor sees is one row at most, and only row breaks add line feeds.
    std::size_t rowBreaks = 0;
    std::size_t rowStart = 0;
    for (std::size_t i = 0; i <= encoded.size(); ++i) {
        if (i < encoded.size() && encoded[i] != '\n')
            continue;
        FUZZ_CHECK(i - rowStart <= 3 * (kBoxRowUnits + 1) + 2); // a pair may end a row
        rowBreaks += i > 0 && IsBoxRowBreak(encoded, i - 1);
        rowStart = i + 1;
    }
    FUZZ_CHECK(std::count(encoded.begin(), encoded.end(), '\n') ==
               std::count(text.begin(), text.end(), u'\n') +
                   static_cast<std::ptrdiff_t>(rowBreaks));

    // The text's lines in a box's buffer, each followed by CR LF: those the input picks come
    // out of it as they went in; and, when every line has a UTF-8 form, out of it as a buffer
    // loaded with their bytes.
    std::string buffer, expected, picked, pickedByStarts;
    std::vector<std::uint32_t> indices;
    LineBytes bytesOfLines;
    bool utf8 = true;
    for (std::uint32_t line = 0, start = 0, end = 0; start <= text.size();
         start = end + 1, ++line) {
        end = static_cast<std::uint32_t>(std::min(text.find(u'\n', start), text.size()));
        const std::u16string_view units = std::u16string_view(text).substr(start, end - start);
        const std::string boxed = EncodeBoxText(units) + "\r\n";
        buffer += boxed;
        if (size > 0 && data[line % size] % 2 == 0)
            indices.push_back(line), expected += boxed;
        std::string utf8Line(units.size() * 3, '\0');
        if (char* const utf8End = EncodeUtf8(units, utf8Line.data()))
            bytesOfLines.Add(
                {utf8Line.data(), static_cast<std::size_t>(utf8End - utf8Line.data())});
        else
            utf8 = false;
    }
    PickBoxLines(
        buffer, indices, [&](std::string_view piece) { picked += piece; }, [](auto) {});
    FUZZ_CHECK(picked == expected);
    if (utf8) {
        FUZZ_CHECK(PickBoxLinesOf(
            bytesOfLines, buffer, indices, [&](std::string_view piece) { pickedByStarts += piece; },
            [](auto) {}));
        FUZZ_CHECK(pickedByStarts == expected);
    }

    // The block converters change nothing: at every lower level, and without them, every
    // result is the same.
    const std::u16string decoded = DecodeBoxText(bytes);
    for (const Utf8BlocksLevel level : kUtf8BlocksLevels) {
        if (level >= Utf8BlocksBestLevel())
            break;
        UseUtf8BlocksLevel(level);
        LineList plainLines;
        SplitBoxText(bytes, plainLines, nullptr);
        const bool same = plainLines == lines && DecodeBoxText(bytes) == decoded &&
                          EncodeBoxText(text) == encoded;
        UseUtf8BlocksLevel(Utf8BlocksBestLevel());
        FUZZ_CHECK(same);
    }
    return 0;
}
