#include "core/files/StdioFile.h"

#include "core/base/OperationProgress.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/TextCodecs.h"
#include "core/encoding/UnicodeScalars.h"
#include "core/files/FileSystemNames.h"
#include "core/lines/LineBytes.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Text is encoded and written this many code units at a time, so that the output buffer
// stays small and warm in the cache however long the text is.
constexpr std::size_t kWriteChunkUnits = 128 * 1024;
// Worst case on disk for one code unit: an LF written as CR LF in UTF-16LE.
constexpr std::size_t kMaxBytesPerUnitWithLineEnd =
    std::max<std::size_t>(kMaxEncodedBytesPerUnit, 4);
// ReadLines decodes about this many bytes of whole lines in one call: one call a line spent
// more on starting and ending each call than on the characters of a short line, and the units
// of this many bytes are still in the cache when they are copied into the list.
constexpr std::size_t kDecodeBlockBytes = 64 * 1024;

// Where decoding bytes failed: the offset of the first character whose bytes the codec cannot
// decode on their own. Only a failure pays for this second look.
std::size_t FirstUndecodable(const TextCodec& codec, std::string_view bytes) {
    char16_t units[2];
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length =
            std::min(codec.characterBytes(static_cast<unsigned char>(bytes[i])), bytes.size() - i);
        if (codec.decode(bytes.substr(i, length), units) == nullptr)
            break;
        i += length;
    }
    return i;
}

// The number of characters in text, a surrogate pair counting as one.
std::size_t CountCharacters(std::u16string_view text) {
    std::size_t pairs = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]))
            ++pairs;
    return text.size() - pairs;
}

// The character that starts at text[i]: a surrogate pair's scalar, or the unit itself.
char32_t CharacterAt(std::u16string_view text, std::size_t i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
        return ScalarOfPair(text[i], text[i + 1]);
    return text[i];
}

// Where encoding text failed: the index of its first character (a surrogate pair counts as one)
// that the codec cannot encode on its own. Only a failure pays for this second look.
std::size_t FirstUnencodable(const TextCodec& codec, std::u16string_view text) {
    char bytes[2 * kMaxEncodedBytesPerUnit];
    std::size_t i = 0;
    while (i < text.size()) {
        const bool pair =
            IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        const std::size_t length = pair ? 2 : 1;
        if (codec.encode(text.substr(i, length), bytes) == nullptr) {
            break;
        }
        i += length;
    }
    return i;
}

} // namespace

CStdioFile::CStdioFile(std::u16string_view path, const EncodingChoice& encoding, Access access,
                       LineEnd lineEnd)
    : path_(FileSystemPath(path)), codec_(encoding.codec) {
    // LF alone is the last unit of CR LF.
    lineEnd_ =
        lineEnd == LineEnd::kCrLf ? codec_->lineEnd : codec_->lineEnd.substr(codec_->unitBytes);

    if (access == Access::kWrite) {
        output_ = std::make_unique<ReplacementFile>(path_);
        if (encoding.writesMark)
            output_->Write(codec_->mark);
        return;
    }

    reading_ = true;
    // Non-blocking only for the opening itself: a FIFO without a writer would otherwise hang the
    // window here before it could be refused as no regular file.
    fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        ThrowSystemError("cannot open", path_);
    }
    try {
        StartReading(encoding);
    } catch (...) {
        close(fd_); // the destructor does not run for an object that was never constructed
        throw;
    }
}

CStdioFile::CStdioFile(InputBytes bytes, std::u16string_view name, const EncodingChoice& encoding)
    : path_(FileSystemPath(name)), codec_(encoding.codec), reading_(true),
      memory_(std::move(bytes)) {
    fileSize_ = memory_.View().size();
    StartReading(encoding);
}

void CStdioFile::StartReading(const EncodingChoice& encoding) {
    if (fd_ >= 0) {
        struct stat status;
        if (fstat(fd_, &status) != 0) {
            ThrowSystemError("cannot examine", path_);
        }
        // Only a regular file has an end: a FIFO or a device such as /dev/zero could keep the
        // window reading until memory runs out.
        if (!S_ISREG(status.st_mode)) {
            errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
            ThrowSystemError("cannot read", path_, FileFailure::kNotRegularFile);
        }
        fileSize_ = static_cast<std::size_t>(status.st_size);
        if (fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
            ThrowSystemError("cannot read", path_);
        }
    }
    buffer_.resize(kReadBlockBytes);
    FillBuffer();
    const MarkedStart read = ReadMarkedStart(encoding, std::string_view(buffer_.data(), end_));
    codec_ = read.codec;
    begin_ = scanned_ = read.markBytes;
}

