#include "core/compare/CompareFilter.h"

#include "core/lines/LineHash.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Copies of keys are packed into blocks of this many code units, so that a million short keys
// are not a million allocations.
constexpr std::size_t kBlockUnits = std::size_t{1} << 20;

} // namespace

KeyGroups::KeyGroups(std::size_t expected) : hashKey_(tandrel::ProcessLineHashKey()) {
    std::size_t capacity = 16;
    while (capacity * 3 < expected * 4)
        capacity *= 2;
    slots_.resize(capacity);
    mask_ = capacity - 1;
}

KeyGroups::~KeyGroups() = default;

std::uint32_t KeyGroups::Find(std::u16string_view key, std::uint32_t tag, std::u16string_view line,
                              std::uint32_t index) {
    for (std::size_t at = tag & mask_;; at = (at + 1) & mask_) {
        Slot& slot = slots_[at];
        if (slot.group == RunLineMap::kDropped) {
            const auto group = static_cast<std::uint32_t>(keys_.size());
            slot = Slot{tag, group};
            keys_.push_back(InLine(key, line) ? key : Keep(key));
            firsts_.push_back(index);
            if (keys_.size() * 4 > slots_.size() * 3)
                Grow();
            return group;
        }
        if (slot.tag == tag && keys_[slot.group] == key)
            return slot.group;
    }
}

void KeyGroups::Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_ = std::vector<Slot>(old.size() * 2);
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.group == RunLineMap::kDropped)
            continue;
        std::size_t at = slot.tag & mask_;
        while (slots_[at].group != RunLineMap::kDropped)
            at = (at + 1) & mask_;
        slots_[at] = slot;
    }
}

std::u16string_view KeyGroups::Keep(std::u16string_view key) {
    if (key.size() > blockLeft_) {
        blockLeft_ = std::max(kBlockUnits, key.size());
        blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(blockLeft_));
        blockEnd_ = blocks_.back().get() + blockLeft_;
    }
    char16_t* copy = blockEnd_ - blockLeft_;
    std::memcpy(copy, key.data(), key.size() * sizeof(char16_t));
    blockLeft_ -= key.size();
    return {copy, key.size()};
}

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

RunLines KeepComparedLines(LineList text, const CompareOptions& options, RunLineMap& map,
                           OperationProgress* progress) {
    map = MapRunLines(text, text.size(), options, progress);
    RunLines run;
    run.result = text.Pick(map.kept);
    run.work = run.result;
    run.text = std::move(text);
    return run;
}
