#include "core/EncodedTextFiles.h"

#include "core/DocumentState.h"
#include "core/StdioFile.h"

#include <new>

namespace {

void ReadLines(const std::u16string& path, const char* mode) {
    g_nLineCount = 0;
    try {
        CStdioFile file(path, mode);
        g_vFileLines.clear();
        try {
            g_vFileLines.reserve(file.EstimateLineCount());
        } catch (const std::bad_alloc&) {
            // Only a hint, taken from the first block: a file whose long lines come later can
            // make it far too large, and then the list simply grows as it goes.
        }
        std::u16string line;
        while (file.ReadString(line)) {
            g_vFileLines.push_back(line);
            ++g_nLineCount;
        }
        file.Close();
    } catch (const CException&) {
        g_nError = 1;
    } catch (const std::bad_alloc&) {
        // A file too large for memory is a failed read like any other, not the end of the
        // program.
        g_nError = 1;
    }
}

void WriteText(const std::u16string& path, const std::u16string& text, const char* mode) {
    try {
        CStdioFile file(path, mode);
        file.WriteString(text);
        file.Close();
    } catch (const CException&) {
        g_nError = 1;
    } catch (const std::bad_alloc&) {
        g_nError = 1;
    }
}

} // namespace

void ReadAnsiLines(std::u16string path) {
    ReadLines(path, "r");
}
void ReadUtf8Lines(std::u16string path) {
    ReadLines(path, "r, ccs=UTF-8");
}
void ReadUtf16LELines(std::u16string path) {
    ReadLines(path, "r, ccs=UTF-16LE");
}

void WriteAnsiText(std::u16string path, std::u16string text) {
    WriteText(path, text, "w");
}
void WriteUtf8Text(std::u16string path, std::u16string text) {
    WriteText(path, text, "w, ccs=UTF-8");
}
void WriteUtf16LEText(std::u16string path, std::u16string text) {
    WriteText(path, text, "w, ccs=UTF-16LE");
}
