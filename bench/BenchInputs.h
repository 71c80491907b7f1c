// The inputs every benchmark works on: one deterministic text of a million lines, written once
// in each encoding the program reads, so that figures from different runs and programs compare.
#pragma once

#include <filesystem>

namespace tandrel::bench {

struct BenchInputFiles {
    std::filesystem::path ansi;    // code page 932, no byte-order mark
    std::filesystem::path utf8;    // EF BB BF, then UTF-8
    std::filesystem::path utf16le; // FF FE, then UTF-16LE
};

// 1,000,000 lines ending in CR LF, about 45 MB as UTF-8: Japanese and ASCII words mixed, about
// half of the lines repeating an earlier one and 2% empty. Every character has a code in code
// page 932. The same bytes on every call and every machine.
inline constexpr int kBenchLineCount = 1'000'000;

// Writes the three files into folder (created when missing) and returns their paths.
// Throws std::runtime_error when a file cannot be written.
BenchInputFiles WriteBenchInputs(const std::filesystem::path& folder);

} // namespace tandrel::bench
