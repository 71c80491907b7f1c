// Run's filter under the comparison options, with what it did to every line: which lines it
// kept, which kept line each other line repeats, and how many lines each kept line stands for.
// Generic over the line list: anything with size() and an operator[] whose lines convert to
// std::u16string_view.
#pragma once

#include "core/CompareOptions.h"
#include "core/DuplicateLines.h"
#include "core/LineHash.h"
#include "core/LineKeys.h"
#include "core/OperationProgress.h"

#include <cstddef>
#include <cstdint>
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

    // The number of key's group; a new group, first met at line index, when key is new. A key
    // that is part of its line is kept as a view, which the line list must outlive; others
    // are copied.
    std::uint32_t Find(std::u16string_view key, std::u16string_view line, std::uint32_t index);
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
        for (std::size_t i = 0; i < count; ++i) {
            ticker.Tick(i);
            const std::u16string_view line = lines[i];
            map.keptAs[i] = maker.IsEmpty(line)
                                ? RunLineMap::kDropped
                                : groups.Find(maker.Key(line), line, static_cast<std::uint32_t>(i));
        }
        map.kept = groups.TakeFirsts();
    }
    SelectKeptLines(map, options);
    return map;
}