CStdioFile::~CStdioFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool CStdioFile::ReadString(LineList& lines) {
    std::size_t first = 0;
    std::size_t last = 0;
    if (!NextLine(first, last))
        return false;
    // Never more code units than bytes, so the line decodes straight into the list.
    lines.FinishLine(DecodeLine(first, last, lines.LineSpace(last - first)));
    return true;
}

bool CStdioFile::ReadLines(LineList& lines) {
    return AppendDecodedLines(lines) || ReadString(lines);
}

// The end of the whole lines among the next undelivered bytes that one step takes: after the
// last line feed within reach; begin_ when there is none. In UTF-16LE only the code unit 0A 00 at
// an even distance from begin_ is one.
std::size_t CStdioFile::WholeLinesEnd() const {
    const char* const data = buffer_.data();
    const std::size_t reach = std::min(end_, begin_ + kDecodeBlockBytes);
    if (codec_->unitBytes == 1) {
        if (const void* hit = memrchr(data + begin_, '\n', reach - begin_))
            return static_cast<std::size_t>(static_cast<const char*>(hit) - data) + 1;
        return begin_;
    }
    for (std::size_t at = begin_ + ((reach - begin_) & ~std::size_t{1}); at > begin_; at -= 2) {
        if (data[at - 2] == '\n' && data[at - 1] == '\0')
            return at;
    }
    return begin_;
}

bool CStdioFile::AppendDecodedLines(LineList& lines) {
    if (!reading_ || closed_ || consumed_ + begin_ < lineByLineUntil_)
        return false;
    const char* const data = buffer_.data();
    const std::size_t blockEnd = WholeLinesEnd();
    if (blockEnd == begin_)
        return false;
    // A line feed never belongs to another character in these encodings, so the bytes decode
    // together exactly when each line decodes alone, to the same units, line feeds included.
    const std::string_view bytes(data + begin_, blockEnd - begin_);
    if (decoded_.size() < bytes.size())
        decoded_.resize(std::max(bytes.size(), kDecodeBlockBytes));
    const char16_t* const decodedEnd = codec_->decode(bytes, decoded_.data());
    if (decodedEnd == nullptr) {
        lineByLineUntil_ = consumed_ + blockEnd;
        return false;
    }
    for (const char16_t* line = decoded_.data(); line != decodedEnd;) {
        const char16_t* const lineFeed = std::find(line, decodedEnd, u'\n');
        auto units = static_cast<std::size_t>(lineFeed - line);
        if (units > 0 && line[units - 1] == u'\r') {
            --units; // the CR of CR LF
            ++lineEnds_.crLf;
        } else {
            ++lineEnds_.lf;
        }
        std::memcpy(lines.LineSpace(units), line, units * sizeof(char16_t));
        lines.FinishLine(units);
        ++linesRead_;
        line = lineFeed + 1;
    }
    begin_ = scanned_ = blockEnd;
    return true;
}

bool CStdioFile::ReadsUtf8() const {
    return codec_ == &kUtf8Codec;
}

CStdioFile::BytesRead CStdioFile::ReadLineBytes(LineBytes& lines) {
    if (!reading_ || closed_)
        throw CException("the file is not open for reading");
    // The whole lines one step takes, as AppendDecodedLines takes them; else the next line
    // alone, however long, as NextLine finds it.
    if (const std::size_t blockEnd = WholeLinesEnd(); blockEnd != begin_) {
        const std::string_view block(&buffer_[begin_], blockEnd - begin_);
        if (!IsUtf8(block))
            return BytesRead::kNotUtf8;
        const LineEndCounts ends = lines.AddLines(block);
        lineEnds_.crLf += ends.crLf;
        lineEnds_.lf += ends.lf;
        linesRead_ += ends.crLf + ends.lf;
        begin_ = scanned_ = blockEnd;
        return BytesRead::kLines;
    }
    std::size_t first = 0;
    std::size_t last = 0;
    if (!NextLine(first, last))
        return BytesRead::kEnd;
    const std::string_view line(&buffer_[first], last - first);
    if (!IsUtf8(line))
        return BytesRead::kNotUtf8;
    lines.Add(line);
    return BytesRead::kLines;
}

