// Run's filter: which lines of a text Run keeps under the comparison options, and what it did
// to every line (which kept line each other line repeats, how many lines each kept line stands
// for). With every option at its default it is the plain rule: each distinct non-empty line
// once, at its first occurrence, lines compared code unit by code unit. The window's Run, the
// command line and the functions on the document state all filter here.
#pragma once

#include "core/base/HugePages.h"
#include "core/base/OperationProgress.h"
#include "core/compare/CompareOptions.h"
#include "core/compare/KeyTable.h"
#include "core/compare/LineKeys.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

struct RunLineMap {
    static constexpr std::uint32_t kDropped = std::numeric_limits<std::uint32_t>::max();

    std::vector<std::uint32_t> kept;   // the indices of the lines kept, in result order
    std::vector<std::uint32_t> keptAs; // per line: the result line it is or repeats; kDropped
                                       // for an empty line left out
    std::vector<std::uint32_t> counts; // per result line: how many lines it stands for

    // Whether Run left line out as a repeat of the result line keptAs[line].
    bool IsRepeat(std::size_t line) const {
        return keptAs[line] != kDropped && kept[keptAs[line]] != line;
    }
};

// What the filter makes of a text: the text's lines, the lines kept (sharing the text's units),
// a scratch copy of those that the document keeps beside them, and the map.
struct FilteredLines {
    LineList text;
    LineList result;
    LineList work;
    RunLineMap map;
};

// The filter on a list of its own. Reports to progress and stops (OperationCancelled) when it
// asks; nothing outside is touched either way.
FilteredLines FilterLines(LineList text, const CompareOptions& options = {},
                          OperationProgress* progress = nullptr);

// Turns keptAs (group numbers in order of first occurrence, or kDropped) and kept (each
// group's first line) into the map the options ask for, and counts.
void SelectKeptLines(RunLineMap& map, const CompareOptions& options);

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
    tandrel::AdviseHugePages(map.keptAs.data(), count * sizeof(std::uint32_t));
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

// The map of Run under options over the first count lines. Lines: anything with size() and an
// operator[] whose lines convert to std::u16string_view, or to std::string_view for lines kept
// as bytes (ByteLines.h); under options that need characters (NeedsCharacters), lines of bytes
// are read with decode (a TextCodec's), which takes all of them. Throws OperationCancelled when
// progress asks to stop.
template <class Lines>
RunLineMap MapRunLines(const Lines& lines, std::size_t count, const CompareOptions& options = {},
                       OperationProgress* progress = nullptr,
                       char16_t* (*decode)(std::string_view, char16_t*) = nullptr) {
    using run_filter_detail::kAhead;
    using Unit = typename std::remove_cvref_t<decltype(lines[0])>::value_type;
    using Line = std::basic_string_view<Unit>;
    count = std::min<std::size_t>(count, lines.size());
    RunLineMap map;
    if (!NeedsCharacters(options)) {
        // The key is the line or a part of it: none is made or copied.
        run_filter_detail::GroupLines(
            lines, count, [&](const Line line, std::size_t) { return TrimmedKey(line, options); },
            progress, map);
    } else {
        if constexpr (!std::is_same_v<Unit, char16_t>) {
            if (!decode)
                throw std::logic_error("keys from characters need UTF-16 lines or a decoder");
        }
        LineKeyMaker maker(options);
        // A key made in the maker's buffer is copied aside until its turn.
        std::u16string copies[kAhead];
        const auto keyOf = [&](std::u16string_view text, std::size_t slot) {
            if (maker.IsEmpty(text))
                return std::u16string_view();
            const std::u16string_view key = maker.Key(text);
            return KeyTable::InLine(key, text) ? key
                                               : std::u16string_view(copies[slot].assign(key));
        };
        if constexpr (std::is_same_v<Unit, char16_t>) {
            run_filter_detail::GroupLines(lines, count, keyOf, progress, map);
        } else {
            // Each line is read into its slot's text, which its key may be part of until its
            // turn; the table keeps lines, and reads one again into a text of its own when it
            // needs the line's key (ByteLineKeyTable). A decoder writes a unit a byte at most.
            std::unique_ptr<char16_t[]> texts[kAhead + 1];
            std::size_t room[kAhead + 1] = {};
            const auto read = [&](std::string_view line, std::size_t slot) {
                if (room[slot] < line.size()) {
                    room[slot] = std::max(line.size(), 2 * room[slot]);
                    texts[slot] = std::make_unique_for_overwrite<char16_t[]>(room[slot]);
                }
                char16_t* text = texts[slot].get();
                return std::u16string_view(text,
                                           static_cast<std::size_t>(decode(line, text) - text));
            };
            run_filter_detail::GroupLines(
                lines, count,
                [&](std::string_view line, std::size_t slot) {
                    return keyOf(read(line, slot), slot);
                },
                progress, map,
                // Pending keys are in their slots' texts or copies, which this leaves alone.
                ByteLineKeyTable::KeyOfLine(
                    [&](std::string_view line) { return maker.Key(read(line, kAhead)); }));
        }
    }
    SelectKeptLines(map, options);
    return map;
}
