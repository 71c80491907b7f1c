// The table behind Run's filter: the distinct comparison keys met so far, each numbered (its
// group) in order of its first line. Open addressing over keyed hashes: a slot holds a group and
// the low 32 bits of its key's hash (its tag), which chooses the first slot, lets the table grow
// without touching the keys again and settles most probes that do not match.
//
// Lines that collide would make every lookup walk past all earlier ones. The table counts the
// slots its lookups pass; when that shows a pile-up (Overworked), Renew draws a new key for the
// process and places the keys again under it; should the second new key fail as well, it keeps
// the keys in order instead, so that no text can make the filter quadratic.
//
// Keys are UTF-16 (KeyTable), or the bytes of lines that need no key made from their characters
// (ByteKeyTable): valid UTF-8 is equal exactly when its UTF-16 form is, and so are code page 932
// and EUC-JP whose codes are canonical (ByteLines.h).
//
// UTF-16 keys of lines kept as bytes (ByteLineKeyTable) are not kept at all: none is part of
// its line's bytes, so each would be a copy, well over half the file's size again on a text of
// Japanese and ASCII. A group keeps its first line's bytes instead, and the table makes their
// key again (keyOfLine) only for a line that differs from them and has a key with the same tag:
// a line's key is a function of its bytes, so a line repeated as it is matches on the bytes.
#pragma once

#include "core/lines/LineHash.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

template <class Unit, class LineUnit = Unit> class BasicKeyTable {
public:
    using Key = std::basic_string_view<Unit>;
    using Line = std::basic_string_view<LineUnit>;
    // Whether a group keeps its first line rather than its key.
    static constexpr bool kKeepsLines = !std::is_same_v<Unit, LineUnit>;
    // The key of a line a group keeps, made again; valid until the next call.
    using KeyOfLine = std::function<Key(Line)>;

    static constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();

    // expected only sizes the table at first; it grows when it fills up. keyOfLine is needed
    // only when groups keep lines.
    explicit BasicKeyTable(std::size_t expected, KeyOfLine keyOfLine = nullptr);
    ~BasicKeyTable();
    BasicKeyTable(const BasicKeyTable&) = delete;
    BasicKeyTable& operator=(const BasicKeyTable&) = delete;

    std::uint32_t Tag(Key key) const {
        return static_cast<std::uint32_t>(tandrel::HashLine<Unit>(key, hashKey_));
    }
    // Asks the processor to fetch the first slot of a key about to be looked up: in a table of
    // millions of slots nearly every first probe misses the cache.
    void Prefetch(std::uint32_t tag) const { __builtin_prefetch(&slots_[tag & mask_]); }
    // The group a lookup of tag will most likely compare with, or kNoGroup.
    std::uint32_t LikelyGroup(std::uint32_t tag) const {
        const Slot& slot = slots_[tag & mask_];
        return slot.tag == tag ? slot.group : kNoGroup;
    }
    // For prefetching: where group's key (or line) is recorded, and where its units lie.
    const void* KeyEntry(std::uint32_t group) const { return &entries_[group]; }
    const void* KeyUnits(std::uint32_t group) const { return entries_[group].data(); }

    // The number of key's group; a new group, first met at line index, when key is new. A key
    // that is part of its line is kept as a view, which the lines must outlive; others are
    // copied. A group that keeps lines keeps a view of line.
    std::uint32_t Find(Key key, std::uint32_t tag, Line line, std::uint32_t index) {
        if (inOrder_) [[unlikely]]
            return FindInOrder(key, line, index);
        ++lookups_;
        for (std::size_t at = tag & mask_;; at = (at + 1) & mask_, ++probes_) {
            Slot& slot = slots_[at];
            if (slot.group == kNoGroup) {
                const std::uint32_t group = AddGroup(key, line, index);
                slot = Slot{tag, group};
                if (entries_.size() > growAt_)
                    Grow();
                return group;
            }
            if (slot.tag == tag && Matches(entries_[slot.group], key, line))
                return slot.group;
        }
    }

    // Lookups pass a handful of slots on average while the table is at most three quarters
    // full; many more means that keys collide, and the filter is heading for quadratic time.
    bool Overworked() const { return probes_ > kProbesPerLookup * lookups_ + kProbeSlack; }
    // Places the keys again under a new hash key, or in order after two new keys. Tags made
    // before are stale afterwards.
    void Renew();

    // The first line of each group, in group order.
    std::vector<std::uint32_t> TakeFirsts() { return std::move(firsts_); }

    // Whether key is a part of line.
    static bool InLine(Key key, Key line) {
        const std::less<const Unit*> before;
        return !before(key.data(), line.data()) &&
               !before(line.data() + line.size(), key.data() + key.size());
    }

private:
    static constexpr std::size_t kProbesPerLookup = 16;
    static constexpr std::size_t kProbeSlack = 1 << 16;
    static constexpr int kRenewals = 2;

    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t group = kNoGroup; // kNoGroup: the slot is free
    };

    // Whether the group recorded as entry has key, which line's is.
    bool Matches(Line entry, Key key, Line line) const {
        if constexpr (kKeepsLines)
            return entry == line || keyOfLine_(entry) == key;
        else
            return entry == key;
    }
    // The key of the group recorded as entry, valid until the next call.
    Key KeyOf(Line entry) const {
        if constexpr (kKeepsLines)
            return keyOfLine_(entry);
        else
            return entry;
    }
    std::uint32_t AddGroup(Key key, Line line, std::uint32_t index);
    std::uint32_t FindInOrder(Key key, Line line, std::uint32_t index);
    void Allocate(std::size_t capacity);
    void Place(const Slot& slot);
    void Grow();
    Key Keep(Key key);

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t growAt_ = 0;
    std::size_t probes_ = 0;
    std::size_t lookups_ = 0;
    int renewals_ = 0;
    bool inOrder_ = false;
    // Per group: its key, or its first line when groups keep lines.
    std::vector<Line> entries_;
    std::vector<std::uint32_t> firsts_; // per group
    // After the last renewal: every key with its group, in order; lookups are O(log n). Keys of
    // groups that keep lines are copied for it.
    std::map<Key, std::uint32_t> sorted_;
    std::vector<std::unique_ptr<Unit[]>> blocks_; // copies of keys not found in their lines
    Unit* blockEnd_ = nullptr;
    std::size_t blockLeft_ = 0;
    tandrel::LineHashKey hashKey_;
    KeyOfLine keyOfLine_;
};

extern template class BasicKeyTable<char16_t>;
extern template class BasicKeyTable<char>;
extern template class BasicKeyTable<char16_t, char>;
using KeyTable = BasicKeyTable<char16_t>;
using ByteKeyTable = BasicKeyTable<char>;
using ByteLineKeyTable = BasicKeyTable<char16_t, char>;
