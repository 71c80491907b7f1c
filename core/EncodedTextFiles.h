// The three readers and three writers of text files. Each call opens, reads or writes
// completely, and closes; a failure sets g_nError to 1 and is reported in no other way.
//
// Readers replace g_vFileLines with the file's lines (no terminators) and set g_nLineCount.
// Writers take a text whose lines all end with "\n" and write each "\n" as CR LF.
// Paths arrive as UTF-16 and are converted to the file system's encoding (UTF-8).
#pragma once

#include <string>

void ReadAnsiLines(std::u16string path);    // code page 932, no byte-order mark
void ReadUtf8Lines(std::u16string path);    // a mark decides; UTF-8 without one
void ReadUtf16LELines(std::u16string path); // a mark decides; UTF-16LE without one

void WriteAnsiText(std::u16string path, std::u16string text);    // code page 932, no mark
void WriteUtf8Text(std::u16string path, std::u16string text);    // EF BB BF, then UTF-8
void WriteUtf16LEText(std::u16string path, std::u16string text); // FF FE, then UTF-16LE
