// Splits arbitrary text and filters its lines, checking the result against Run's rule written
// out plainly: with every option off through the functions on the document state, and under
// the options the first byte chooses through the filter. The rest of the bytes, read as a file in
// each encoding whose lines can stay bytes, must filter as bytes exactly as their UTF-16 lines
// do, and the bytes kept must read as those lines.
#include "core/document/ByteRun.h"
#include "core/document/DocumentRun.h"
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/LineSplit.h"
#include "fuzz/FuzzCheck.h"
#include "tests/support/PlainRunRule.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The first byte's lowest bit chooses how the rest becomes text: either each byte picks a unit
// from a small alphabet (so that repeats, empty lines and near-repeats, also under the options,
// are common) or byte pairs are taken as raw UTF-16 code units (so that every unit value
// occurs).
std::u16string TextFrom(const std::uint8_t* data, std::size_t size) {
    static constexpr char16_t kAlphabet[] = {
        u'a',      u'b',      u'A',      u'\r',     u'\n',     u'\u3042', u'\xD800', u' ',
        u'\u30A2', u'\uFF71', u'\uFF21', u'\u3000', u'\u00DF', u'\u0301', u'\u302A', u'\u302B'};
    std::u16string text;
    if (size == 0)
        return text;
    if (data[0] % 2 == 0) {
        for (std::size_t i = 1; i < size; ++i)
            text.push_back(kAlphabet[data[i] % std::size(kAlphabet)]);
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    return text;
}

// The other seven bits of the first byte, one for each option.
CompareOptions OptionsFrom(const std::uint8_t* data, std::size_t size) {
    CompareOptions options;
    for (std::size_t k = 0; k < kCompareOptionNames.size() && size > 0; ++k)
        options.*kCompareOptionNames[k].member = (data[0] >> (k + 1)) & 1;
    return options;
}

// The map matches the plain rule's.
void CheckMap(const RunLineMap& map, const RunLineMap& expected) {
    FUZZ_CHECK(map.kept == expected.kept);
    FUZZ_CHECK(map.keptAs == expected.keptAs);
    FUZZ_CHECK(map.counts == expected.counts);
}

// The bytes after the first as a file in encoding: split and filtered as bytes, and as the
// reader's UTF-16 lines.
void CheckByteLines(std::string_view bytes, const EncodingChoice& encoding,
                    CompareOptions options) {
    const FileLines read = ReadBytesLines(InputBytes(bytes), u"fuzz", encoding, nullptr);
    const EncodedText text = TextOf(bytes, encoding);
    if (!RunsOnBytes(options, *text.codec))
        options.ignoreSpace = options.blankAsEmpty = false;
    ByteLines lines;
    if (!HasByteLines(*text.codec) || !SplitByteLines(text.text, *text.codec, lines, nullptr)) {
        FUZZ_CHECK(!HasByteLines(*text.codec) || !read.result.Succeeded());
        return;
    }
    FUZZ_CHECK(read.result.Succeeded());
    FUZZ_CHECK(lines.lineEnds.crLf == read.lineEnds.crLf && lines.lineEnds.lf == read.lineEnds.lf);
    const LineList readLines = TrimCarriageReturns(LineList(read.lines));
    FUZZ_CHECK(lines.lines.size() == readLines.size());
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        std::u16string units(lines.lines[i].size(), u'\0');
        const char16_t* end = text.codec->decode(lines.lines[i], units.data());
        FUZZ_CHECK(end && std::u16string_view(units.data(), end - units.data()) == readLines[i]);
        if (lines.writtenAsRead) {
            std::string written(readLines[i].size() * kMaxEncodedBytesPerUnit + 1, '\0');
            const char* writtenEnd = text.codec->encode(readLines[i], written.data());
            FUZZ_CHECK(writtenEnd &&
                       std::string_view(written.data(), writtenEnd - written.data()) ==
                           lines.lines[i]);
        }
    }
    const FilteredLines run = FilterLines(readLines, options);
    CheckMap(MapRunLines(lines.lines, lines.lines.size(), options, nullptr, text.codec->decode),
             run.map);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = TextFrom(data, size);

    g_vFileLines.clear();
    SplitContentLines(text);
    FUZZ_CHECK(g_nLineCount == static_cast<int>(g_vTextLines.size()));
    std::size_t lineFeeds = 0;
    for (char16_t c : text)
        lineFeeds += c == u'\n';
    const bool finalSegment = !text.empty() && text.back() != u'\n';
    FUZZ_CHECK(g_vTextLines.size() == lineFeeds + (finalSegment ? 1 : 0));
    for (const auto& line : g_vTextLines) {
        FUZZ_CHECK(line.find(u'\n') == std::u16string::npos);
        FUZZ_CHECK(line.empty() || line.back() != u'\r');
    }

    const std::vector<std::u16string> split(g_vTextLines.begin(), g_vTextLines.end());
    // Split again beside file lines that the text's lines share units with: its own lines with
    // one of them left out, as the text of a file loaded and then edited would have.
    std::vector<std::u16string> file = split;
    if (!file.empty())
        file.erase(file.begin() + static_cast<std::ptrdiff_t>(size % file.size()));
    g_vFileLines = file;
    SplitContentLines(text);
    FUZZ_CHECK(g_vTextLines == split);
    g_vFileLines.clear(); // the text lines keep alive what they share

    g_vResultLines = g_vTextLines;
    g_vWorkLines = {u"left from an earlier run"};
    const int kept = RemoveDuplicateLines();

    FUZZ_CHECK(kept == static_cast<int>(g_vResultLines.size()));
    FUZZ_CHECK(g_vWorkLines == g_vResultLines);
    FUZZ_CHECK(g_nLineCount == static_cast<int>(split.size()));
    FUZZ_CHECK(g_vTextLines == split);
    const RunLineMap plain = PlainRunRule(split, CompareOptions{});
    FUZZ_CHECK(g_vResultLines == LineList(split).Pick(plain.kept));

    const CompareOptions options = OptionsFrom(data, size);
    const FilteredLines run = FilterLines(LineList(split), options);
    CheckMap(run.map, PlainRunRule(split, options));
    FUZZ_CHECK(run.result == LineList(split).Pick(run.map.kept));
    // The filter on two cores numbers the lines as on one, however few they are.
    {
        const std::vector<std::u16string_view> lines(split.begin(), split.end());
        RunLineMap one;
        RunLineMap two;
        if (NeedsCharacters(options)) {
            CharacterKeys<char16_t> keys(options, nullptr);
            run_filter_detail::GroupLines(lines, lines.size(), keys, nullptr, one);
            run_filter_detail::GroupLinesInHalves(
                lines, lines.size(), [&] { return CharacterKeys<char16_t>(options, nullptr); },
                nullptr, two, 0);
        } else {
            const auto keyOf = [&](std::u16string_view line, std::size_t) {
                return TrimmedKey(line, options);
            };
            run_filter_detail::GroupLines(lines, lines.size(), keyOf, nullptr, one);
            run_filter_detail::GroupLinesInHalves(
                lines, lines.size(), [&] { return keyOf; }, nullptr, two, 0);
        }
        FUZZ_CHECK(two.kept == one.kept && two.keptAs == one.keptAs);
    }

    if (size > 0) {
        const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
        for (const EncodingChoice& encoding : kEncodingChoices)
            CheckByteLines(bytes, encoding, options);
    }
    return 0;
}
