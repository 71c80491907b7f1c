#include "core/document/ByteRun.h"

#include "core/compare/LineKeys.h"
#include "core/document/RunSummary.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/TextCodecs.h"
#include "core/files/EncodedTextFiles.h"

#include <algorithm>
#include <new>

bool RunsOnBytes(const CompareOptions& options, const TextCodec& codec) {
    // Without keys from characters, white space is trimmed by TrimWhiteSpace on UTF-8; in code
    // page 932 a trailing U+3000 could not be told from the end of the bytes. Keys from
    // characters are made of each line's text, read as it comes.
    const bool trims = options.ignoreSpace || options.blankAsEmpty;
    return KeepsLinesAsBytes() && HasByteLines(codec) &&
           (!trims || NeedsCharacters(options) || &codec == &kUtf8Codec);
}

EncodedText TextOf(std::string_view bytes, const EncodingChoice& encoding) {
    const MarkedStart start = ReadMarkedStart(encoding, bytes.substr(0, 4));
    return {start.codec, bytes.substr(start.markBytes)};
}

bool EndsLinesInLoneCrs(const EncodedText& text) {
    if (text.codec->unitBytes == 1) // CR and LF bytes are those characters
        return EndsLinesInLoneCrs<char>(text.text);
    std::u16string units(text.text.size(), u'\0');
    const char16_t* end = text.codec->decode(text.text, units.data());
    return end && EndsLinesInLoneCrs(std::u16string_view(units.data(), end - units.data()));
}

FileResult WriteRunLines(std::u16string_view path, const EncodingChoice& encoding,
                         const ByteLines& lines, const RunLineMap& map, bool counts,
                         OperationProgress* progress, LineEnd lineEnd) {
    if (encoding.codec == lines.codec && lines.writtenAsRead) {
        return WriteFileLineBytes(
            path, encoding, map.kept.size(),
            [&](std::size_t k, std::string& bytes) {
                if (counts) { // in ASCII, as the encoding writes it
                    const std::string prefix = CountPrefix(map.counts[k]);
                    char16_t units[32];
                    std::copy(prefix.begin(), prefix.end(), units);
                    const std::size_t at = bytes.size();
                    bytes.resize(at + prefix.size() * kMaxEncodedBytesPerUnit);
                    const char* end =
                        encoding.codec->encode({units, prefix.size()}, bytes.data() + at);
                    bytes.resize(static_cast<std::size_t>(end - bytes.data()));
                }
                bytes += lines.lines[map.kept[k]];
            },
            progress, lineEnd);
    }
    // Otherwise the encoding encodes the text: the result decoded, a line at a time. Each code
    // decodes to one code unit at most.
    LineList result;
    try {
        result.reserve(map.kept.size());
        for (std::size_t k = 0; k < map.kept.size(); ++k) {
            const std::string_view line = lines.lines[map.kept[k]];
            const std::string prefix = counts ? CountPrefix(map.counts[k]) : std::string();
            char16_t* units = result.LineSpace(prefix.size() + line.size());
            std::copy(prefix.begin(), prefix.end(), units);
            // Checked as the reader's decoder takes it.
            const char16_t* end = lines.codec->decode(line, units + prefix.size());
            result.FinishLine(static_cast<std::size_t>(end - units));
        }
    } catch (const std::bad_alloc&) {
        return {FileFailure::kOutOfMemory};
    }
    return WriteFileLines(path, encoding, result, progress, lineEnd);
}
