#include "core/document/Utf8Run.h"

#include "core/document/RunSummary.h"
#include "core/compare/LineKeys.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/TextCodecs.h"
#include "core/files/EncodedTextFiles.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

std::atomic<bool> g_enabled{true};

} // namespace

bool RunsOnUtf8Bytes(const CompareOptions& options) {
    return g_enabled.load(std::memory_order_relaxed) && !NeedsCharacters(options);
}

void EnableUtf8Run(bool enabled) {
    g_enabled.store(enabled, std::memory_order_relaxed);
}

std::optional<std::string_view> Utf8TextOf(std::string_view bytes, const EncodingChoice& encoding) {
    const MarkedStart start = ReadMarkedStart(encoding, bytes.substr(0, 4));
    if (start.codec != &kUtf8Codec)
        return std::nullopt;
    return bytes.substr(start.markBytes);
}

FileResult WriteRunLines(std::u16string_view path, const EncodingChoice& encoding,
                         const Utf8Lines& lines, const RunLineMap& map, bool counts,
                         OperationProgress* progress, LineEnd lineEnd) {
    if (encoding.codec == &kUtf8Codec) {
        return WriteFileLineBytes(
            path, encoding, map.kept.size(),
            [&](std::size_t k, std::string& bytes) {
                if (counts)
                    bytes += CountPrefix(map.counts[k]);
                bytes += lines.lines[map.kept[k]];
            },
            progress, lineEnd);
    }
    // Another encoding encodes the text: the result decoded, a line at a time.
    LineList result;
    try {
        result.reserve(map.kept.size());
        for (std::size_t k = 0; k < map.kept.size(); ++k) {
            const std::string_view line = lines.lines[map.kept[k]];
            const std::string prefix = counts ? CountPrefix(map.counts[k]) : std::string();
            char16_t* units = result.LineSpace(prefix.size() + line.size());
            std::copy(prefix.begin(), prefix.end(), units);
            const char16_t* end = DecodeUtf8(line, units + prefix.size()); // well formed: read so
            result.FinishLine(static_cast<std::size_t>(end - units));
        }
    } catch (const std::bad_alloc&) {
        return {FileFailure::kOutOfMemory};
    }
    return WriteFileLines(path, encoding, result, progress, lineEnd);
}
