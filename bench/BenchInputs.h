// The inputs every benchmark works on: one deterministic text (a million lines unless asked for
// more), written once in each encoding the program reads, so that figures from different runs
// and programs compare.
#pragma once

#include <filesystem>

namespace tandrel::bench {

struct BenchInputFiles {
    std::filesystem::path ansi;    // code page 932, no byte-order mark
    std::filesystem::path utf8;    // EF BB BF, then UTF-8
    std::filesystem::path utf16le; // FF FE, then UTF-16LE
};

// lineCount lines ending in CR LF, about 45 MB as UTF-8 per million: Japanese and ASCII words
// mixed, about half of the lines repeating an earlier one and 2% empty. Every character has a
// code in code page 932. The same bytes on every call and every machine; a longer text starts
// with the lines of a shorter one.
inline constexpr int kBenchLineCount = 1'000'000;

// Writes the files into folder (created when missing) and returns their paths: all three, or
// only the UTF-8 one (the other two paths are then empty). The file names carry the line count
// unless it is the default. Throws std::runtime_error when a file cannot be written.
BenchInputFiles WriteBenchInputs(const std::filesystem::path& folder,
                                 int lineCount = kBenchLineCount, bool utf8Only = false);

} // namespace tandrel::bench
