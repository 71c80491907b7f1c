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
    std::string_view help;       // what --help says of the flag, in English; translated by the
                                 // command line's message catalogue
};

inline constexpr std::array<CompareOptionName, 7> kCompareOptionNames{{
    {&CompareOptions::ignoreSpace, "--ignore-space", "compare/ignoreSpace",
     "compare lines without the white space at their ends"},
    {&CompareOptions::ignoreWidth, "--ignore-width", "compare/ignoreWidth",
     "take full-width and half-width forms as the same"},
    {&CompareOptions::ignoreKana, "--ignore-kana", "compare/ignoreKana",
     "take hiragana and katakana as the same"},
    {&CompareOptions::ignoreCase, "--ignore-case", "compare/ignoreCase",
     "take upper and lower case as the same"},
    {&CompareOptions::blankAsEmpty, "--blank-as-empty", "compare/blankAsEmpty",
     "take a line of white space only as empty"},
    {&CompareOptions::keepEmpty, "--keep-empty", "compare/keepEmpty",
     "keep every empty line, in its place"},
    {&CompareOptions::keepLast, "--keep-last", "compare/keepLast",
     "keep the last occurrence of each line, in their order"},
}};
