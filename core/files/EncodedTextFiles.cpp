#include "core/files/EncodedTextFiles.h"

#include "core/base/OperationProgress.h"
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/FileSystemNames.h"
#include "core/files/StdioFile.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/ByteLines.h"
#include "core/lines/LineBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <iterator>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Runs work on a stream, turning a failure into its reason.
template <class Work> FileResult CatchFailure(Work&& work) {
    try {
        work();
    } catch (const CException& e) {
        return e.Result();
    } catch (const std::bad_alloc&) {
        // A file too large for memory is a failure like any other, not the end of the program.
        return {FileFailure::kOutOfMemory};
    }
    return {};
}

// Opens path for writing, lets write fill it, and puts it in place of the target unless
// something failed or progress asked to stop.
template <class Write>
FileResult WriteFile(std::u16string_view path, const EncodingChoice& encoding, LineEnd lineEnd,
                     OperationProgress* progress, Write&& write) {
    return CatchFailure([&] {
        CStdioFile file(path, encoding, CStdioFile::Access::kWrite, lineEnd);
        file.SetProgress(progress);
        write(file);
        if (progress)
            progress->ThrowIfCancelled(); // the last moment at which the target is untouched
        file.Close();
    });
}

// Reads every line of the stream that open gives.
template <class Open>
FileLines ReadStreamLines(Open&& open, OperationProgress* progress,
                          LinesSoFar* linesSoFar = nullptr) {
    FileLines file;
    file.result = CatchFailure([&] {
        CStdioFile stream = open();
        stream.SetProgress(progress);
        file.opened = true;
        try {
            file.lines.reserve(stream.EstimateLineCount());
        } catch (const std::bad_alloc&) {
            // Only a hint, taken from the first block: a file whose long lines come later can
            // make it far too large, and then the list simply grows as it goes.
        }
        for (std::size_t sight = kLinesPerSight; stream.ReadLines(file.lines);) {
            if (linesSoFar && file.lines.size() >= sight) {
                linesSoFar->Offer(file.lines, stream.ShareRead());
                sight = (file.lines.size() / kLinesPerSight + 1) * kLinesPerSight;
            }
        }
        file.lineEnds = stream.LineEnds();
        stream.Close();
    });
    return file;
}

// The lines of a UTF-8 file as their bytes (LineBytes.h), when it is one and reads through without
// a failure; nothing otherwise, for the reading of units to read it again and meet the failure
// where it is, with its reason and place. Lines kept as bytes take less memory than their units,
// and a box or a file in UTF-8 takes them as they are.
template <class Open>
std::optional<FileLines> ReadStreamLineBytes(Open&& open, OperationProgress* progress,
                                             LinesSoFar* linesSoFar) {
    FileLines file;
    bool utf8 = true;
    file.result = CatchFailure([&] {
        CStdioFile stream = open();
        if (!stream.ReadsUtf8()) {
            utf8 = false;
            return;
        }
        stream.SetProgress(progress);
        file.opened = true;
        auto bytes = std::make_shared<LineBytes>();
        bytes->Reserve(stream.FileSize(), stream.EstimateLineCount());
        for (std::size_t sight = kLinesPerSight;;) {
            const CStdioFile::BytesRead read = stream.ReadLineBytes(*bytes);
            if (read == CStdioFile::BytesRead::kEnd)
                break;
            if (read == CStdioFile::BytesRead::kNotUtf8) {
                utf8 = false;
                return;
            }
            if (linesSoFar && bytes->Lines() >= sight) {
                linesSoFar->Offer(bytes, stream.ShareRead());
                sight = (bytes->Lines() / kLinesPerSight + 1) * kLinesPerSight;
            }
        }
        bytes->Finish();
        file.lineEnds = stream.LineEnds();
        stream.Close();
        file.lines = LineList(std::move(bytes));
    });
    if (!utf8 || !file.result.Succeeded()) {
        if (linesSoFar && file.opened)
            linesSoFar->Offer(std::shared_ptr<const LineBytes>(), 0);
        return std::nullopt;
    }
    return file;
}

} // namespace

FileResult ReadTextFile(std::u16string_view path, const EncodingChoice& encoding, LineList& lines,
                        std::size_t& lineCount) {
    FileLines file = ReadFileLines(path, encoding, nullptr);
    lineCount = file.lines.size();
    if (file.opened)
        lines = std::move(file.lines);
    return file.result;
}

FileLines ReadFileLines(std::u16string_view path, const EncodingChoice& encoding,
                        OperationProgress* progress, LinesSoFar* linesSoFar) {
    if (KeepsLinesAsBytes()) {
        if (std::optional<FileLines> bytes = ReadStreamLineBytes(
                [&] { return CStdioFile(path, encoding, CStdioFile::Access::kRead); }, progress,
                linesSoFar))
            return std::move(*bytes);
    }
    return ReadStreamLines([&] { return CStdioFile(path, encoding, CStdioFile::Access::kRead); },
                           progress, linesSoFar);
}

