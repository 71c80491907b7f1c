#include "bench/BenchProcess.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace tandrel::bench {

namespace {

// What a child that has ended but is not yet reaped has read.
double BytesRead(pid_t child) {
    std::ifstream io("/proc/" + std::to_string(child) + "/io");
    std::string key;
    double value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

ProcessFigures RunProcess(std::vector<std::string> argv, const std::string& outputPath) {
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const double start = Now();
    std::fflush(stdout); // or a child would print what is still buffered here again
    const pid_t child = fork();
    if (child == 0) {
        if (!outputPath.empty() && !std::freopen(outputPath.c_str(), "w", stdout))
            _exit(127);
        execvp(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    siginfo_t ended{};
    if (child < 0 || waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT) != 0)
        return {};
    const double seconds = Now() - start;
    const double read = BytesRead(child);
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return {};
    return {seconds, Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            static_cast<double>(usage.ru_maxrss) / 1024.0, read / 1e6};
}

} // namespace tandrel::bench
