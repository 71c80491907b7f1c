#include "core/lines/LineSplit.h"

#include "core/base/OperationProgress.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

// Line feeds are searched four code units at a time: texts of millions of lines are common
// and a one-unit-at-a-time scan would be the slowest part of the split.
constexpr std::uint64_t kLineFeeds = 0x000A000A000A000AULL;
constexpr std::uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFULL;
constexpr std::uint64_t kHigh1 = 0x8000800080008000ULL;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// High bit set in exactly the lanes of the four code units at p that are line feeds. Exact
// (no lane borrows from its neighbour), so the mask can be both counted and searched.
inline std::uint64_t LineFeedLanes(const char16_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    const std::uint64_t x = v ^ kLineFeeds;
    return ~(((x & kLow15) + kLow15) | x) & kHigh1;
}

// Number of lanes marked by LineFeedLanes: each mark moved to its lane's lowest bit, then the
// four lanes summed into the top one by a multiplication (no popcount instruction needed).
inline std::size_t LaneCount(std::uint64_t lanes) {
    return static_cast<std::size_t>(((lanes >> 15) * 0x0001000100010001ULL) >> 48);
}

std::size_t CountLineFeeds(std::u16string_view text) {
    std::size_t count = 0;
    std::size_t i = 0;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= text.size(); i += 4)
            count += LaneCount(LineFeedLanes(text.data() + i));
    }
    for (; i < text.size(); ++i)
        count += text[i] == u'\n';
    return count;
}

// Position of the first line feed at or after from, or text.size() when there is none.
std::size_t FindLineFeed(std::u16string_view text, std::size_t from) {
    std::size_t i = from;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= text.size(); i += 4) {
            if (const std::uint64_t lanes = LineFeedLanes(text.data() + i))
                return i + static_cast<std::size_t>(std::countr_zero(lanes)) / 16;
        }
    }
    for (; i < text.size(); ++i) {
        if (text[i] == u'\n')
            return i;
    }
    return text.size();
}

} // namespace

std::u16string_view TrimCarriageReturns(std::u16string_view segment) {
    std::size_t length = segment.size();
    while (length > 0 && segment[length - 1] == u'\r')
        --length;
    return segment.substr(0, length);
}

void SplitTextLines(std::u16string_view text, LineList& lines, OperationProgress* progress) {
    // One more than the line feeds, for a last line that has none.
    const std::size_t lineFeeds = CountLineFeeds(text);
    lines.reserve(lines.size() + lineFeeds + 1);
    const ProgressTicker ticker(progress, lineFeeds);
    std::size_t done = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = FindLineFeed(text, start);
        // Text after the last line feed is still a line: dropping it would lose what the user
        // typed last. When the text ends with a line feed there is no such segment.
        lines.push_back(TrimCarriageReturns(text.substr(start, end - start)));
        ticker.Tick(++done);
        start = end + 1;
    }
}

LineList TrimCarriageReturns(LineList lines) {
    // Lines that end in a carriage return are rare, so the list itself serves unless one does.
    if (std::none_of(lines.begin(), lines.end(),
                     [](std::u16string_view line) { return line.ends_with(u'\r'); }))
        return lines;
    LineList trimmed;
    trimmed.reserve(lines.size());
    for (const std::u16string_view line : lines)
        trimmed.push_back(TrimCarriageReturns(line));
    return trimmed;
}
