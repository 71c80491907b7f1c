#include "core/compare/KeyTable.h"

#include "core/base/HugePages.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies of keys are packed into blocks of this many code units, so that a million short keys
// are not a million allocations.
constexpr std::size_t kBlockUnits = std::size_t{1} << 20;

} // namespace

KeyTable::KeyTable(std::size_t expected) : hashKey_(tandrel::ProcessLineHashKey()) {
    std::size_t capacity = 16;
    while (capacity * 3 < expected * 4)
        capacity *= 2;
    Allocate(capacity);
}

KeyTable::~KeyTable() = default;

void KeyTable::Renew() {
    probes_ = 0;
    lookups_ = 0;
    if (renewals_ == kRenewals) {
        // Keys that keep colliding under fresh hash keys: this text beats hashing, so its keys
        // are kept in order from now on.
        for (std::uint32_t group = 0; group < keys_.size(); ++group)
            sorted_.emplace(keys_[group], group);
        inOrder_ = true;
        Allocate(1);
        return;
    }
    ++renewals_;
    hashKey_ = tandrel::RenewProcessLineHashKey();
    std::fill(slots_.begin(), slots_.end(), Slot{});
    for (std::uint32_t group = 0; group < keys_.size(); ++group)
        Place(Slot{Tag(keys_[group]), group});
}

std::uint32_t KeyTable::AddGroup(std::u16string_view key, std::u16string_view line,
                                 std::uint32_t index) {
    keys_.push_back(InLine(key, line) ? key : Keep(key));
    firsts_.push_back(index);
    return static_cast<std::uint32_t>(keys_.size() - 1);
}

std::uint32_t KeyTable::FindInOrder(std::u16string_view key, std::u16string_view line,
                                    std::uint32_t index) {
    if (const auto found = sorted_.find(key); found != sorted_.end())
        return found->second;
    const std::uint32_t group = AddGroup(key, line, index);
    sorted_.emplace(keys_.back(), group);
    return group;
}

void KeyTable::Allocate(std::size_t capacity) {
    slots_ = std::vector<Slot>();
    slots_.reserve(capacity);
    tandrel::AdviseHugePages(slots_.data(), capacity * sizeof(Slot));
    slots_.resize(capacity);
    mask_ = capacity - 1;
    growAt_ = capacity / 4 * 3;
}

void KeyTable::Place(const Slot& slot) {
    std::size_t at = slot.tag & mask_;
    while (slots_[at].group != kNoGroup)
        at = (at + 1) & mask_;
    slots_[at] = slot;
}

void KeyTable::Grow() {
    const std::vector<Slot> old = std::move(slots_);
    Allocate(old.size() * 2);
    for (const Slot& slot : old) {
        if (slot.group != kNoGroup)
            Place(slot);
    }
}

std::u16string_view KeyTable::Keep(std::u16string_view key) {
    if (key.empty()) // a blank line under --ignore-space: nothing to keep, nowhere to copy it to
        return u"";
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
