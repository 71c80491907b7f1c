// The readers and writers of text files, one of each per encoding. Each call opens, reads or
// writes completely, and closes; a failure sets g_nError to 1 and is reported in no other way.
//
// Readers replace g_vFileLines with the file's lines (no terminators) and set g_nLineCount.
// Writers take a text whose lines all end with "\n" and write each "\n" as CR LF.
// Paths arrive as UTF-16 and are converted to the file system's encoding (UTF-8).
//
// Open's and Save's data work is ReadFileLines and WriteFileLines, which take their inputs and
// return their results and reasons as values, with progress and cancel; the six functions
// above, ReadTextFile and WriteTextFile are wrappers over them.
#pragma once

#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"
#include "core/lines/LineList.h"

#include <cstddef>
#include <string>
#include <string_view>

class OperationProgress;

void ReadAnsiLines(std::u16string path);       // code page 932, no byte-order mark
void ReadUtf8Lines(std::u16string path);       // a mark decides; UTF-8 without one
void ReadUtf16LELines(std::u16string path);    // a mark decides; UTF-16LE without one
void ReadUtf8NoMarkLines(std::u16string path); // UTF-8; a UTF-8 mark is skipped
void ReadEucJpLines(std::u16string path);      // EUC-JP, no mark

void WriteAnsiText(std::u16string path, std::u16string text);       // code page 932, no mark
void WriteUtf8Text(std::u16string path, std::u16string text);       // EF BB BF, then UTF-8
void WriteUtf16LEText(std::u16string path, std::u16string text);    // FF FE, then UTF-16LE
void WriteUtf8NoMarkText(std::u16string path, std::u16string text); // UTF-8, no mark
void WriteEucJpText(std::u16string path, std::u16string text);      // EUC-JP, no mark

enum class TextEncoding { kAnsi, kUtf8, kUtf16LE, kUtf8NoMark, kEucJp };

// Reads the file at path into lines. When the file cannot be opened, lines is left as it was
// and lineCount is 0; otherwise lines is replaced by the file's lines up to any failure, and
// lineCount is their number.
FileResult ReadTextFile(std::u16string_view path, TextEncoding encoding, LineList& lines,
                        std::size_t& lineCount);
// Writes text to the file at path, each "\n" as lineEnd; the file keeps its old content unless
// this succeeds.
FileResult WriteTextFile(std::u16string_view path, TextEncoding encoding, std::u16string_view text,
                         LineEnd lineEnd = LineEnd::kCrLf);

// Open's step, as the window runs it on a worker thread: reads into a list of its own,
// reporting to progress and stopping (OperationCancelled) when it asks.
struct FileLines {
    LineList lines;      // all lines read, or those before a failure
    bool opened = false; // the file was opened, so the lines replace those of the last file
    FileResult result;
    LineEndCounts lineEnds; // of the lines read
};
FileLines ReadFileLines(std::u16string_view path, TextEncoding encoding,
                        OperationProgress* progress);
// Makes what ReadFileLines produced the document's, as the reader itself would have: the lines
// replace g_vFileLines when the file was opened, g_nLineCount counts them, and a failure sets
// g_nError. The lines replaced are freed.
void KeepFileLines(FileLines&& file) noexcept;
// Save's step: writes every line followed by "\n" (on disk: lineEnd), in small pieces rather
// than joined into one text the size of the file. A stop leaves the target as it was.
FileResult WriteFileLines(std::u16string_view path, TextEncoding encoding, const LineList& lines,
                          OperationProgress* progress, LineEnd lineEnd = LineEnd::kCrLf);
