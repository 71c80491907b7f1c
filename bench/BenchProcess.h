// Runs a program as a script would and measures it: the time until it ended, its CPU time, its
// peak resident memory and the bytes it read.
#pragma once

#include <string>
#include <vector>

namespace tandrel::bench {

struct ProcessFigures {
    double seconds = -1;   // -1: the program could not run or did not exit with 0
    double cpuSeconds = 0; // user and system: steadier than the wall clock on a busy machine
    double peakMiB = 0;
    double readMB = 0; // what it took through read() and its kind (the kernel's rchar): a mapped
                       // file counts nothing
};

// Runs argv, with its standard output sent to outputPath when one is given.
ProcessFigures RunProcess(std::vector<std::string> argv, const std::string& outputPath = {});

} // namespace tandrel::bench
