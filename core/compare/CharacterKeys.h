// The keys of lines under comparison options that need the lines' characters (NeedsCharacters):
// each made in a buffer of its own slot, where it stays until the filter's slot comes round
// again (GroupLines). A thread that groups lines has one of these to itself.
#pragma once

#include "core/compare/GroupLines.h"
#include "core/compare/KeyTable.h"
#include "core/compare/LineKeys.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

// Unit: the lines' code unit; lines of bytes are read with decode (a TextCodec's), which writes
// a unit a byte at most.
template <class Unit> class CharacterKeys {
public:
    using Table = BasicKeyTable<char16_t, Unit>;

    CharacterKeys(const CompareOptions& options, char16_t* (*decode)(std::string_view, char16_t*))
        : maker_(options), decode_(decode) {}
    CharacterKeys(const CharacterKeys&) = delete;
    CharacterKeys& operator=(const CharacterKeys&) = delete;

    // The key of line, kept in slot: a null view for a line Run leaves out as empty.
    std::u16string_view operator()(std::basic_string_view<Unit> line, std::size_t slot) {
        const std::u16string_view text = Read(line, slot);
        if (maker_.IsEmpty(text))
            return {};
        const std::u16string_view key = maker_.Key(text);
        return Table::InLine(key, text) ? key : std::u16string_view(copies_[slot].assign(key));
    }

    // For a table that keeps lines (lines of bytes, ByteLineKeyTable): a line's key made again,
    // in a text of its own, which leaves the keys waiting in their slots alone.
    typename Table::KeyOfLine KeyOfLine() {
        if constexpr (Table::kKeepsLines)
            return [this](std::string_view line) { return maker_.Key(Read(line, kSlots - 1)); };
        else
            return nullptr;
    }

private:
    static constexpr std::size_t kSlots = run_filter_detail::kAhead + 1;

    // Lines of bytes are read into their slot's text, which their key may be part of.
    std::u16string_view Read(std::basic_string_view<Unit> line, std::size_t slot) {
        if constexpr (std::is_same_v<Unit, char16_t>) {
            return line;
        } else {
            if (room_[slot] < line.size()) {
                room_[slot] = std::max(line.size(), 2 * room_[slot]);
                texts_[slot] = std::make_unique_for_overwrite<char16_t[]>(room_[slot]);
            }
            char16_t* text = texts_[slot].get();
            return {text, static_cast<std::size_t>(decode_(line, text) - text)};
        }
    }

    LineKeyMaker maker_;
    char16_t* (*decode_)(std::string_view, char16_t*);
    std::u16string copies_[run_filter_detail::kAhead]; // keys made in the maker's buffer
    std::unique_ptr<char16_t[]> texts_[kSlots];
    std::size_t room_[kSlots] = {};
};
