// Run's filter on both cores. Nearly all of the filter's time goes to waiting for memory: a
// table of millions of slots misses the cache on almost every lookup. Two threads wait side by
// side when each has a table of its own, for the keys whose hash falls in its half; a key's
// lines all fall in the same half, so each table numbers its keys exactly as one table would
// number them among themselves. Numbering both halves' groups again in order of their first
// lines then gives the one table's numbers.
#pragma once

#include "core/base/OperationProgress.h"
#include "core/compare/GroupLines.h"
#include "core/compare/KeyTable.h"
#include "core/compare/RunLineMap.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <future>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace run_filter_detail {

// Below this many lines a second thread gains less than it costs to start and merge.
constexpr std::size_t kLinesForHalves = std::size_t{1} << 18;

// One half's grouping: the group of each of its lines, in line order, numbered among the
// half's own groups; each group's first line.
struct HalfGroups {
    std::vector<std::uint32_t> groups;
    std::vector<std::uint32_t> firsts;
    std::size_t beforeMiddle = 0; // how many of groups are of lines before count / 2
    bool overworked = false;      // the table saw its keys pile up (BasicKeyTable::Overworked)
};

// Which half a tag falls in: its top bit, which no table of this size uses to place it.
inline unsigned HalfOf(std::uint32_t tag) {
    return tag >> 31;
}

// Groups the lines of half (0 or 1) among the first count lines in table, as GroupLines does,
// with the same three steps of fetching ahead over the half's own lines. Half 0 also takes the
// lines without a key (as kDropped), reports to progress, stops on a stop asked for by throwing
// and marks in halves (one bit a line) which lines are half 1's. Either half gives up, leaving
// its result incomplete, once stop is set; a half whose table is overworked sets it.
template <class Lines, class KeyOf, class Table>
HalfGroups GroupHalf(const Lines& lines, std::size_t count, KeyOf& keyOf, Table& table,
                     unsigned half, OperationProgress* progress, std::atomic<bool>& stop,
                     std::vector<std::uint64_t>& halves) {
    using Key = typename Table::Key;
    HalfGroups out;
    // A hash splits the lines about evenly; a sixteenth more spares nearly every text a copy.
    out.groups.reserve(count / 2 + count / 16);
    const ProgressTicker ticker(half == 0 ? progress : nullptr, count);
    LookupsAhead<Table> ahead;
    std::uint32_t indices[kAhead];
    std::size_t scanned = 0; // lines looked at
    std::size_t queued = 0;  // lines of this half taken into the slots
    // Takes the next line of this half, from where the last one was found, into its slot.
    const auto queueNext = [&]() {
        while (scanned < count) {
            const std::size_t i = scanned++;
            if (i % ProgressTicker::kEvery == 0) {
                ticker.Tick(i);
                if (stop.load(std::memory_order_relaxed) ||
                    (progress && progress->CancelRequested()))
                    return false;
            }
            const std::size_t slot = queued % kAhead;
            const Key key = keyOf(lines[i], slot);
            // A line without a key has tag 0, in half 0.
            const std::uint32_t tag = key.data() != nullptr ? table.Tag(key) : 0;
            const unsigned own = HalfOf(tag);
            if (half == 0 && own == 1)
                halves[i / 64] |= std::uint64_t{1} << (i % 64);
            if (own != half)
                continue;
            ahead.Take(table, slot, key, tag);
            indices[slot] = static_cast<std::uint32_t>(i);
            ++queued;
            if (i < count / 2)
                ++out.beforeMiddle;
            return true;
        }
        return false;
    };
    while (queued < kAhead && queueNext()) {
    }
    for (std::size_t k = 0; k < queued; ++k) {
        ahead.FetchFor(table, k, queued);
        const std::uint32_t index = indices[k % kAhead];
        out.groups.push_back(ahead.Find(table, k, lines[index], index));
        if (table.Overworked()) [[unlikely]] {
            out.overworked = true;
            stop.store(true, std::memory_order_relaxed);
            return out;
        }
        queueNext(); // into the slot just used
    }
    out.firsts = table.TakeFirsts();
    return out;
}

// Numbers both halves' groups in order of their first lines, in place of those lines:
// firsts[g] becomes group g's number among all groups. Returns every group's first line.
inline std::vector<std::uint32_t> NumberInLineOrder(std::vector<std::uint32_t>& firsts0,
                                                    std::vector<std::uint32_t>& firsts1) {
    std::vector<std::uint32_t> kept(firsts0.size() + firsts1.size());
    std::size_t a = 0;
    std::size_t b = 0;
    for (std::uint32_t group = 0; group < kept.size(); ++group) {
        const bool fromFirst =
            b == firsts1.size() || (a < firsts0.size() && firsts0[a] < firsts1[b]);
        std::uint32_t& first = fromFirst ? firsts0[a++] : firsts1[b++];
        kept[group] = first;
        first = group;
    }
    return kept;
}

