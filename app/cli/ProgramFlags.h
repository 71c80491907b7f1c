// Every argument the program takes, in one table: the files it reads, --help and --version, the
// job's flags, the comparison flags and the window system's options that go on to Qt. The parser,
// --help, the manual page and the bash completion are all made from it, so a new flag is a new
// row (ProgramFlags.cpp) and a field of CommandLine for it to set.
#pragma once

#include "app/cli/DistinctLinesJob.h"
#include "core/compare/CompareOptions.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the command line asks for.
struct CommandLine {
    std::vector<std::string> inputs; // in their order; "-" is standard input
    std::optional<std::string> output;
    int inputEncoding = -1;  // a g_nEncoding value; -1: guessed
    int outputEncoding = -1; // -1: the input's
    LineEndChoice lineEnd = LineEndChoice::kCrLf;
    bool stats = false;
    std::optional<std::uint64_t> memory;        // --memory, in bytes
    std::optional<std::string> temporaryFolder; // --temp-dir
    CompareOptions compare;
    bool counts = false;
    bool help = false;
    bool version = false;
    bool job = false; // one of the job's flags is named: no window is opened
};

enum class FlagRole {
    kAnswer,       // answered at once, without a window or a job: --help, --version
    kJob,          // asks for the job rather than the window
    kWindowSystem, // Qt's, passed on to Qt when the window opens
};

struct ProgramFlag {
    std::string_view name;      // "--output", or Qt's "-platform"
    std::string_view shortName; // "-h"; empty when there is none
    std::string_view valueName; // "OUT"; empty for a flag without a value
    FlagRole role;
    std::string_view help; // in English; the message catalogue has its other languages
    // The values the flag takes, when they are a list; null for a free value. The value is
    // looked up without regard to case.
    std::vector<std::string_view> (*values)() = nullptr;
    bool valueIsFile = false; // completed with file names
    // Sets what the flag asks for; false when the value is not one it takes. Null for the
    // window system's options, which are Qt's business.
    bool (*apply)(const ProgramFlag& flag, std::string_view value, CommandLine& line) = nullptr;
    bool CompareOptions::*compare = nullptr; // the comparison option a comparison flag sets
    // What a free value must look like, for the usage error that refuses one; null for any.
    const char* valueForm = nullptr;
};

std::span<const ProgramFlag> ProgramFlags();

struct ParsedCommandLine {
    CommandLine line;
    std::optional<std::string> error; // one line naming the wrong argument, translated
};

// Reads the arguments (without the program's name). Qt's options are recognised and left for
// Qt; everything else that is not in the table is an error.
ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments);
ParsedCommandLine ParseCommandLine(int argc, char** argv);

// "a, b, c" with separator ", ".
std::string Joined(const std::vector<std::string_view>& words, std::string_view separator);
