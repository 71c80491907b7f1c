#include "core/lines/DuplicateLines.h"

#include "core/document/DocumentState.h"
#include "core/base/HugePages.h"
#include "core/lines/LineHash.h"
#include "core/lines/LineList.h"
#include "core/base/OperationProgress.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>
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

// Open-addressing set of the lines kept so far, over the list that holds them. A slot holds
// the index of a kept line and the low 32 bits of its keyed hash, which choose its first slot,
// let the table grow without touching the lines again, and settle most probes that do not
// match. It counts the slots its lookups pass: colliding lines would make every lookup walk
// past all earlier ones, so more than a few per lookup means the key is bad (see Overworked).
class KeptLineSet {
public:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

    // expectedLines only sizes the table at first; it grows when it fills up.
    KeptLineSet(const LineList& lines, std::size_t expectedLines)
        : lines_(lines), key_(tandrel::ProcessLineHashKey()) {
        std::size_t capacity = 16;
        while (capacity * 3 < expectedLines * 4)
            capacity *= 2;
        Allocate(capacity);
    }

    std::uint32_t Tag(std::u16string_view line) const {
        return static_cast<std::uint32_t>(tandrel::HashLine(line, key_));
    }

    // Asks the processor to fetch the first slot of a line that is about to be looked up:
    // in a table of millions of slots nearly every first probe misses the cache.
    void PrefetchSlot(std::uint32_t tag) const { __builtin_prefetch(&slots_[tag & mask_]); }

    // The kept line that a lookup of tag will most likely compare with, or kNone.
    std::uint32_t LikelyMatch(std::uint32_t tag) const {
        const Slot& slot = slots_[tag & mask_];
        return slot.tag == tag ? slot.index : kNone;
    }

    // Looks for a kept line equal to line and returns its index; when there is none, records
    // line as kept at index and returns kNone.
    std::uint32_t Insert(std::u16string_view line, std::uint32_t tag, std::uint32_t index) {
        ++lookups_;
        for (std::size_t at = tag & mask_;; at = (at + 1) & mask_, ++probes_) {
            Slot& slot = slots_[at];
            if (slot.index == kNone) {
                slot = Slot{tag, index};
                if (++size_ > growAt_)
                    Grow();
                return kNone;
            }
            if (slot.tag == tag && lines_[slot.index] == line)
                return slot.index;
        }
    }

    // Lookups pass a handful of slots on average while the table is at most three quarters
    // full; many more means that lines collide, and the filter is heading for quadratic time.
    bool Overworked() const { return probes_ > kProbesPerLookup * lookups_ + kProbeSlack; }

    // Takes a fresh key for the process and sorts the kept lines, at the indices firsts, into
    // the table again under it.
    void Rekey(const std::vector<std::uint32_t>& firsts) {
        key_ = tandrel::RenewProcessLineHashKey();
        std::fill(slots_.begin(), slots_.end(), Slot{});
        for (const std::uint32_t index : firsts)
            Place(Slot{Tag(lines_[index]), index});
        probes_ = 0;
        lookups_ = 0;
    }

private:
    static constexpr std::size_t kProbesPerLookup = 16;
    static constexpr std::size_t kProbeSlack = 1 << 16;

    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t index = kNone;
    };

    void Allocate(std::size_t capacity) {
        slots_ = std::vector<Slot>();
        slots_.reserve(capacity);
        tandrel::AdviseHugePages(slots_.data(), capacity * sizeof(Slot));
        slots_.resize(capacity);
        mask_ = capacity - 1;
        growAt_ = capacity / 4 * 3;
    }

    // Puts a slot of a line known to be distinct from all others in the table.
    void Place(const Slot& slot) {
        std::size_t at = slot.tag & mask_;
        while (slots_[at].index != kNone)
            at = (at + 1) & mask_;
        slots_[at] = slot;
    }

    void Grow() {
        std::vector<Slot> old = std::move(slots_);
        Allocate(old.size() * 2);
        for (const Slot& slot : old) {
            if (slot.index != kNone)
                Place(slot);
        }
    }

    const LineList& lines_;
    tandrel::LineHashKey key_;
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
    std::size_t growAt_ = 0;
    std::size_t probes_ = 0;
    std::size_t lookups_ = 0;
};

// The filter without a hash, for when keys keep failing: firsts (distinct first occurrences,
// all before from) and the non-empty lines from from to count, their indices sorted by line
// (stable, so the first of equal lines leads), give every distinct line's first occurrence.
// O(n log n) comparisons whatever the text. Replaces firsts with all of them, in order, and
// fills keptAs (when given) from from on, as FirstOccurrences does.
void FirstOccurrencesBySorting(const LineList& lines, std::size_t from, std::size_t count,
                               std::vector<std::uint32_t>& firsts,
                               std::vector<std::uint32_t>* keptAs) {
    std::vector<std::uint32_t> order = firsts;
    for (std::size_t i = from; i < count; ++i) {
        if (!lines[i].empty())
            order.push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return lines[a] < lines[b]; });
    firsts.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k == 0 || lines[order[k]] != lines[order[k - 1]])
            firsts.push_back(order[k]);
    }
    std::sort(firsts.begin(), firsts.end());
    if (!keptAs)
        return;
    // The first of a run of equal lines in order is their first occurrence.
    for (std::size_t k = 0, first = 0; k < order.size(); ++k) {
        if (k == 0 || lines[order[k]] != lines[order[k - 1]])
            first = std::lower_bound(firsts.begin(), firsts.end(), order[k]) - firsts.begin();
        if (order[k] >= from)
            (*keptAs)[order[k]] = static_cast<std::uint32_t>(first);
    }
    for (std::size_t i = from; i < count; ++i) {
        if (lines[i].empty())
            (*keptAs)[i] = KeptLineSet::kNone;
    }
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

