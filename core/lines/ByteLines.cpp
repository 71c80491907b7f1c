#include "core/lines/ByteLines.h"

#include "core/base/OperationProgress.h"
#include "core/encoding/CanonicalCodes.h"
#include "core/encoding/TextCodecs.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> g_keptAsBytes{true};

// The text is taken in pieces of whole lines about this long: each is checked and then cut
// while it is still in the cache.
constexpr std::size_t kPieceBytes = 64 * 1024;

std::string_view WithoutCarriageReturns(std::string_view line, std::string_view cr) {
    while (line.ends_with(cr))
        line.remove_suffix(cr.size());
    return line;
}

// Where the first line feed lf at or after from lies in text, at a unit boundary (text starts at
// one; a unit is as long as lf); npos when there is none.
std::size_t FindLineFeed(std::string_view text, std::size_t from, std::string_view lf) {
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, lf[0], text.size() - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (at % lf.size() == 0 && text.substr(at, lf.size()) == lf)
            return at;
        from = at + 1;
    }
    return text.npos;
}

// Room for the lines of text, guessed from its first piece; the list grows past it if need be.
std::size_t EstimateLines(std::string_view text) {
    const std::string_view first = text.substr(0, kPieceBytes);
    const auto lineFeeds = static_cast<std::size_t>(std::count(first.begin(), first.end(), '\n'));
    return (lineFeeds + 1) * (text.size() / std::max<std::size_t>(first.size(), 1) + 1);
}

} // namespace

bool KeepsLinesAsBytes() {
    return g_keptAsBytes.load(std::memory_order_relaxed);
}

void KeepLinesAsBytes(bool keep) {
    g_keptAsBytes.store(keep, std::memory_order_relaxed);
}

bool HasByteLines(const TextCodec& codec) {
    // Well-formed UTF-8 holds no LF or CR byte but those characters.
    return &codec == &kUtf8Codec || CanonicalCodes::Of(codec).LineEndsAlone();
}

bool SplitByteLines(std::string_view text, const TextCodec& codec, ByteLines& into,
                    OperationProgress* progress, Utf8Check check) {
    const CanonicalCodes* codes = &codec == &kUtf8Codec ? nullptr : &CanonicalCodes::Of(codec);
    CanonicalCodes::Findings findings;
    const std::size_t unit = codec.unitBytes;
    const std::string_view cr = codec.lineEnd.substr(0, unit), lf = codec.lineEnd.substr(unit);
    into.lines.reserve(into.lines.size() + EstimateLines(text));
    std::size_t done = 0;
    while (done < text.size()) {
        // A piece ends after a line feed (which no other character's bytes hold), so that it
        // is well formed on its own exactly when the whole text is.
        std::size_t end = std::min(done + kPieceBytes, text.size());
        if (end < text.size()) {
            const std::size_t lineFeed = FindLineFeed(text, end, lf);
            end = lineFeed == text.npos ? text.size() : lineFeed + lf.size();
        }
        const std::string_view piece = text.substr(done, end - done);
        findings.notCanonical.clear();
        if (codes ? !codes->Check(piece, findings) : check == Utf8Check::kCheck && !IsUtf8(piece))
            return false;
        into.writtenAsRead = into.writtenAsRead && !findings.notWrittenAsRead;
        // The line from start; a copy of it with canonical codes when one of the codes found
        // not canonical lies in it.
        auto nextNotCanonical = findings.notCanonical.begin();
        const auto add = [&](std::size_t start, std::size_t length) {
            const std::string_view line = WithoutCarriageReturns(piece.substr(start, length), cr);
            if (nextNotCanonical == findings.notCanonical.end() ||
                *nextNotCanonical >= start + line.size()) {
                into.lines.push_back(line);
                return;
            }
            std::string& copy = into.copies.emplace_back();
            codes->AppendCanonical(line, copy);
            into.lines.push_back(copy);
            while (nextNotCanonical != findings.notCanonical.end() &&
                   *nextNotCanonical < start + line.size())
                ++nextNotCanonical;
        };
        std::size_t start = 0;
        for (std::size_t lineFeed; (lineFeed = FindLineFeed(piece, start, lf)) != piece.npos;) {
            if (piece.substr(start, lineFeed - start).ends_with(cr))
                ++into.lineEnds.crLf;
            else
                ++into.lineEnds.lf;
            add(start, lineFeed - start);
            start = lineFeed + lf.size();
        }
        if (start < piece.size()) // only the last piece ends without a line feed
            add(start, piece.size() - start);
        done = end;
        if (progress) {
            progress->ThrowIfCancelled();
            progress->Report(done, text.size());
        }
    }
    return true;
}
