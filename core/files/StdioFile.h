// Our stand-in for a C stream opened with _wfopen and wrapped in MFC's CStdioFile: a text file
// opened for reading or for writing in one of the encodings of kEncodingChoices, read line by
// line or written, with CR LF line ends on disk unless the writer asks for LF. The encoding's
// row says how: its codec converts, a writer that writesMark starts the file with the codec's
// mark, and a reader treats a mark at the start as its readMark says.
//
// Every failure, including bytes or characters the encoding cannot convert exactly, raises
// CException with its reason. A file opened for writing takes the place of its target only at
// Close: until then, and after any failure, the target stays as it was.
#pragma once

#include "core/files/CException.h"
#include "core/files/InputBytes.h"
#include "core/files/ReplacementFile.h"
#include "core/lines/LineEnd.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineBytes;
class LineList;
class OperationProgress;
struct EncodingChoice;
struct TextCodec;

class CStdioFile {
public:
    // Bytes read from the file at a time; a line longer than this grows the buffer.
    static constexpr std::size_t kReadBlockBytes = 256 * 1024;

    enum class Access { kRead, kWrite };

    // Opens `path` (UTF-16, converted to UTF-8 for the file system) in encoding. A file opened
    // for writing writes each LF as lineEnd.
    CStdioFile(std::u16string_view path, const EncodingChoice& encoding, Access access,
               LineEnd lineEnd = LineEnd::kCrLf);
    // Reads bytes already in memory (an input read whole once, from a file or a pipe) in
    // encoding, exactly as the file `name` holding them would read. The bytes read are given
    // back to the system as the reading goes.
    CStdioFile(InputBytes bytes, std::u16string_view name, const EncodingChoice& encoding);
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;
    ~CStdioFile();

    // Appends the next line, without its line end, to lines (decoded straight into the list's
    // own block) and returns true; returns false once the file is used up. A line end is LF or
    // CR LF; a CR that is not followed by LF belongs to the line. Nothing is delivered after a
    // final line end, so an empty file, or one holding only a mark, has no lines.
    bool ReadString(LineList& lines);
    // The same for many lines at a time: appends at least the next line, and as many whole
    // lines after it as one step of reading takes, decoded in one call where the bytes allow.
    // The lines, line ends, failures and their reasons are those that ReadString gives.
    bool ReadLines(LineList& lines);
    // The same for a reader that keeps no lines: line is replaced by the next one.
    bool ReadString(std::u16string& line);
    // The same for a file read as UTF-8, its lines kept as their bytes: appends them to lines,
    // the same lines ReadLines gives, as long as they are well-formed. Any line that is not
    // ends the reading with kNotUtf8, for ReadLines to read again and fail where it fails.
    enum class BytesRead { kLines, kEnd, kNotUtf8 };
    BytesRead ReadLineBytes(LineBytes& lines);
    // Whether the file is read as UTF-8 (after its mark, which may name another encoding).
    bool ReadsUtf8() const;
    // The file's size, when it has one.
    std::size_t FileSize() const { return fileSize_; }

    // A generous guess at the number of lines of a file opened for reading, taken from the
    // first block and the file's size, for reserving room before reading them all.
    std::size_t EstimateLineCount() const;

    // The share of the file's bytes that the lines delivered so far took; 0 when the size is
    // not known.
    double ShareRead() const;

    // The line ends read so far.
    const LineEndCounts& LineEnds() const { return lineEnds_; }

    // Encodes text and writes it, each LF as the line end chosen at opening.
    void WriteString(std::u16string_view text);

    // Writes bytes already in the file's encoding, with their line ends (LineEndBytes) in place.
    void WriteBytes(std::string_view encoded);
    // The bytes written for each LF.
    std::string_view LineEndBytes() const { return lineEnd_; }

    // Reading: closes the file. Writing: completes the file and puts it in place of the target.
    void Close();

    // From now on, reading reports the bytes read to progress, and reading and writing throw
    // OperationCancelled between blocks once progress asks to stop.
    void SetProgress(OperationProgress* progress) { progress_ = progress; }

private:
    void StartReading(const EncodingChoice& encoding);
    void FillBuffer();
    void ReleaseReadMemory();
    void Refill();
    std::size_t FindLineFeed();
    // The undelivered bytes of the next line without its line end, [first, last); false once
    // the file is used up. The line counts as delivered.
    bool NextLine(std::size_t& first, std::size_t& last);
    // Appends the whole lines among the next undelivered bytes, decoded in one call, and
    // returns true; false, leaving everything as it was, when there are none or they do not
    // decode in one piece (the line-by-line reading then meets the failure where it is).
    bool AppendDecodedLines(LineList& lines);
    std::size_t WholeLinesEnd() const;
    // Decodes buffer_[first, last) to out (room for last - first units); returns the units.
    std::size_t DecodeLine(std::size_t first, std::size_t last, char16_t* out) const;
    // line (at lineIndex in all the text written) holds a character the codec cannot encode.
    [[noreturn]] void ThrowUnencodable(std::u16string_view line, std::uint64_t lineIndex) const;

    std::string path_; // for messages
    const TextCodec* codec_;
    std::string_view lineEnd_; // the bytes written for each LF
    LineEndCounts lineEnds_;
    bool closed_ = false;
    OperationProgress* progress_ = nullptr;

    // Reading: buffer_[begin_, end_) holds bytes not yet delivered; the bytes before scanned_
    // are known to hold no line feed. The bytes come from fd_, or from memory_, of which
    // the first memoryRead_ have been read and the pages before memoryReleased_ given back.
    bool reading_ = false;
    int fd_ = -1;
    InputBytes memory_;
    std::size_t memoryRead_ = 0;
    std::size_t memoryReleased_ = 0;
    std::size_t fileSize_ = 0;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::size_t scanned_ = 0;
    bool endOfFile_ = false;
    std::uint64_t consumed_ = 0;  // bytes of the file before buffer_[0]
    std::uint64_t linesRead_ = 0; // lines delivered, for saying where a bad line is
    // ReadLines: the units of its lines decoded together, and the file offset before which
    // bytes that did not decode together are read line by line.
    std::vector<char16_t> decoded_;
    std::uint64_t lineByLineUntil_ = 0;

    // Writing.
    std::unique_ptr<ReplacementFile> output_;
    std::string encoded_;
    std::uint64_t unitsWritten_ = 0; // code units of text written so far
    // Where the text being written stands, for saying where a character cannot be encoded:
    // the line feeds written, and the characters of the current line before this chunk.
    std::uint64_t linesWritten_ = 0;
    std::uint64_t lineCharacters_ = 0;
};
