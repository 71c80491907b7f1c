#include "core/compare/KeyTable.h"


#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Copies of keys are packed into blocks of this many code units, so that a million short keys
// are not a million allocations.
constexpr std::size_t kBlockUnits = std::size_t{1} << 20;

// What an empty key is kept as.
template <class Unit> constexpr Unit kNothing[1] = {};

} // namespace

template <class Unit, class LineUnit>
BasicKeyTable<Unit, LineUnit>::BasicKeyTable(std::size_t expected, KeyOfLine keyOfLine)
    : hashKey_(tandrel::ProcessLineHashKey()), keyOfLine_(std::move(keyOfLine)) {
    // The lists per group are sized up front too: room never touched costs nothing, and a list
    // that grows copies itself into fresh pages each time. The first lines outlast the table
    // (TakeFirsts), so they come first in the heap, below what the table frees.
    firsts_.reserve(expected);
    std::size_t capacity = 16;
    while (capacity * 3 < expected * 4)
        capacity *= 2;
    Allocate(capacity);
    entries_.reserve(expected);
}

template <class Unit, class LineUnit> BasicKeyTable<Unit, LineUnit>::~BasicKeyTable() = default;

template <class Unit, class LineUnit> void BasicKeyTable<Unit, LineUnit>::Renew() {
    probes_ = 0;
    lookups_ = 0;
    if (renewals_ == kRenewals) {
        // Keys that keep colliding under fresh hash keys: this text beats hashing, so its keys
        // are kept in order from now on.
        for (std::uint32_t group = 0; group < entries_.size(); ++group) {
            const Key key = KeyOf(entries_[group]);
            sorted_.emplace(kKeepsLines ? Keep(key) : key, group);
        }
        inOrder_ = true;
        Allocate(1);
        return;
    }
    ++renewals_;
    hashKey_ = tandrel::RenewProcessLineHashKey();
    std::fill(slots_.begin(), slots_.end(), Slot{});
    for (std::uint32_t group = 0; group < entries_.size(); ++group)
        Place(Slot{Tag(KeyOf(entries_[group])), group});
}

template <class Unit, class LineUnit>
std::uint32_t BasicKeyTable<Unit, LineUnit>::AddGroup(Key key, Line line, std::uint32_t index) {
    if constexpr (kKeepsLines)
        entries_.push_back(line);
    else
        entries_.push_back(InLine(key, line) ? key : Keep(key));
    firsts_.push_back(index);
    return static_cast<std::uint32_t>(entries_.size() - 1);
}

template <class Unit, class LineUnit>
std::uint32_t BasicKeyTable<Unit, LineUnit>::FindInOrder(Key key, Line line, std::uint32_t index) {
    if (const auto found = sorted_.find(key); found != sorted_.end())
        return found->second;
    const std::uint32_t group = AddGroup(key, line, index);
    sorted_.emplace(kKeepsLines ? Keep(key) : KeyOf(entries_.back()), group);
    return group;
}

template <class Unit, class LineUnit>
void BasicKeyTable<Unit, LineUnit>::Allocate(std::size_t capacity) {
    slots_ = std::vector<Slot>();
    slots_.reserve(capacity);
    slots_.resize(capacity);
    mask_ = capacity - 1;
    growAt_ = capacity / 4 * 3;
}

template <class Unit, class LineUnit> void BasicKeyTable<Unit, LineUnit>::Place(const Slot& slot) {
    std::size_t at = slot.tag & mask_;
    while (slots_[at].group != kNoGroup)
        at = (at + 1) & mask_;
    slots_[at] = slot;
}

template <class Unit, class LineUnit> void BasicKeyTable<Unit, LineUnit>::Grow() {
    const std::vector<Slot> old = std::move(slots_);
    Allocate(old.size() * 2);
    for (const Slot& slot : old) {
        if (slot.group != kNoGroup)
            Place(slot);
    }
}

template <class Unit, class LineUnit>
typename BasicKeyTable<Unit, LineUnit>::Key BasicKeyTable<Unit, LineUnit>::Keep(Key key) {
    if (key.empty()) // a blank line under --ignore-space: nothing to keep, nowhere to copy it to
        return Key(kNothing<Unit>, 0);
    if (key.size() > blockLeft_) {
        blockLeft_ = std::max(kBlockUnits, key.size());
        blocks_.push_back(std::make_unique_for_overwrite<Unit[]>(blockLeft_));
        blockEnd_ = blocks_.back().get() + blockLeft_;
    }
    Unit* copy = blockEnd_ - blockLeft_;
    std::memcpy(copy, key.data(), key.size() * sizeof(Unit));
    blockLeft_ -= key.size();
    return {copy, key.size()};
}

template class BasicKeyTable<char16_t>;
template class BasicKeyTable<char>;
template class BasicKeyTable<char16_t, char>;
