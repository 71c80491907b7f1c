#include "core/EncodedTextFiles.h"

#include "core/DocumentState.h"
#include "core/StdioFile.h"

#include <cstddef>
#include <new>

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
};

const StreamModes& ModesOf(TextEncoding encoding) {
    return kStreamModes[static_cast<std::size_t>(encoding)];
}

void ReadLines(const std::u16string& path, TextEncoding encoding) {
    std::size_t lineCount = 0;
    if (!ReadTextFile(path, encoding, g_vFileLines, lineCount).Succeeded())
        g_nError = 1;
    g_nLineCount = static_cast<int>(lineCount);
}

void WriteText(const std::u16string& path, const std::u16string& text, TextEncoding encoding) {
    if (!WriteTextFile(path, encoding, text).Succeeded())
        g_nError = 1;
}

} // namespace

FileResult ReadTextFile(std::u16string_view path, TextEncoding encoding,
                        std::vector<std::u16string>& lines, std::size_t& lineCount) {
    lineCount = 0;
    try {
        CStdioFile file(path, ModesOf(encoding).read);
        lines.clear();
        try {
            lines.reserve(file.EstimateLineCount());
        } catch (const std::bad_alloc&) {
            // Only a hint, taken from the first block: a file whose long lines come later can
            // make it far too large, and then the list simply grows as it goes.
        }
        std::u16string line;
        while (file.ReadString(line)) {
            lines.push_back(line);
            ++lineCount;
        }
        file.Close();
    } catch (const CException& e) {
        return e.Result();
    } catch (const std::bad_alloc&) {
        // A file too large for memory is a failed read like any other, not the end of the
        // program.
        return {FileFailure::kOutOfMemory};
    }
    return {};
}

FileResult WriteTextFile(std::u16string_view path, TextEncoding encoding,
                         std::u16string_view text) {
    try {
        CStdioFile file(path, ModesOf(encoding).write);
        file.WriteString(text);
        file.Close();
    } catch (const CException& e) {
        return e.Result();
    } catch (const std::bad_alloc&) {
        return {FileFailure::kOutOfMemory};
    }
    return {};
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

void WriteAnsiText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kAnsi);
}
void WriteUtf8Text(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kUtf8);
}
void WriteUtf16LEText(std::u16string path, std::u16string text) {
    WriteText(path, text, TextEncoding::kUtf16LE);
}