// keptAs[i] for the lines [from, to): each line's group, read from its half's list (the first
// of them at at0 in half 0's, at at1 in half 1's), by the number NumberInLineOrder gave it.
inline void ReadGroups(std::size_t from, std::size_t to, const std::vector<std::uint64_t>& halves,
                       const HalfGroups (&groups)[2], std::size_t at0, std::size_t at1,
                       std::uint32_t* keptAs) {
    std::size_t at[2] = {at0, at1};
    constexpr std::size_t kFetchAhead = 16;
    for (std::size_t i = from; i < to; ++i) {
        const unsigned half = static_cast<unsigned>(halves[i / 64] >> (i % 64) & 1);
        const std::vector<std::uint32_t>& own = groups[half].groups;
        // The numbers of groups met long before are far apart in memory: fetched ahead.
        if (const std::size_t ahead = at[half] + kFetchAhead; ahead < own.size()) {
            if (own[ahead] != RunLineMap::kDropped)
                __builtin_prefetch(&groups[half].firsts[own[ahead]]);
        }
        const std::uint32_t group = own[at[half]++];
        keptAs[i] = group == RunLineMap::kDropped ? group : groups[half].firsts[group];
    }
}

// The function a table that keeps lines makes their keys with, from keyOf; none for others.
template <class Table, class KeyOf> typename Table::KeyOfLine KeyOfLineOf(KeyOf& keyOf) {
    if constexpr (requires { keyOf.KeyOfLine(); })
        return keyOf.KeyOfLine();
    else
        return nullptr;
}

// GroupLines on two cores. makeKeyOf() makes a keyOf for one thread, which may also have a
// KeyOfLine() for a table that keeps lines (CharacterKeys.h): each thread makes the keys of all
// the lines, to find its own. Falls back to GroupLines for fewer than fewest lines, on one core,
// and when a half's keys pile up: one table's renewals then deal with them.
template <class Lines, class MakeKeyOf>
void GroupLinesInHalves(const Lines& lines, std::size_t count, const MakeKeyOf& makeKeyOf,
                        OperationProgress* progress, RunLineMap& map,
                        std::size_t fewest = kLinesForHalves) {
    using KeyOf = decltype(makeKeyOf());
    using Key = decltype(std::declval<KeyOf&>()(lines[0], std::size_t{0}));
    using Unit = typename std::remove_cvref_t<decltype(lines[0])>::value_type;
    using Table = BasicKeyTable<typename Key::value_type, Unit>;
    // Made in place, from makeKeyOf's result: a keyOf need not move.
    struct Made {
        const MakeKeyOf& make;
        operator KeyOf() const { return make(); }
    };
    std::optional<KeyOf> keyOfs[2];
    keyOfs[0].emplace(Made{makeKeyOf});
    const auto oneTable = [&] {
        GroupLines(lines, count, *keyOfs[0], progress, map, KeyOfLineOf<Table>(*keyOfs[0]));
    };
    if (count < fewest || std::thread::hardware_concurrency() < 2) {
        oneTable();
        return;
    }
    keyOfs[1].emplace(Made{makeKeyOf});
    std::vector<std::uint64_t> halves((count + 63) / 64);
    HalfGroups groups[2];
    {
        // Each table is sized as GroupLines sizes its one, for its half of the lines. Both are
        // made on this thread, and freed before the lines are numbered, whose list can then
        // take over their memory.
        Table tables[2] = {Table(count / 4, KeyOfLineOf<Table>(*keyOfs[0])),
                           Table(count / 4, KeyOfLineOf<Table>(*keyOfs[1]))};
        std::atomic<bool> stop = false;
        std::future<HalfGroups> second;
        try {
            second = std::async(std::launch::async, [&] {
                try {
                    return GroupHalf(lines, count, *keyOfs[1], tables[1], 1, progress, stop,
                                     halves);
                } catch (...) {
                    stop = true;
                    throw;
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: one core it is.
        }
        if (!second.valid()) {
            oneTable();
            return;
        }
        try {
            groups[0] = GroupHalf(lines, count, *keyOfs[0], tables[0], 0, progress, stop, halves);
        } catch (...) {
            stop = true; // the future waits for the other half as it goes
            throw;
        }
        groups[1] = second.get();
    }
    if (progress)
        progress->ThrowIfCancelled();
    if (groups[0].overworked || groups[1].overworked) {
        groups[0] = {};
        groups[1] = {};
        oneTable();
        return;
    }

    map.kept = NumberInLineOrder(groups[0].firsts, groups[1].firsts);
    map.keptAs.resize(count);
    // Each thread numbers half of the lines; the second half's lines start where each half's
    // lines before the middle end.
    std::uint32_t* const keptAs = map.keptAs.data();
    const std::size_t middle = count / 2;
    const auto second = [&] {
        ReadGroups(middle, count, halves, groups, groups[0].beforeMiddle, groups[1].beforeMiddle,
                   keptAs);
    };
    std::thread rest;
    try {
        rest = std::thread(second);
    } catch (const std::system_error&) {
        // No thread to be had: this one numbers the second half too, below.
    }
    ReadGroups(0, middle, halves, groups, 0, 0, keptAs);
    if (rest.joinable())
        rest.join();
    else
        second();
}

} // namespace run_filter_detail