bool CStdioFile::ReadString(std::u16string& line) {
    std::size_t first = 0;
    std::size_t last = 0;
    if (!NextLine(first, last))
        return false;
    line.resize(last - first);
    line.resize(DecodeLine(first, last, line.data()));
    return true;
}

bool CStdioFile::NextLine(std::size_t& first, std::size_t& last) {
    if (!reading_ || closed_) {
        throw CException("the file is not open for reading");
    }
    const std::size_t unit = codec_->unitBytes;
    for (;;) {
        const std::size_t lineFeed = FindLineFeed();
        if (lineFeed != std::string::npos) {
            first = begin_;
            last = lineFeed;
            if (last - begin_ >= unit &&
                std::memcmp(&buffer_[last - unit], codec_->lineEnd.data(), unit) == 0) {
                last -= unit; // the CR of CR LF
                ++lineEnds_.crLf;
            } else {
                ++lineEnds_.lf;
            }
            begin_ = scanned_ = lineFeed + unit;
            ++linesRead_;
            return true;
        }
        if (endOfFile_) {
            if (begin_ == end_) {
                return false;
            }
            first = begin_;
            last = end_;
            begin_ = scanned_ = end_;
            ++linesRead_;
            return true;
        }
        Refill();
    }
}

std::size_t CStdioFile::EstimateLineCount() const {
    if (buffer_.empty()) {
        return 0; // not open for reading
    }
    const auto lineFeeds =
        static_cast<std::size_t>(std::count(&buffer_[begin_], &buffer_[0] + end_, '\n'));
    if (endOfFile_ || end_ == 0) {
        return lineFeeds + 1;
    }
    const std::size_t guess = (lineFeeds + 1) * std::max(fileSize_, end_) / end_;
    // The first block may be all short lines before one huge line: the guess alone could then
    // ask for gigabytes that the lines never need and starve the reading itself. The rest of
    // the file is granted at most one line per kBytesPerGrantedLine bytes, so the index
    // reserved (a pointer a line) stays within a quarter of the file's size; a file of still
    // shorter lines only grows the list as it goes.
    constexpr std::size_t kBytesPerGrantedLine = 32;
    const std::size_t rest = std::max(fileSize_, end_) - end_;
    const std::size_t room = lineFeeds + 1 + rest / kBytesPerGrantedLine;
    return std::min(guess + guess / 8, room);
}

double CStdioFile::ShareRead() const {
    if (fileSize_ == 0)
        return 0;
    return static_cast<double>(consumed_ + begin_) / static_cast<double>(fileSize_);
}

// Reads until the buffer is full or the file is used up, so that block boundaries fall at
// the same places on every run, whether the bytes come from the file or from memory.
void CStdioFile::FillBuffer() {
    if (fd_ < 0) {
        const std::string_view memory = memory_.View();
        const std::size_t count = std::min(memory.size() - memoryRead_, buffer_.size() - end_);
        if (count != 0) // an empty input may be no memory at all
            std::memcpy(&buffer_[end_], memory.data() + memoryRead_, count);
        memoryRead_ += count;
        end_ += count;
        endOfFile_ = memoryRead_ == memory.size();
        ReleaseReadMemory();
        return;
    }
    while (end_ < buffer_.size() && !endOfFile_) {
        const ssize_t count = read(fd_, &buffer_[end_], buffer_.size() - end_);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError("cannot read", path_);
        }
        if (count == 0) {
            endOfFile_ = true;
        }
        end_ += static_cast<std::size_t>(count);
    }
}

// Bytes in memory are read once, front to back: the whole pages already read go back to the
// system, a few megabytes at a time, so that the input and the lines made of it are never both
// held whole.
void CStdioFile::ReleaseReadMemory() {
    constexpr std::size_t kReleaseBytes = 4 << 20;
    if (memoryRead_ - memoryReleased_ < kReleaseBytes && !endOfFile_)
        return;
    memory_.Release(memoryRead_);
    memoryReleased_ = memoryRead_;
}

