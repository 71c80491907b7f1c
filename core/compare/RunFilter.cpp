#include "core/compare/RunFilter.h"

#include "core/encoding/TextCodecs.h"

#include <utility>

namespace {

// The bytes of a list that holds them, as MapRunLines takes lines.
struct LineBytesOf {
    const LineList& lines;
    std::size_t size() const { return lines.size(); }
    std::string_view operator[](std::size_t i) const { return lines.Bytes(i); }
};

} // namespace

void SelectKeptLines(RunLineMap& map, const CompareOptions& options) {
    std::vector<std::uint32_t>& keptAs = map.keptAs;
    const std::size_t count = keptAs.size();
    if (options.keepLast || options.keepEmpty) {
        // The line each group keeps, then every kept line in text order: the kept lines of a
        // text are always in its order, so the last occurrences come in the order of those.
        std::vector<std::uint32_t> chosen = std::move(map.kept);
        if (options.keepLast) {
            for (std::size_t i = 0; i < count; ++i) {
                if (keptAs[i] != RunLineMap::kDropped)
                    chosen[keptAs[i]] = static_cast<std::uint32_t>(i);
            }
        }
        std::vector<std::uint32_t> position(chosen.size());
        map.kept.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t group = keptAs[i];
            const bool keptEmpty = group == RunLineMap::kDropped && options.keepEmpty;
            if (keptEmpty || (group != RunLineMap::kDropped && chosen[group] == i)) {
                if (!keptEmpty)
                    position[group] = static_cast<std::uint32_t>(map.kept.size());
                map.kept.push_back(static_cast<std::uint32_t>(i));
            }
        }
        for (std::size_t i = 0, next = 0; i < count; ++i) {
            const bool isKept = next < map.kept.size() && map.kept[next] == i;
            next += isKept;
            if (keptAs[i] != RunLineMap::kDropped)
                keptAs[i] = position[keptAs[i]];
            else if (isKept)
                keptAs[i] = static_cast<std::uint32_t>(next - 1);
        }
    }
    map.counts.assign(map.kept.size(), 0);
    for (const std::uint32_t position : keptAs) {
        if (position != RunLineMap::kDropped)
            ++map.counts[position];
    }
}

FilteredLines FilterLines(LineList text, const CompareOptions& options,
                          OperationProgress* progress) {
    FilteredLines run;
    // Lines kept as UTF-8 are compared as their bytes, which are equal exactly when their units
    // are, and keys from characters are made of each line decoded as the filter comes to it:
    // the units of the whole text are never made.
    if (text.HoldsBytes())
        run.map = MapRunLines(LineBytesOf{text}, text.size(), options, progress, DecodeUtf8);
    else
        run.map = MapRunLines(text, text.size(), options, progress);
    run.result = text.Pick(run.map.kept);
    run.work = run.result;
    run.text = std::move(text);
    return run;
}
