#include "core/files/EncodedTextFiles.h"

#include "core/document/DocumentState.h"
#include "core/base/OperationProgress.h"
#include "core/files/StdioFile.h"

#include <cstddef>
#include <new>
#include <utility>

namespace {

// The stream modes of each encoding, in the order of TextEncoding.
struct StreamModes {
    const char* read;
    const char* write;
};
constexpr StreamModes kStreamModes[] = {
    {"r", "w"},
    {"r, ccs=UTF-8", "w, ccs=UTF-8"},
    {"r, ccs=UTF-16LE", "w, ccs=UTF-16LE"},
    {"r, ccs=UTF-8-NOBOM", "w, ccs=UTF-8-NOBOM"},
    {"r, ccs=EUC-JP", "w, ccs=EUC-JP"},
};

const StreamModes& ModesOf(TextEncoding encoding) {
    return kStreamModes[static_cast<std::size_t>(encoding)];
}

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
FileResult WriteFile(std::u16string_view path, TextEncoding encoding, LineEnd lineEnd,
                     OperationProgress* progress, Write&& write) {
    return CatchFailure([&] {
        CStdioFile file(path, ModesOf(encoding).write, lineEnd);
        file.SetProgress(progress);
        write(file);
        if (progress)
            progress->ThrowIfCancelled(); // the last moment at which the target is untouched
        file.Close();
    });
}

void ReadLines(const std::u16string& path, TextEncoding encoding) {
    KeepFileLines(ReadFileLines(path, encoding, nullptr));
}

void WriteText(const std::u16string& path, const std::u16string& text, TextEncoding encoding) {
    if (!WriteTextFile(path, encoding, text).Succeeded())
        g_nError = 1;
}

} // namespace

FileResult ReadTextFile(std::u16string_view path, TextEncoding encoding, LineList& lines,
                        std::size_t& lineCount) {
    FileLines file = ReadFileLines(path, encoding, nullptr);
    lineCount = file.lines.size();
    if (file.opened)
        lines = std::move(file.lines);
    return file.result;
}

FileLines ReadFileLines(std::u16string_view path, TextEncoding encoding,
                        OperationProgress* progress) {
    FileLines file;
    file.result = CatchFailure([&] {
        CStdioFile stream(path, ModesOf(encoding).read);
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

FileResult WriteTextFile(std::u16string_view path, TextEncoding encoding, std::u16string_view text,
                         LineEnd lineEnd) {
    return WriteFile(path, encoding, lineEnd, nullptr,
                     [&](CStdioFile& file) { file.WriteString(text); });
}

FileResult WriteFileLines(std::u16string_view path, TextEncoding encoding, const LineList& lines,
                          OperationProgress* progress, LineEnd lineEnd) {
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

void ReadAnsiLines(std::u16string path) {
    ReadLines(path, TextEncoding::kAnsi);
}
void ReadUtf8Lines(std::u16string path) {
    ReadLines(path, TextEncoding::kUtf8);
}
void ReadUtf16LELines(std::u16string path) {
    ReadLines(path, TextEncoding::kUtf16LE);
}
void ReadUtf8NoMarkLines(std::u16string path) {
    ReadLines(path, TextEncoding::kUtf8NoMark);
}
void ReadEucJpLines(std::u16string path) {
    ReadLines(path, TextEncoding::kEucJp);
}

void WriteAnsiText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kAnsi);
}
void WriteUtf8Text(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kUtf8);
}
void WriteUtf16LEText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kUtf16LE);
}
void WriteUtf8NoMarkText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kUtf8NoMark);
}
void WriteEucJpText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kEucJp);
}
