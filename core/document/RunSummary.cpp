#include "core/document/RunSummary.h"

#include <algorithm>
#include <string>

std::u16string Grouped(std::uint64_t number) {
    const std::string digits = std::to_string(number);
    std::u16string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += u',';
        text += static_cast<char16_t>(digits[i]);
    }
    return text;
}

RunCounts CountRun(const RunLineMap& map) {
    RunCounts counts;
    counts.lines = map.keptAs.size();
    counts.kept = map.kept.size();
    counts.empties = static_cast<std::uint64_t>(
        std::count(map.keptAs.begin(), map.keptAs.end(), RunLineMap::kDropped));
    counts.repeats = counts.lines - counts.kept - counts.empties;
    if (!map.counts.empty())
        counts.most = *std::max_element(map.counts.begin(), map.counts.end());
    return counts;
}

std::string CountPrefix(std::uint32_t count) {
    return std::to_string(count) + '\t';
}

std::u16string CountedLine(std::uint32_t count, std::u16string_view line) {
    const std::string prefix = CountPrefix(count);
    std::u16string text(prefix.begin(), prefix.end());
    text += line;
    return text;
}

std::u16string RunCountsText(const RunCounts& counts) {
    return Grouped(counts.lines) + u" 行 → " + Grouped(counts.kept) + u" 行（重複 " +
           Grouped(counts.repeats) + u" 行、空行 " + Grouped(counts.empties) + u" 行）";
}
