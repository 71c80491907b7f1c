// Feeds arbitrary bytes as a file to each reader. Whatever the bytes, a reader must not crash,
// must report success or failure only through g_nError, and must count exactly the lines it
// leaves. Where a read succeeds, writing its lines back in an encoding that can hold them and
// reading that file again must give the same lines. The same bytes read from memory, as the
// command line reads an input once, must give what the file gives. A file kept as its bytes must
// give the lines read as units, and bytes the box takes as they are but for the lines it names.
#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/UnicodeScalars.h"
#include "core/encoding/Utf8Blocks.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/ByteLines.h"
#include "core/lines/LineBytes.h"
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Lines = LineList;

// A folder for one input's files, removed when the input is done: libFuzzer ends its process
// without running exit handlers, so a folder left for the end of the process stays behind.
class InputFolder {
public:
    InputFolder() {
        std::string name = (fs::temp_directory_path() / "tandrel-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(name.data()) != nullptr);
        path_ = name;
    }
    ~InputFolder() { fs::remove_all(path_); }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;

    std::u16string PathOf(const char* name) const { return (path_ / name).u16string(); }

private:
    fs::path path_;
};

bool HasUnpairedSurrogate(const Lines& lines) {
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char16_t c = line[i];
            if (IsHighSurrogate(c) && i + 1 < line.size() && IsLowSurrogate(line[i + 1])) {
                ++i;
            } else if (IsSurrogate(c)) {
                return true;
            }
        }
    }
    return false;
}

// Reads path with read and checks the state every reader must leave.
Lines Read(const EncodingChoice& encoding, const std::u16string& path) {
    g_nError = 0;
    // No reader can produce a line holding a line feed: this one must have been discarded.
    g_vFileLines = {u"earlier\nfile"};
    ReadEncodedLines(encoding, path);
    FUZZ_CHECK(g_nError == 0 || g_nError == 1);
    FUZZ_CHECK(g_nLineCount == static_cast<int>(g_vFileLines.size()));
    // The file exists, so the earlier lines are gone even when reading fails.
    for (const auto& line : g_vFileLines)
        FUZZ_CHECK(line.find(u'\n') == std::u16string::npos);
    return g_vFileLines;
}

// Writes lines with encoding's writer, which must succeed, and reads them back with its reader.
void ExpectRoundTrip(const EncodingChoice& encoding, const Lines& lines,
                     const InputFolder& folder) {
    std::u16string text;
    for (const auto& line : lines) {
        text += line;
        text += u'\n';
    }
    const std::u16string copy = folder.PathOf("copy.txt");
    g_nError = 0;
    WriteEncodedText(encoding, copy, text);
    FUZZ_CHECK(g_nError == 0);
    const Lines again = Read(encoding, copy);
    FUZZ_CHECK(g_nError == 0);
    FUZZ_CHECK(again == lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InputFolder folder;
    const fs::path input = folder.PathOf("input.txt");
    std::FILE* file = std::fopen(input.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);

    const EncodingChoice& utf8 = kEncodingChoices[kUtf8Choice];
    const EncodingChoice& utf16le = kEncodingChoices[kUtf16LEChoice];
    const EncodingChoice& utf8NoMark = kEncodingChoices[kUtf8NoMarkChoice];
    const std::u16string inputPath16 = input.u16string();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const EncodingChoice& encoding : kEncodingChoices) {
        const FileLines fromFile = ReadFileLines(inputPath16, encoding, nullptr);
        const FileLines fromMemory =
            ReadBytesLines(InputBytes(bytes), inputPath16, encoding, nullptr);
        FUZZ_CHECK(fromMemory.lines == fromFile.lines);
        FUZZ_CHECK(fromMemory.result.failure == fromFile.result.failure);
        FUZZ_CHECK(fromMemory.result.position == fromFile.result.position);
        FUZZ_CHECK(fromMemory.result.line == fromFile.result.line);
        FUZZ_CHECK(fromMemory.lineEnds.lf == fromFile.lineEnds.lf);
        FUZZ_CHECK(fromMemory.lineEnds.crLf == fromFile.lineEnds.crLf);

        // Lines kept as their bytes are the lines read as units, and their buffer is the box's
        // but for the lines it names.
        KeepLinesAsBytes(false);
        const FileLines asUnits = ReadFileLines(inputPath16, encoding, nullptr);
        KeepLinesAsBytes(true);
        FUZZ_CHECK(asUnits.lines == fromFile.lines);
        FUZZ_CHECK(asUnits.result.failure == fromFile.result.failure);
        FUZZ_CHECK(asUnits.lineEnds.lf == fromFile.lineEnds.lf);
        FUZZ_CHECK(asUnits.lineEnds.crLf == fromFile.lineEnds.crLf);
        if (fromFile.lines.HoldsAllBytes()) {
            const LineBytes& source = fromFile.lines.ByteSource();
            const auto box = [](std::u16string_view line) { return EncodeBoxText(line) + "\r\n"; };
            std::string loaded, expected;
            std::size_t done = 0;
            for (const std::uint32_t line : source.Unboxed()) {
                loaded += source.Text().substr(done, source.Start(line) - done);
                loaded += box(fromFile.lines[line]);
                done = source.Start(line + 1);
            }
            loaded += source.Text().substr(done);
            for (const std::u16string_view line : fromFile.lines)
                expected += box(line);
            FUZZ_CHECK(loaded == expected);
        }

        const Lines lines = Read(encoding, inputPath16);
        const int error = g_nError;
        // The block converters change nothing: at every lower level, and without them, the
        // reader reads the same.
        for (const Utf8BlocksLevel level : kUtf8BlocksLevels) {
            if (level >= Utf8BlocksBestLevel())
                break;
            UseUtf8BlocksLevel(level);
            const Lines plain = Read(encoding, inputPath16);
            UseUtf8BlocksLevel(Utf8BlocksBestLevel());
            FUZZ_CHECK(g_nError == error && plain == lines);
        }
        if (error != 0)
            continue;
        // Each encoding's writer must hold what its reader read, except that a UTF-16LE mark
        // lets the UTF-8 reader read unpaired surrogates, which only UTF-16LE can hold.
        if (&encoding == &utf8 && HasUnpairedSurrogate(lines))
            ExpectRoundTrip(utf16le, lines, folder);
        else if (&encoding == &utf8NoMark && !lines.empty() && lines[0].starts_with(u'\uFEFF'))
            ExpectRoundTrip(utf8, lines, folder); // without a mark of its own it would read as one
        else
            ExpectRoundTrip(encoding, lines, folder);
    }
    g_nError = 0;
    return 0;
}