FileLines ReadBytesLines(InputBytes bytes, std::u16string_view name, const EncodingChoice& encoding,
                         OperationProgress* progress) {
    return ReadStreamLines([&] { return CStdioFile(std::move(bytes), name, encoding); }, progress);
}

FileBytes ReadFileBytes(std::u16string_view path, OperationProgress* progress) {
    FileBytes input;
    InputBytes& bytes = input.bytes;
    input.result = CatchFailure([&] {
        const std::string name = FileSystemPath(path);
        // Non-blocking for the opening only, as the reader opens: a FIFO opens at once.
        const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            ThrowSystemError("cannot open", name);
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } const closer{fd};
        struct stat status;
        if (fstat(fd, &status) != 0)
            ThrowSystemError("cannot examine", name);
        if (S_ISDIR(status.st_mode)) {
            errno = EISDIR;
            ThrowSystemError("cannot read", name, FileFailure::kNotRegularFile);
        }
        if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
            ThrowSystemError("cannot read", name);
        // A regular file that tells its size is mapped: reading it would copy every byte once
        // more, into memory that the system must first find and clear. (Files in /proc say
        // they are empty and are read.)
        const auto size = S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
        if (size > 0) {
            void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (mapping != MAP_FAILED) {
                bytes.mapping_ = mapping;
                bytes.data_ = static_cast<const char*>(mapping);
                bytes.size_ = size;
                if (progress)
                    progress->Report(size, size);
                return;
            }
        }
        // A stream grows its room as it goes, read in the reader's blocks, whose progress
        // they report.
        std::vector<char>& memory = bytes.memory_;
        memory.resize(std::max(size + 1, CStdioFile::kReadBlockBytes));
        std::size_t filled = 0;
        const auto keep = [&] {
            memory.resize(filled);
            bytes.data_ = memory.data();
            bytes.size_ = filled;
        };
        for (;;) {
            if (filled == memory.size())
                memory.resize(memory.size() * 2);
            const std::size_t want =
                std::min(memory.size() - filled, CStdioFile::kReadBlockBytes * 4);
            const ssize_t count = read(fd, memory.data() + filled, want);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                keep();
                ThrowSystemError("cannot read", name);
            }
            if (count == 0)
                break;
            filled += static_cast<std::size_t>(count);
            if (progress) {
                progress->ThrowIfCancelled();
                progress->Report(filled, size);
            }
        }
        keep();
    });
    return input;
}

void CommitFileLines(FileLines&& file) noexcept {
    g_nLineCount = 0;
    if (file.opened) {
        g_vFileLines = std::move(file.lines);
        g_nLineCount = static_cast<int>(g_vFileLines.size());
    }
    if (!file.result.Succeeded())
        g_nError = 1;
}

FileResult WriteTextFile(std::u16string_view path, const EncodingChoice& encoding,
                         std::u16string_view text, LineEnd lineEnd) {
    return WriteFile(path, encoding, lineEnd, nullptr,
                     [&](CStdioFile& file) { file.WriteString(text); });
}

FileResult WriteFileLines(std::u16string_view path, const EncodingChoice& encoding,
                          const LineList& lines, OperationProgress* progress, LineEnd lineEnd) {
    std::size_t next = 0;
    return WriteFileLines(
        path, encoding,
        [&](std::u16string& text) {
            if (next == lines.size())
                return false;
            text += lines[next++];
            if (progress && (next % 4096 == 0 || next == lines.size()))
                progress->Report(next, lines.size());
            return true;
        },
        progress, lineEnd);
}

FileResult WriteFileLines(std::u16string_view path, const EncodingChoice& encoding,
                          const std::function<bool(std::u16string&)>& appendNext,
                          OperationProgress* progress, LineEnd lineEnd) {
    // Half a megabyte of text at a time: nothing beside the file, and as few writes as one
    // joined text would take (smaller pieces made a million-line save measurably slower).
    constexpr std::size_t kChunkUnits = 256 * 1024;
    return WriteFile(path, encoding, lineEnd, progress, [&](CStdioFile& file) {
        std::u16string chunk;
        chunk.reserve(kChunkUnits * 2);
        while (appendNext(chunk)) {
            chunk += u'\n';
            if (chunk.size() >= kChunkUnits) {
                file.WriteString(chunk);
                chunk.clear();
            }
        }
        file.WriteString(chunk);
    });
}

