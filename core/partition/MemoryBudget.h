// How much memory a job may take: what the user asked for (--memory), or what the machine can
// give it now.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A size as the command line writes it: digits and a unit, K, M, G or T (powers of 1024, either
// case), as in 512M or 4G. Nothing else, and no size of 0.
std::optional<std::uint64_t> ParseMemorySize(std::string_view text);

// The memory this process can still take without pressing the system: the smaller of what its
// control group leaves it and what the system reports available, less a margin for the rest
// of the machine.
std::uint64_t UsableMemory();

// A generous estimate of what Run in memory (ReadFileLines, KeepComparedLines and the result)
// takes for the file at path: its text as UTF-16, again for keys that are copies (options that
// change keys) and for kept lines that are copies (--counts), and, per line, the lists and
// tables, taking lines of 16 bytes without reading the file. 0 for no regular file.
std::uint64_t InMemoryRunBytes(const std::string& path, bool keysCopied, bool linesCopied);
