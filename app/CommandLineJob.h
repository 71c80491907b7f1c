// The command line's job: `tandrel --output OUT [options] [IN]` removes the duplicate and empty
// lines of IN as Open, Run and Save in the window would, and ends, without a display. Its flags
// are rows of one table, so a new flag is a new row.
#pragma once

#include <span>
#include <string_view>

struct JobFlag {
    std::string_view name;      // "--output"
    std::string_view valueName; // empty for a flag without a value
    std::string_view help;      // UTF-8
};

// The job's flags, for the window program's --help as well.
std::span<const JobFlag> JobFlags();

// Whether the command line asks for the job rather than the window: it names one of its flags.
bool IsCommandLineJob(int argc, char** argv);

// Runs the job and returns the process's exit status: 0 done, 1 the input or output failed,
// 2 the command line was wrong. Messages go to standard error, in Japanese.
int RunCommandLineJob(int argc, char** argv);
