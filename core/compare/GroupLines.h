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

// The keys of the next kAhead lines to look up, each in the slot of its position modulo
// kAhead, with what fetching them ahead found: their tags, and the group each most likely
// compares with.
template <class Table> struct LookupsAhead {
    typename Table::Key keys[kAhead];
    std::uint32_t tags[kAhead];
    std::uint32_t likely[kAhead];

    // Takes key (a null view for a line without one) into slot, with its tag when it has one,
    // and fetches its first slot of the table. Again for a key taken before the table renewed
    // its hash.
    void Take(const Table& table, std::size_t slot, typename Table::Key key) {
        Take(table, slot, key, key.data() != nullptr ? table.Tag(key) : 0);
    }
    void Take(const Table& table, std::size_t slot, typename Table::Key key, std::uint32_t tag) {
        keys[slot] = key;
        tags[slot] = tag;
        if (key.data() != nullptr)
            table.Prefetch(tag);
        likely[slot] = Table::kNoGroup;
    }
    // Before the lookup at position k of count: reads the table's slot for the key kAhead / 2
    // ahead and fetches the key (or line) it points to, and fetches the units of the one
    // kAhead / 4 ahead.
    void FetchFor(const Table& table, std::size_t k, std::size_t count) {
        if (const std::size_t j = k + kAhead / 2; j < count && keys[j % kAhead].data()) {
            likely[j % kAhead] = table.LikelyGroup(tags[j % kAhead]);
            if (likely[j % kAhead] != Table::kNoGroup)
                __builtin_prefetch(table.KeyEntry(likely[j % kAhead]));
        }
        if (const std::size_t j = k + kAhead / 4;
            j < count && likely[j % kAhead] != Table::kNoGroup)
            __builtin_prefetch(table.KeyUnits(likely[j % kAhead]));
    }
    // The lookup at position k, of line index, whose key is in its slot; kDropped for none.
    std::uint32_t Find(Table& table, std::size_t k, typename Table::Line line,
                       std::uint32_t index) {
        const std::size_t slot = k % kAhead;
        return keys[slot].data() == nullptr ? RunLineMap::kDropped
                                            : table.Find(keys[slot], tags[slot], line, index);
    }
};

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
    LookupsAhead<Table> ahead;
    const auto makeKey = [&](std::size_t j) {
        ahead.Take(table, j % kAhead, keyOf(lines[j], j % kAhead));
    };
    for (std::size_t j = 0; j < kAhead && j < count; ++j)
        makeKey(j);

    for (std::size_t i = 0; i < count; ++i) {
        ticker.Tick(i);
        ahead.FetchFor(table, i, count);
        map.keptAs.push_back(ahead.Find(table, i, lines[i], static_cast<std::uint32_t>(i)));
        if (table.Overworked()) [[unlikely]] {
            table.Renew();
            for (std::size_t j = i + 1; j < i + kAhead && j < count; ++j)
                ahead.Take(table, j % kAhead, ahead.keys[j % kAhead]);
        }
        if (i + kAhead < count)
            makeKey(i + kAhead); // into the slot just used
    }
    map.kept = table.TakeFirsts();
}

} // namespace run_filter_detail
