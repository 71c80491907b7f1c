// Run's filter under the comparison options, with what it did to every line: which lines it
// kept, which kept line each other line repeats, and how many lines each kept line stands for.
// Generic over the line list: anything with size() and an operator[] whose lines convert to
// std::u16string_view.
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/lines/DuplicateLines.h"
#include "core/lines/LineHash.h"
#include "core/compare/LineKeys.h"
#include "core/base/OperationProgress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
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

// The keys met so far, each numbered in order of its first line.
class KeyGroups {
public:
    explicit KeyGroups(std::size_t expected);
    ~KeyGroups();

    // The tag of key, which chooses its first slot.
    std::uint32_t Tag(std::u16string_view key) const {
        return static_cast<std::uint32_t>(tandrel::HashLine(key, hashKey_));
    }
    // Asks the processor to fetch the first slot of a key about to be looked up: in a table of
    // millions of slots nearly every first probe misses the cache.
    void Prefetch(std::uint32_t tag) const { __builtin_prefetch(&slots_[tag & mask_]); }
    // The number of key's group; a new group, first met at line index, when key is new. A key
    // that is part of its line is kept as a view, which the line list must outlive; others
    // are copied.
    std::uint32_t Find(std::u16string_view key, std::uint32_t tag, std::u16string_view line,
                       std::uint32_t index);
    // Whether key is a part of line.
    static bool InLine(std::u16string_view key, std::u16string_view line) {
        const std::less<const char16_t*> before;
        return !before(key.data(), line.data()) &&
               !before(line.data() + line.size(), key.data() + key.size());
    }
    // The first line of each group, in group order.
    std::vector<std::uint32_t> TakeFirsts() { return std::move(firsts_); }

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t group = RunLineMap::kDropped;
    };
    void Grow();
    std::u16string_view Keep(std::u16string_view key);

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::vector<std::u16string_view> keys_;
    std::vector<std::uint32_t> firsts_;
    std::vector<std::unique_ptr<char16_t[]>> blocks_; // copies of keys not found in their lines
    char16_t* blockEnd_ = nullptr;
    std::size_t blockLeft_ = 0;
    tandrel::LineHashKey hashKey_;
};

// Run's filter step under options: KeepDistinctLines's lists for the lines options keep, and in
// map what it did to each line. Reports to progress and stops (OperationCancelled) when it asks.
RunLines KeepComparedLines(LineList text, const CompareOptions& options, RunLineMap& map,
                           OperationProgress* progress);

// Turns keptAs (group numbers in order of first occurrence, or kDropped) and kept (each
// group's first line) into the map the options ask for, and counts.
void SelectKeptLines(RunLineMap& map, const CompareOptions& options);

// The map of Run under options over the first count lines. With options that leave lines as
// they are it is the plain filter's result (FirstOccurrences). Throws OperationCancelled when
// progress asks to stop.
template <class Lines>
RunLineMap MapRunLines(const Lines& lines, std::size_t count, const CompareOptions& options,
                       OperationProgress* progress = nullptr) {
    count = std::min<std::size_t>(count, lines.size());
    RunLineMap map;
    if (!options.ChangesKeys() && !options.blankAsEmpty) {
        map.kept = FirstOccurrences(lines, count, progress, &map.keptAs);
    } else {
        LineKeyMaker maker(options);
        KeyGroups groups(count / 2);
        const ProgressTicker ticker(progress, count);
        map.keptAs.resize(count);
        // Keys are made a batch ahead of their lookups, so that the lookups' first slots are
        // fetched meanwhile. A key made in the maker's buffer is copied aside for its turn.
        constexpr std::size_t kBatch = 16;
        std::u16string_view keys[kBatch];
        std::u16string copies[kBatch];
        std::uint32_t tags[kBatch];
        for (std::size_t start = 0; start < count; start += kBatch) {
            const std::size_t end = std::min(count, start + kBatch);
            for (std::size_t i = start; i < end; ++i) {
                ticker.Tick(i);
                const std::u16string_view line = lines[i];
                std::u16string_view& key = keys[i - start];
                key = maker.IsEmpty(line) ? std::u16string_view() : maker.Key(line);
                if (key.data() == nullptr) {
                    map.keptAs[i] = RunLineMap::kDropped;
                    continue;
                }
                if (!KeyGroups::InLine(key, line))
                    key = copies[i - start].assign(key);
                tags[i - start] = groups.Tag(key);
                groups.Prefetch(tags[i - start]);
            }
            for (std::size_t i = start; i < end; ++i) {
                if (keys[i - start].data() != nullptr)
                    map.keptAs[i] = groups.Find(keys[i - start], tags[i - start], lines[i],
                                                static_cast<std::uint32_t>(i));
            }
        }
        map.kept = groups.TakeFirsts();
    }
    SelectKeptLines(map, options);
    return map;
}