// Moves the unfinished line to the front of the buffer, growing the buffer when that line
// already fills it, and reads behind it.
void CStdioFile::Refill() {
    if (progress_) {
        progress_->ThrowIfCancelled();
        progress_->Report(consumed_ + end_, fileSize_);
    }
    if (begin_ > 0) {
        consumed_ += begin_;
        std::memmove(buffer_.data(), &buffer_[begin_], end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) {
        buffer_.resize(buffer_.size() * 2);
    }
    FillBuffer();
}

// Position of the next line feed among the undelivered bytes, or npos. In UTF-16LE a line
// feed is the code unit 0A 00, so a 0A byte only counts at an even distance from begin_.
std::size_t CStdioFile::FindLineFeed() {
    const char* const data = buffer_.data();
    if (codec_->unitBytes == 1) {
        const void* hit = std::memchr(data + scanned_, '\n', end_ - scanned_);
        if (hit != nullptr) {
            return static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        }
        scanned_ = end_;
        return std::string::npos;
    }
    std::size_t from = scanned_;
    while (end_ - from >= 2) {
        const void* hit = std::memchr(data + from, '\n', end_ - from - 1);
        if (hit == nullptr) {
            break;
        }
        const auto position = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        if ((position - begin_) % 2 == 0 && data[position + 1] == '\0') {
            return position;
        }
        from = position + 1;
    }
    scanned_ = begin_ + ((end_ - begin_) & ~std::size_t{1});
    return std::string::npos;
}

std::size_t CStdioFile::DecodeLine(std::size_t first, std::size_t last, char16_t* out) const {
    const std::string_view bytes(&buffer_[0] + first, last - first);
    const char16_t* end = codec_->decode(bytes, out);
    if (end == nullptr) {
        throw CException("'" + path_ + "' holds bytes that are not valid " + codec_->name,
                         {.failure = FileFailure::kInvalidBytes,
                          .position = consumed_ + first + FirstUndecodable(*codec_, bytes),
                          .line = linesRead_}); // NextLine counted it already
    }
    return static_cast<std::size_t>(end - out);
}

void CStdioFile::WriteString(std::u16string_view text) {
    if (!output_ || closed_) {
        throw CException("the file is not open for writing");
    }
    if (encoded_.empty()) {
        // One unit more than a chunk, for a surrogate pair that straddles the chunk's end.
        encoded_.resize((kWriteChunkUnits + 1) * kMaxBytesPerUnitWithLineEnd);
    }
    while (!text.empty()) {
        if (progress_) {
            progress_->ThrowIfCancelled();
        }
        const char16_t* const chunkStart = text.data();
        std::size_t units = std::min(text.size(), kWriteChunkUnits);
        if (units < text.size() && IsHighSurrogate(text[units - 1])) {
            ++units;
        }
        std::u16string_view chunk = text.substr(0, units);
        text.remove_prefix(units);

        char* out = encoded_.data();
        for (;;) {
            const std::size_t lineFeed = chunk.find(u'\n');
            const std::u16string_view line = chunk.substr(0, lineFeed);
            out = codec_->encode(line, out);
            if (out == nullptr)
                ThrowUnencodable(line, unitsWritten_ +
                                           static_cast<std::size_t>(line.data() - chunkStart));
            if (lineFeed == std::u16string_view::npos) {
                // The line goes on in the next chunk: its column count carries over.
                lineCharacters_ += CountCharacters(line);
                break;
            }
            out = std::copy(lineEnd_.begin(), lineEnd_.end(), out);
            chunk.remove_prefix(lineFeed + 1);
            ++linesWritten_;
            lineCharacters_ = 0;
        }
        output_->Write(
            std::string_view(encoded_.data(), static_cast<std::size_t>(out - encoded_.data())));
        unitsWritten_ += units;
    }
}

void CStdioFile::WriteBytes(std::string_view encoded) {
    if (!output_ || closed_) {
        throw CException("the file is not open for writing");
    }
    if (progress_) {
        progress_->ThrowIfCancelled();
    }
    output_->Write(encoded);
}

void CStdioFile::ThrowUnencodable(std::u16string_view line, std::uint64_t lineIndex) const {
    const std::size_t at = FirstUnencodable(*codec_, line);
    throw CException(std::string("the text holds a character that ") + codec_->name +
                         " cannot represent",
                     {.failure = FileFailure::kUnmappableCharacter,
                      .position = lineIndex + at,
                      .line = linesWritten_ + 1,
                      .column = lineCharacters_ + CountCharacters(line.substr(0, at)) + 1,
                      .character = CharacterAt(line, at)});
}

void CStdioFile::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    if (output_) {
        output_->Commit();
        return;
    }
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && close(fd) != 0) {
        ThrowSystemError("cannot close", path_);
    }
}