FileResult WriteFileLineBytes(std::u16string_view path, const EncodingChoice& encoding,
                              std::size_t lineCount,
                              const std::function<void(std::size_t, std::string&)>& appendLine,
                              OperationProgress* progress, LineEnd lineEnd) {
    // As many bytes at a time as WriteFileLines writes.
    constexpr std::size_t kChunkBytes = 512 * 1024;
    return WriteFile(path, encoding, lineEnd, progress, [&](CStdioFile& file) {
        const std::string_view lineEndBytes = file.LineEndBytes();
        std::string chunk;
        chunk.reserve(kChunkBytes * 2);
        for (std::size_t i = 0; i < lineCount; ++i) {
            appendLine(i, chunk);
            chunk += lineEndBytes;
            if (chunk.size() >= kChunkBytes || i + 1 == lineCount) {
                file.WriteBytes(chunk);
                chunk.clear();
                if (progress)
                    progress->Report(i + 1, lineCount);
            }
        }
    });
}

std::optional<FileResult> WriteFileBoxLines(std::u16string_view path,
                                            const EncodingChoice& encoding,
                                            std::string_view boxText, OperationProgress* progress,
                                            LineEnd lineEnd) {
    if (encoding.codec != &kUtf8Codec || !IsUtf8BoxText(boxText))
        return std::nullopt;
    // As many bytes at a time as WriteFileLines writes, straight from the buffer for CR LF.
    constexpr std::size_t kChunkBytes = 512 * 1024;
    return WriteFile(path, encoding, lineEnd, progress, [&](CStdioFile& file) {
        std::string withoutCrs;
        for (std::size_t done = 0; done < boxText.size();) {
            const std::string_view chunk = boxText.substr(done, kChunkBytes);
            done += chunk.size();
            if (lineEnd == LineEnd::kCrLf) {
                file.WriteBytes(chunk);
            } else {
                // Every CR in such a buffer is a CR LF's.
                withoutCrs.clear();
                std::copy_if(chunk.begin(), chunk.end(), std::back_inserter(withoutCrs),
                             [](char c) { return c != '\r'; });
                file.WriteBytes(withoutCrs);
            }
            if (progress)
                progress->Report(done, boxText.size());
        }
    });
}

void ReadEncodedLines(const EncodingChoice& encoding, std::u16string path) {
    CommitFileLines(ReadFileLines(path, encoding, nullptr));
}

void WriteEncodedText(const EncodingChoice& encoding, std::u16string path, std::u16string text) {
    if (!WriteTextFile(path, encoding, text).Succeeded())
        g_nError = 1;
}

TextFileLines::TextFileLines(std::u16string_view path, const EncodingChoice& encoding,
                             OperationProgress* progress)
    : file_(std::make_unique<CStdioFile>(path, encoding, CStdioFile::Access::kRead)) {
    file_->SetProgress(progress);
}

TextFileLines::~TextFileLines() = default;

bool TextFileLines::Next(std::u16string& line) {
    return file_->ReadString(line);
}

const LineEndCounts& TextFileLines::LineEnds() const {
    return file_->LineEnds();
}

void ReadAnsiLines(std::u16string path) {
    ReadEncodedLines(kEncodingChoices[kAnsiChoice], std::move(path));
}
void ReadUtf8Lines(std::u16string path) {
    ReadEncodedLines(kEncodingChoices[kUtf8Choice], std::move(path));
}
void ReadUtf16LELines(std::u16string path) {
    ReadEncodedLines(kEncodingChoices[kUtf16LEChoice], std::move(path));
}
void ReadUtf8NoMarkLines(std::u16string path) {
    ReadEncodedLines(kEncodingChoices[kUtf8NoMarkChoice], std::move(path));
}
void ReadEucJpLines(std::u16string path) {
    ReadEncodedLines(kEncodingChoices[kEucJpChoice], std::move(path));
}

void WriteAnsiText(std::u16string path, std::u16string text) {
    WriteEncodedText(kEncodingChoices[kAnsiChoice], std::move(path), std::move(text));
}
void WriteUtf8Text(std::u16string path, std::u16string text) {
    WriteEncodedText(kEncodingChoices[kUtf8Choice], std::move(path), std::move(text));
}
void WriteUtf16LEText(std::u16string path, std::u16string text) {
    WriteEncodedText(kEncodingChoices[kUtf16LEChoice], std::move(path), std::move(text));
}
void WriteUtf8NoMarkText(std::u16string path, std::u16string text) {
    WriteEncodedText(kEncodingChoices[kUtf8NoMarkChoice], std::move(path), std::move(text));
}
void WriteEucJpText(std::u16string path, std::u16string text) {
    WriteEncodedText(kEncodingChoices[kEucJpChoice], std::move(path), std::move(text));
}
