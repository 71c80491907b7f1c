// How Run decides that two lines are the same, and which of them it keeps. Every option is off
// by default, and then Run compares lines code unit by code unit and keeps each line's first
// occurrence, dropping the empty lines.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

struct CompareOptions {
    // The comparison key of a line is made in this order; the line kept is always the text's own.
    bool ignoreSpace = false; // without the White_Space characters at both ends
    bool ignoreWidth = false; // <wide> and <narrow> forms as their decomposition, then NFC
    bool ignoreKana = false;  // katakana as the hiragana they spell
    bool ignoreCase = false;  // full case folding
    // Which lines are left out.
    bool blankAsEmpty = false; // a line of White_Space characters only counts as empty
    bool keepEmpty = false;    // empty lines all stay, in place, never as repeats
    bool keepLast = false;     // each line's last occurrence stays, in the order of those

    // Whether a line may compare equal to a different text.
    bool ChangesKeys() const { return ignoreSpace || ignoreWidth || ignoreKana || ignoreCase; }
    bool operator==(const CompareOptions&) const = default;
};

// One option as the command line, the settings and the menu name it.
struct CompareOptionName {
    bool CompareOptions::*member;
    std::string_view flag;       // the command-line flag
    std::string_view settingKey; // the key under which the window remembers it
    std::string_view help;       // what --help says of the flag, UTF-8
};

inline constexpr std::array<CompareOptionName, 7> kCompareOptionNames{{
    {&CompareOptions::ignoreSpace, "--ignore-space", "compare/ignoreSpace",
     "行頭と行末の空白を無視して比べます"},
    {&CompareOptions::ignoreWidth, "--ignore-width", "compare/ignoreWidth",
     "全角と半角を区別しません"},
    {&CompareOptions::ignoreKana, "--ignore-kana", "compare/ignoreKana",
     "ひらがなとカタカナを区別しません"},
    {&CompareOptions::ignoreCase, "--ignore-case", "compare/ignoreCase",
     "大文字と小文字を区別しません"},
    {&CompareOptions::blankAsEmpty, "--blank-as-empty", "compare/blankAsEmpty",
     "空白だけの行を空行とみなします"},
    {&CompareOptions::keepEmpty, "--keep-empty", "compare/keepEmpty",
     "空行をすべてその位置に残します"},
    {&CompareOptions::keepLast, "--keep-last", "compare/keepLast",
     "各行の最後の出現を、その順に残します"},
}};

inline constexpr std::string_view kCountsFlag = "--counts";
inline constexpr std::string_view kCountsHelp =
    "残した各行の前に、それが表す入力の行数とタブを書きます";

// What the command line's flags ask of a Run: how to compare, and whether each kept line is
// written after its count and a tab (--counts).
struct RunFlags {
    CompareOptions compare;
    bool counts = false;
};

// Sets what arg asks for and returns true when arg is one of Run's flags; false otherwise, for
// the caller to try its own.
bool ParseRunFlag(std::string_view arg, RunFlags& flags);
