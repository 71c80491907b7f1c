// How lines end in a file: CR LF, as the program has always written them, or LF alone, as Linux
// programs write them; and which of them the user asks a written file to have.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

enum class LineEnd { kCrLf, kLf };

// The line ends a reader met. A last line without a line end counts as neither.
struct LineEndCounts {
    std::uint64_t crLf = 0;
    std::uint64_t lf = 0; // LF without a CR before it

    // The line end most lines had: LF only when LF-only lines are the majority, so that a file
    // without line ends, or with as many of each, keeps the program's usual CR LF.
    constexpr LineEnd Majority() const { return lf > crLf ? LineEnd::kLf : LineEnd::kCrLf; }
};

// The line end the user asks for: one of the two, or the one most lines of the file read had.
enum class LineEndChoice { kCrLf, kLf, kAsRead };

// One choice as the window's menu, its remembered setting and the command line's --line-end
// name it. The first row is the default everywhere.
struct LineEndChoiceName {
    LineEndChoice choice;
    std::string_view flagValue;    // the value of --line-end
    std::string_view settingValue; // as the window remembers it
    std::string_view menuText;     // the menu item's caption, UTF-8
    std::string_view menuName;     // the menu item's object name, by which tests find it
};

inline constexpr std::array<LineEndChoiceName, 3> kLineEndChoices{{
    {LineEndChoice::kCrLf, "crlf", "crlf", "CR+LF", "ID_SAVE_LINE_END_CRLF"},
    {LineEndChoice::kLf, "lf", "lf", "LF", "ID_SAVE_LINE_END_LF"},
    {LineEndChoice::kAsRead, "keep", "as-opened", "元のファイルに合わせる",
     "ID_SAVE_LINE_END_AS_OPENED"},
}};

static_assert([] {
    for (std::size_t i = 0; i < kLineEndChoices.size(); ++i)
        if (kLineEndChoices[i].choice != static_cast<LineEndChoice>(i))
            return false;
    return true;
}());

// The choice whose --line-end value is value, or none.
constexpr std::optional<LineEndChoice> LineEndFlagged(std::string_view value) {
    for (const LineEndChoiceName& name : kLineEndChoices)
        if (name.flagValue == value)
            return name.choice;
    return std::nullopt;
}

// The line end written for choice, in a file made from one whose lines ended as read says.
constexpr LineEnd LineEndFor(LineEndChoice choice, const LineEndCounts& read) {
    switch (choice) {
    case LineEndChoice::kLf:
        return LineEnd::kLf;
    case LineEndChoice::kAsRead:
        return read.Majority();
    default:
        return LineEnd::kCrLf;
    }
}
