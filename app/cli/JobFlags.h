// The command line's flags for the job: one table, whose rows say how each flag is spelt,
// what it takes, what --help says of it and what it sets, so that a new flag is a new row.
#pragma once

#include "core/compare/CompareOptions.h"
#include "app/cli/DistinctLinesJob.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct JobFlag {
    std::string_view name;      // "--output"
    std::string_view valueName; // empty for a flag without a value
    std::string_view help;      // UTF-8
};

// What the command line asks for.
struct JobOptions {
    std::optional<std::string> input; // "-" or absent: standard input
    std::optional<std::string> output;
    int inputEncoding = -1; // auto
    int outputEncoding = -1;
    LineEndChoice lineEnd = LineEndChoice::kCrLf;
    bool stats = false;
    std::optional<std::uint64_t> memory;        // --memory: bytes
    std::optional<std::string> temporaryFolder; // --temp-dir
    RunFlags run; // how Run compares, and --counts
    bool help = false;
    bool version = false;
};

// The job's flags, the comparison flags among them, without --help and --version: for the
// window program's --help as well.
std::span<const JobFlag> JobFlags();

// Whether the command line asks for the job rather than the window: it names one of the job's
// own flags (--help and --version belong to the window program as well).
bool IsCommandLineJob(int argc, char** argv);

// Reads argv into options; a message saying what is wrong when it is.
std::optional<std::string> ParseJobFlags(int argc, char** argv, JobOptions& options);

// What --help prints, UTF-8.
std::string JobHelpText();
