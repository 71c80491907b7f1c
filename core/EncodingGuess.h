// Which of the three encodings a file is most likely in, judged from its first bytes, so that
// the window can preselect it for the user. Only clear evidence counts; anything else leaves
// the user's choice alone.
#pragma once

#include <cstddef>
#include <string_view>

// How many bytes from the start of a file the guess needs at most.
inline constexpr std::size_t kEncodingGuessBytes = 1024 * 1024;

// The guessed encoding index (0 ANSI, 1 UTF-8, 2 UTF-16LE, the order of the encoding list), or
// -1 for no guess. head is the file's beginning; bWhole says whether it is the whole file, since
// a cut head may end inside a character. In order of precedence:
//   EF BB BF: UTF-8; FF FE: UTF-16LE;
//   an even-sized text with NUL in more than half of its odd positions: UTF-16LE;
//   well-formed UTF-8 with at least one non-ASCII character: UTF-8;
//   not UTF-8 but valid code page 932: ANSI;
//   anything else (ASCII only, empty, neither): no guess.
int GuessEncoding(std::string_view head, bool bWhole);
