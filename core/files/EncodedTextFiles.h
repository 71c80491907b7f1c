// The readers and writers of text files, for any encoding of kEncodingChoices.
//
// Open's and Save's data work is ReadFileLines and WriteFileLines, which take their inputs and
// return their results and reasons as values, with progress and cancel; every other function
// here is a wrapper over them.
//
// The document's reader and writer of an encoding (ReadEncodedLines, WriteEncodedText, and one
// named pair per encoding) open, read or write completely, and close; a failure sets g_nError
// to 1 and is reported in no other way. Readers replace g_vFileLines with the file's lines (no
// terminators) and set g_nLineCount. Writers take a text whose lines all end with "\n" and
// write each "\n" as CR LF. Paths arrive as UTF-16 and are converted to the file system's
// encoding (UTF-8).
#pragma once

#include "core/files/FileFailure.h"
#include "core/files/InputBytes.h"
#include "core/lines/LineEnd.h"
#include "core/lines/LineList.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class LineBytes;
class OperationProgress;
struct EncodingChoice;

// The document's reader and writer of an encoding, as above.
void ReadEncodedLines(const EncodingChoice& encoding, std::u16string path);
void WriteEncodedText(const EncodingChoice& encoding, std::u16string path, std::u16string text);

// The same for each row of kEncodingChoices, under its own name.
void ReadAnsiLines(std::u16string path);
void ReadUtf8Lines(std::u16string path);
void ReadUtf16LELines(std::u16string path);
void ReadUtf8NoMarkLines(std::u16string path);
void ReadEucJpLines(std::u16string path);

void WriteAnsiText(std::u16string path, std::u16string text);
void WriteUtf8Text(std::u16string path, std::u16string text);
void WriteUtf16LEText(std::u16string path, std::u16string text);
void WriteUtf8NoMarkText(std::u16string path, std::u16string text);
void WriteEucJpText(std::u16string path, std::u16string text);

// Reads the file at path into lines. When the file cannot be opened, lines is left as it was
// and lineCount is 0; otherwise lines is replaced by the file's lines up to any failure, and
// lineCount is their number.
FileResult ReadTextFile(std::u16string_view path, const EncodingChoice& encoding, LineList& lines,
                        std::size_t& lineCount);
// Writes text to the file at path, each "\n" as lineEnd; the file keeps its old content unless
// this succeeds.
FileResult WriteTextFile(std::u16string_view path, const EncodingChoice& encoding,
                         std::u16string_view text, LineEnd lineEnd = LineEnd::kCrLf);

// Open's step, as the window runs it on a worker thread: reads into a list of its own,
// reporting to progress and stopping (OperationCancelled) when it asks. A file read as UTF-8
// that reads through is kept as its bytes (LineBytes.h, while KeepsLinesAsBytes), in little more
// memory than its size.
struct FileLines {
    LineList lines;      // all lines read, or those before a failure
    bool opened = false; // the file was opened, so the lines replace those of the last file
    FileResult result;
    LineEndCounts lineEnds; // of the lines read
};
// A reader of the lines as they come, for work that can go on beside the reading: offered the
// lines on the reading thread each time another kLinesPerSight lines or a few more (the lines
// come a block at a time) have been read, with every line read so far and the share of the
// file's bytes they took (0 when the file's size is not known). The lines offered stay where
// they are; only lines are added behind them.
class LinesSoFar {
public:
    virtual void Offer(const LineList& lines, double shareRead) = 0;
    // The same for a file kept as bytes: only the lines up to lines->Lines() at the call are
    // there to read off the reading thread, under LineBytes::Hold. Null when the lines offered
    // so far are dropped: the file did not read through as UTF-8 and is read again as units,
    // which are offered from the first line.
    virtual void Offer(std::shared_ptr<const LineBytes> lines, double shareRead) = 0;

protected:
    ~LinesSoFar() = default;
};
inline constexpr std::size_t kLinesPerSight = std::size_t{1} << 16;
FileLines ReadFileLines(std::u16string_view path, const EncodingChoice& encoding,
                        OperationProgress* progress, LinesSoFar* linesSoFar = nullptr);
// The same for bytes already read (FileBytes, InputBytes.h), as the file name holding them would
// read; the bytes are given up as they are read.
FileLines ReadBytesLines(InputBytes bytes, std::u16string_view name, const EncodingChoice& encoding,
                         OperationProgress* progress);
// Makes what ReadFileLines produced the document's, as the reader itself would have: the lines
// replace g_vFileLines when the file was opened, g_nLineCount counts them, and a failure sets
// g_nError. The lines replaced are freed.
void CommitFileLines(FileLines&& file) noexcept;
// Save's step: writes every line followed by "\n" (on disk: lineEnd), in small pieces rather
// than joined into one text the size of the file. A stop leaves the target as it was.
FileResult WriteFileLines(std::u16string_view path, const EncodingChoice& encoding,
                          const LineList& lines, OperationProgress* progress,
                          LineEnd lineEnd = LineEnd::kCrLf);
// The same for lines made while they are written: each call of appendNext appends the next
// line (without "\n") to its argument and returns true, or returns false after the last line.
// It reports progress itself.
FileResult WriteFileLines(std::u16string_view path, const EncodingChoice& encoding,
                          const std::function<bool(std::u16string&)>& appendNext,
                          OperationProgress* progress, LineEnd lineEnd = LineEnd::kCrLf);
// And for lines already in the encoding's bytes: appendLine(i, bytes) appends line i's
// bytes, without a line end, for i from 0 to lineCount - 1.
FileResult WriteFileLineBytes(std::u16string_view path, const EncodingChoice& encoding,
                              std::size_t lineCount,
                              const std::function<void(std::size_t, std::string&)>& appendLine,
                              OperationProgress* progress, LineEnd lineEnd = LineEnd::kCrLf);

// And for lines as a text box's buffer holds them, each followed by CR LF, when that buffer is
// already the file's text: made by EncodeBoxText and unchanged since (the caller knows), holding
// UTF-8 alone (IsUtf8BoxText), for an encoding that writes UTF-8. The buffer is then written as
// it stands (for LF ends, without its CRs), no line encoded again. Nothing, and the target not
// touched, when it is not: the caller writes the lines themselves.
std::optional<FileResult> WriteFileBoxLines(std::u16string_view path,
                                            const EncodingChoice& encoding,
                                            std::string_view boxText, OperationProgress* progress,
                                            LineEnd lineEnd = LineEnd::kCrLf);

// Open's reading for a file too large to hold: one line at a time, none kept. Every failure
// raises CException with its reason, as does stopping through progress OperationCancelled.
class CStdioFile;
class TextFileLines {
public:
    TextFileLines(std::u16string_view path, const EncodingChoice& encoding,
                  OperationProgress* progress);
    TextFileLines(const TextFileLines&) = delete;
    TextFileLines& operator=(const TextFileLines&) = delete;
    ~TextFileLines();

    // Puts the next line, without its line end, in line; false once the file is used up.
    bool Next(std::u16string& line);
    // The line ends read so far.
    const LineEndCounts& LineEnds() const;

private:
    std::unique_ptr<CStdioFile> file_;
};
