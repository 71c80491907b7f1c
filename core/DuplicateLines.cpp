#include "core/DuplicateLines.h"

#include "core/DocumentState.h"
#include "core/LineHash.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

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

std::size_t CountLineFeeds(std::u16string_view text) {
    std::size_t count = 0;
    std::size_t i = 0;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= text.size(); i += 4)
            count += static_cast<std::size_t>(std::popcount(LineFeedLanes(text.data() + i)));
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

std::u16string_view TrimCarriageReturns(std::u16string_view segment) {
    std::size_t length = segment.size();
    while (length > 0 && segment[length - 1] == u'\r')
        --length;
    return segment.substr(0, length);
}

// Open-addressing set of the lines kept so far. A slot holds the index of a kept line and
// 32 bits of its hash, so that most probes that do not match are settled without touching the
// line itself.
class KeptLineSet {
public:
    explicit KeptLineSet(std::size_t maxLines) {
        std::size_t capacity = 16;
        while (capacity < maxLines + maxLines / 2)
            capacity *= 2;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }

    // Looks for a kept line equal to line; when there is none, records line as kept at
    // index and returns true.
    bool Insert(const std::vector<std::u16string>& lines, const std::u16string& line,
                std::uint32_t index) {
        const std::uint64_t hash = tandrel::HashLine(line);
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            Slot& slot = slots_[at];
            if (slot.index == kEmpty) {
                slot = Slot{tag, index};
                return true;
            }
            if (slot.tag == tag && lines[slot.index] == line)
                return false;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t index = kEmpty;
    };
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

} // namespace

void SplitContentLines(std::u16string text) {
    const std::u16string_view view = text;
    g_vTextLines.clear();
    // One more than the line feeds, for a last line that has none.
    g_vTextLines.reserve(CountLineFeeds(view) + 1);

    std::size_t start = 0;
    while (start < view.size()) {
        const std::size_t end = FindLineFeed(view, start);
        // Text after the last line feed is still a line: dropping it would lose what the user
        // typed last. When the text ends with a line feed there is no such segment.
        g_vTextLines.emplace_back(TrimCarriageReturns(view.substr(start, end - start)));
        start = end + 1;
    }
    g_nLineCount = static_cast<int>(g_vTextLines.size());
}

int RemoveDuplicateLines() {
    // Free the previous run's copy first, so that its memory serves this run.
    g_vWorkLines.clear();

    std::vector<std::u16string>& lines = g_vResultLines;
    KeptLineSet kept(lines.size());
    std::size_t keptCount = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::u16string& line = lines[i];
        if (line.empty())
            continue;
        // A kept line moves down into the first free place; the places behind keptCount hold
        // only dropped or moved-from lines, so the list is compacted in the same pass.
        if (kept.Insert(lines, line, static_cast<std::uint32_t>(keptCount))) {
            if (keptCount != i)
                lines[keptCount] = std::move(line);
            ++keptCount;
        }
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(keptCount), lines.end());

    g_vWorkLines.assign(lines.begin(), lines.end());
    return static_cast<int>(keptCount);
}
