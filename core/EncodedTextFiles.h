// The three readers and three writers of text files. Each call opens, reads or writes
// completely, and closes; a failure sets g_nError to 1 and is reported in no other way.
//
// Readers replace g_vFileLines with the file's lines (no terminators) and set g_nLineCount.
// Writers take a text whose lines all end with "\n" and write each "\n" as CR LF.
// Paths arrive as UTF-16 and are converted to the file system's encoding (UTF-8).
//
// ReadTextFile and WriteTextFile do the same work on explicit inputs and outputs, and say why
// they failed; the six functions above are their wrappers over the document state.
#pragma once

#include "core/FileFailure.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class OperationProgress;

void ReadAnsiLines(std::u16string path);    // code page 932, no byte-order mark
void ReadUtf8Lines(std::u16string path);    // a mark decides; UTF-8 without one
void ReadUtf16LELines(std::u16string path); // a mark decides; UTF-16LE without one

void WriteAnsiText(std::u16string path, std::u16string text);    // code page 932, no mark
void WriteUtf8Text(std::u16string path, std::u16string text);    // EF BB BF, then UTF-8
void WriteUtf16LEText(std::u16string path, std::u16string text); // FF FE, then UTF-16LE

enum class TextEncoding { kAnsi, kUtf8, kUtf16LE };

// Reads the file at path into lines. When the file cannot be opened, lines is left as it was
// and lineCount is 0; otherwise lines is replaced by the file's lines up to any failure, and
// lineCount is their number.
FileResult ReadTextFile(std::u16string_view path, TextEncoding encoding,
                        std::vector<std::u16string>& lines, std::size_t& lineCount);
// Writes text to the file at path, which keeps its old content unless this succeeds.
FileResult WriteTextFile(std::u16string_view path, TextEncoding encoding, std::u16string_view text);

// ReadTextFile and WriteTextFile as the window runs them on a worker thread: on lists of their
// own, reporting to progress and stopping (OperationCancelled) when it asks.
struct FileLines {
    std::vector<std::u16string> lines; // all lines read, or those before a failure
    bool opened = false; // the file was opened, so the lines replace those of the last file
    FileResult result;
};
FileLines ReadFileLines(std::u16string_view path, TextEncoding encoding,
                        OperationProgress* progress);
// Makes what ReadFileLines produced the document's, as the reader itself would have: the lines
// replace g_vFileLines when the file was opened (file then holds the old ones), g_nLineCount
// counts them, and a failure sets g_nError.
void KeepFileLines(FileLines&& file);
// Writes every line followed by "\n", in small pieces rather than joined into one text the size
// of the file. A stop leaves the target as it was.
FileResult WriteFileLines(std::u16string_view path, TextEncoding encoding,
                          const std::vector<std::u16string>& lines, OperationProgress* progress);
