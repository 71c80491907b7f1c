// Run's rule written out plainly, quadratically, for tests and fuzz targets to check the filter
// against: a line is left out when it is empty (unless empty lines stay) or when another line of
// the same key comes first (last, with keep-last). Lines: anything with size() and an
// operator[] whose lines convert to std::u16string_view.
#pragma once

#include "core/compare/RunFilter.h"

#include <algorithm>
#include <string>
#include <vector>

template <class Lines>
RunLineMap PlainRunRule(const Lines& lines, const CompareOptions& options) {
    LineKeyMaker maker(options);
    const std::size_t n = lines.size();
    std::vector<std::u16string> keys;
    std::vector<bool> empties;
    for (std::size_t i = 0; i < n; ++i) {
        keys.emplace_back(maker.Key(lines[i]));
        empties.push_back(maker.IsEmpty(lines[i]));
    }
    const auto key = [&](std::size_t i) { return keys[i]; };
    const auto empty = [&](std::size_t i) { return empties[i]; };
    std::vector<std::size_t> keeper(n); // the line that stands for line i
    RunLineMap map;
    for (std::size_t i = 0; i < n; ++i) {
        keeper[i] = i;
        for (std::size_t j = 0; j < n && !empty(i); ++j) {
            if (!empty(j) && key(j) == key(i) && (options.keepLast ? j > keeper[i] : j < keeper[i]))
                keeper[i] = j;
        }
        if (keeper[i] == i && (!empty(i) || options.keepEmpty))
            map.kept.push_back(static_cast<std::uint32_t>(i));
    }
    map.counts.assign(map.kept.size(), 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto at = std::find(map.kept.begin(), map.kept.end(), keeper[i]);
        map.keptAs.push_back(at == map.kept.end()
                                 ? RunLineMap::kDropped
                                 : static_cast<std::uint32_t>(at - map.kept.begin()));
        if (at != map.kept.end())
            ++map.counts[at - map.kept.begin()];
    }
    return map;
}
