#include "core/files/EncodedTextFiles.h"

#include "core/document/DocumentState.h"
#include "core/base/OperationProgress.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/StdioFile.h"

#include <cstddef>
#include <new>
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
                        OperationProgress* progress) {
    FileLines file;
    file.result = CatchFailure([&] {
        CStdioFile stream(path, encoding, CStdioFile::Access::kRead);
        stream.SetProgress(progress);
        file.opened = true;
        try {
            file.lines.reserve(stream.EstimateLineCount());
        } catch (const std::bad_alloc&) {
            // Only a hint, taken from the first block: a file whose long lines come later can
            // make it far too large, and then the list simply grows as it goes.
        }
        while (stream.ReadString(file.lines)) {
        }
        file.lineEnds = stream.LineEnds();
        stream.Close();
    });
    return file;
}

void KeepFileLines(FileLines&& file) noexcept {
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
    // Half a megabyte of text at a time: nothing beside the file, and as few writes as one
    // joined text would take (smaller pieces made a million-line save measurably slower).
    constexpr std::size_t kChunkUnits = 256 * 1024;
    return WriteFile(path, encoding, lineEnd, progress, [&](CStdioFile& file) {
        std::u16string chunk;
        chunk.reserve(kChunkUnits * 2);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            chunk += lines[i];
            chunk += u'\n';
            if (chunk.size() >= kChunkUnits || i + 1 == lines.size()) {
                file.WriteString(chunk);
                chunk.clear();
                if (progress)
                    progress->Report(i + 1, lines.size());
            }
        }
    });
}

void ReadEncodedLines(const EncodingChoice& encoding, std::u16string path) {
    KeepFileLines(ReadFileLines(path, encoding, nullptr));
}

void WriteEncodedText(const EncodingChoice& encoding, std::u16string path, std::u16string text) {
    if (!WriteTextFile(path, encoding, text).Succeeded())
        g_nError = 1;
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
