// The heart of Run's filter: numbering the lines' keys in order of first occurrence, in one
// pass over a hash table.
#pragma once

#include "core/base/OperationProgress.h"
#include "core/compare/KeyTable.h"
#include "core/compare/RunLineMap.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace run_filter_detail {

constexpr std::size_t kAhead = 16;

// Numbers the keys of the first count lines in order of first occurrence: map.keptAs gets each
// line's group (kDropped for a line keyOf(line, slot) gives no key for, by a null view) and
// map.kept each group's first line. keyOf may keep its key in its own slot-th buffer until
// the slot comes round again, kAhead lines later. keyOfLine makes the key of a line again, for
// a table whose groups keep lines (BasicKeyTable::kKeepsLines).
//
// The loop runs three steps ahead of itself, because nearly every lookup would otherwise wait
// for memory: 16 lines ahead it makes a key, hashes it and fetches its first slot; 8 ahead it
// reads that slot and fetches the key (or line) it points to; 4 ahead it fetches its units.
// By the time a line's turn comes, what its lookup compares is in the cache.
template <class Lines, class KeyOf, class KeyOfLine = std::nullptr_t>
void GroupLines(const Lines& lines, std::size_t count, KeyOf&& keyOf, OperationProgress* progress,
                RunLineMap& map, KeyOfLine keyOfLine = nullptr) {
    using Key = decltype(keyOf(lines[0], std::size_t{0}));
    using Unit = typename std::remove_cvref_t<decltype(lines[0])>::value_type;
    using Table = BasicKeyTable<typename Key::value_type, Unit>;
    // Filled line by line rather than cleared first: clearing tens of megabytes of fresh pages
    // at once would keep a stop asked for meanwhile waiting, and then write them all again.
    // Made before the table, so that the table's memory, freed when the lines are grouped, lies
    // last in the heap, where the next large block (the result box's) can take it over.
    map.keptAs.reserve(count);
    // Sized for half the lines being distinct, which saves fresh memory on texts that repeat
    // much; the table doubles whenever more turn out to be distinct.
    Table table(count / 2, std::move(keyOfLine));
    const ProgressTicker ticker(progress, count);
    Key keys[kAhead];
    std::uint32_t tags[kAhead];
    std::uint32_t likely[kAhead];
    const auto hash = [&](std::size_t slot) {
        if (keys[slot].data() != nullptr) {
            tags[slot] = table.Tag(keys[slot]);
            table.Prefetch(tags[slot]);
        }
        likely[slot] = Table::kNoGroup;
    };
    const auto makeKey = [&](std::size_t j) {
        keys[j % kAhead] = keyOf(lines[j], j % kAhead);
        hash(j % kAhead);
    };
    for (std::size_t j = 0; j < kAhead && j < count; ++j)
        makeKey(j);

    for (std::size_t i = 0; i < count; ++i) {
        ticker.Tick(i);
        if (const std::size_t j = i + kAhead / 2; j < count && keys[j % kAhead].data()) {
            likely[j % kAhead] = table.LikelyGroup(tags[j % kAhead]);
            if (likely[j % kAhead] != Table::kNoGroup)
                __builtin_prefetch(table.KeyEntry(likely[j % kAhead]));
        }
        if (const std::size_t j = i + kAhead / 4;
            j < count && likely[j % kAhead] != Table::kNoGroup)
            __builtin_prefetch(table.KeyUnits(likely[j % kAhead]));

        const std::size_t slot = i % kAhead;
        map.keptAs.push_back(
            keys[slot].data() == nullptr
                ? RunLineMap::kDropped
                : table.Find(keys[slot], tags[slot], lines[i], static_cast<std::uint32_t>(i)));
        if (table.Overworked()) [[unlikely]] {
            table.Renew();
            for (std::size_t j = i + 1; j < i + kAhead && j < count; ++j)
                hash(j % kAhead);
        }
        if (i + kAhead < count)
            makeKey(i + kAhead); // into the slot just used
    }
    map.kept = table.TakeFirsts();
}

} // namespace run_filter_detail