namespace {

// The split of Run's step, as the window makes it: sharing the units of the file lines.
LineList SplitFollowingFileLines(std::u16string_view text) {
    LineList lines;
    lines.FollowLinesOf(g_vFileLines);
    SplitTextLines(text, lines, nullptr);
    return lines;
}

} // namespace

void SplitContentLines(std::u16string text) {
    g_vTextLines = SplitFollowingFileLines(text);
    g_nLineCount = static_cast<int>(g_vTextLines.size());
}

std::vector<std::uint32_t> FirstOccurrences(const LineList& lines, std::size_t count,
                                            OperationProgress* progress,
                                            std::vector<std::uint32_t>* keptAs) {
    count = std::min(count, lines.size());
    if (keptAs)
        keptAs->resize(count);
    // Sized for half the lines being distinct, which saves fresh memory on texts that repeat
    // much; the table doubles whenever more turn out to be distinct.
    KeptLineSet kept(lines, count / 2);
    std::vector<std::uint32_t> firsts;
    const ProgressTicker ticker(progress, count);

    // The loop runs three steps ahead of itself, because nearly every lookup would otherwise
    // wait for memory: 16 lines ahead it hashes a line and fetches its first slot; 8 ahead it
    // reads that slot and fetches the kept line it points to; 4 ahead it fetches that line's
    // text. By the time a line's turn comes, what its lookup compares is in the cache.
    constexpr std::size_t kAhead = 16;
    std::uint32_t tags[kAhead];
    std::uint32_t likely[kAhead];
    auto hashAhead = [&](std::size_t j) {
        tags[j % kAhead] = kept.Tag(lines[j]);
        kept.PrefetchSlot(tags[j % kAhead]);
    };
    auto startAt = [&](std::size_t from) {
        for (std::size_t j = from; j < from + kAhead && j < count; ++j)
            hashAhead(j);
        for (std::size_t j = 0; j < kAhead; ++j)
            likely[j] = KeptLineSet::kNone;
    };
    startAt(0);

    // A bad key is replaced twice; should a third fail too, the lines left are sorted instead,
    // so that no text can make the filter quadratic.
    constexpr int kRekeys = 2;
    int rekeys = 0;
    std::size_t i = 0;
    for (; i < count; ++i) {
        ticker.Tick(i);
        const std::uint32_t tag = tags[i % kAhead];
        if (i + kAhead < count)
            hashAhead(i + kAhead);
        if (const std::size_t j = i + kAhead / 2; j < count) {
            likely[j % kAhead] = kept.LikelyMatch(tags[j % kAhead]);
            if (likely[j % kAhead] != KeptLineSet::kNone)
                __builtin_prefetch(lines.EntryAddress(likely[j % kAhead]));
        }
        if (const std::size_t j = i + kAhead / 4;
            j < count && likely[j % kAhead] != KeptLineSet::kNone) {
            __builtin_prefetch(lines.LineAddress(likely[j % kAhead]));
            // And where a repeat finds its first occurrence's place in firsts.
            if (keptAs)
                __builtin_prefetch(keptAs->data() + likely[j % kAhead]);
        }

        const std::u16string_view line = lines[i];
        std::uint32_t position = KeptLineSet::kNone; // in firsts, of the line's first occurrence
        if (!line.empty()) {
            if (const std::uint32_t same = kept.Insert(line, tag, static_cast<std::uint32_t>(i));
                same != KeptLineSet::kNone) {
                position = keptAs ? (*keptAs)[same] : 0;
            } else {
                position = static_cast<std::uint32_t>(firsts.size());
                firsts.push_back(static_cast<std::uint32_t>(i));
            }
        }
        if (keptAs)
            (*keptAs)[i] = position;
        if (kept.Overworked()) [[unlikely]] {
            if (rekeys == kRekeys)
                break;
            ++rekeys;
            kept.Rekey(firsts);
            startAt(i + 1);
        }
    }
    if (i < count)
        FirstOccurrencesBySorting(lines, i + 1, count, firsts, keptAs);
    return firsts;
}

RunLines KeepDistinctLines(LineList text, OperationProgress* progress) {
    RunLines run;
    run.result = text.Pick(FirstOccurrences(text, text.size(), progress));
    run.work = run.result;
    run.text = std::move(text);
    return run;
}

void KeepRunLines(RunLines&& run) noexcept {
    g_vTextLines = std::move(run.text);
    g_nLineCount = static_cast<int>(g_vTextLines.size());
    g_vResultLines = std::move(run.result);
    g_vWorkLines = std::move(run.work);
}

int RemoveDuplicateLines() {
    // The filter step on the working list; the split lines it came from stay as they are.
    RunLines run = KeepDistinctLines(g_vResultLines, nullptr);
    g_vResultLines = std::move(run.result);
    g_vWorkLines = std::move(run.work);
    return static_cast<int>(g_vResultLines.size());
}

int RemoveDuplicateContentLines(std::u16string text) {
    // Filtering the split lines leaves the same lists as copying them all to g_vResultLines
    // and filtering the copy, without a copy of them.
    KeepRunLines(KeepDistinctLines(SplitFollowingFileLines(text), nullptr));
    return static_cast<int>(g_vResultLines.size());
}
