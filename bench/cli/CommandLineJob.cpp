// Times the command line's job, `tandrel --output OUT IN`, as a script runs it: the whole
// process, from its start to its exit, with its peak memory. Right after each run mawk removes
// the duplicate lines of the same file, because this machine's speed varies too much for
// figures from different minutes to compare.
//
//   tandrel_cli_bench [--lines N] [--runs R] [--program PATH] [FOLDER]
//
// N is a line count (a suffix M means millions; default 10M). The input is the benchmarks'
// text in each encoding the guess tells apart: UTF-8 with its byte-order mark and without one
// (which the job recognises only by reading the whole file), code page 932, EUC-JP and
// UTF-16LE, each read with --encoding auto; then the UTF-8 file without a mark with its
// encoding named, so that the guess's cost shows, and the UTF-8 file with the four comparison
// options that change the keys. mawk reads the same file, except for UTF-16LE, which it cannot
// split: there it reads the UTF-8 file without a mark. Beside the times, the bytes the job read
// through read(), which should be the file's, or nothing for a file it maps. With R, each row
// runs the job and mawk R times in turn and prints the median of each figure. PATH is the
// program to time (default: the one built beside this benchmark), for comparing two builds.
// FOLDER receives the files (default: a temporary folder, removed afterwards).
#include "bench/BenchInputs.h"
#include "bench/BenchProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tandrel::bench::ProcessFigures;
using tandrel::bench::RunProcess;

namespace {

int ParseLineCount(std::string text) {
    long long factor = 1;
    if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) {
        factor = 1'000'000;
        text.pop_back();
    }
    const long long count = std::atoll(text.c_str()) * factor;
    return count >= 1 && count <= 100'000'000 ? static_cast<int>(count) : 0;
}

} // namespace

int main(int argc, char** argv) {
    int lineCount = 10'000'000;
    std::string program = TANDREL_PROGRAM;
    int runs = 1;
    std::string folderArgument;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--lines" && i + 1 < argc)
            lineCount = ParseLineCount(argv[++i]);
        else if (argument == "--program" && i + 1 < argc)
            program = argv[++i];
        else if (argument == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (folderArgument.empty() && !argument.starts_with("--"))
            folderArgument = argument;
        else
            lineCount = 0;
    }
    if (lineCount == 0) {
        std::fprintf(stderr,
                     "usage: tandrel_cli_bench [--lines N] [--runs R] [--program PATH] [FOLDER]\n");
        return 2;
    }
    std::string folder = folderArgument;
    if (folder.empty()) {
        std::string pattern = (fs::temp_directory_path() / "tandrel-cli-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return 1;
        folder = pattern;
    }
    const tandrel::bench::BenchInputFiles inputs =
        tandrel::bench::WriteBenchInputs(folder, lineCount);
    const fs::path unmarked = fs::path(folder) / "bench-input-utf8-nomark.txt";
    {
        std::ifstream in(inputs.utf8, std::ios::binary);
        in.ignore(3); // the mark
        std::ofstream out(unmarked, std::ios::binary);
        out << in.rdbuf();
    }
    const fs::path eucJp = fs::path(folder) / "bench-input-eucjp.txt";
    if (std::system(("iconv -f UTF-8 -t EUC-JP '" + unmarked.string() + "' > '" +
                     eucJp.string() + "'")
                        .c_str()) != 0) {
        std::fprintf(stderr, "iconv could not write the EUC-JP input\n");
        return 1;
    }

    std::printf(
        "seconds for the whole command; mawk '!seen[$0]++' on the same file right after;\n"
        "ratio = tandrel / mawk, by the clock and by CPU time (user and system);\n"
        "peak = the process's peak RSS, and its ratio to the file's size; read = the MB\n"
        "tandrel read through read() (a mapped file is not counted); named = --encoding given;\n"
        "each figure the median of %d run(s), the ratios taken pair by pair\n\n",
        runs);
    std::printf("%-16s %9s %7s %8s %8s %6s %8s %8s %6s %8s %6s %7s\n", "input", "lines", "MB",
                "tandrel", "mawk", "ratio", "cpu", "mawk cpu", "ratio", "peak MiB", "/file",
                "read");
    const std::string output = (fs::path(folder) / "job-output.txt").string();
    struct Row {
        const char* name;
        fs::path input;
        fs::path mawkInput;
        std::vector<std::string> options;
    };
    const std::vector<std::string> keyOptions{"--ignore-space", "--ignore-width", "--ignore-kana",
                                              "--ignore-case"};
    const Row rows[] = {
        {"UTF-8", inputs.utf8, inputs.utf8, {}},
        {"UTF-8 (no mark)", unmarked, unmarked, {}},
        {"CP932", inputs.ansi, inputs.ansi, {}},
        {"EUC-JP", eucJp, eucJp, {}},
        {"UTF-16LE", inputs.utf16le, unmarked, {}},
        {"UTF-8 named", unmarked, unmarked, {"--encoding", "utf-8-nobom"}},
        {"UTF-8 (4 keys)", inputs.utf8, inputs.utf8, keyOptions},
    };
    for (const Row& row : rows) {
        std::vector<std::string> command{program, "--output", output};
        command.insert(command.end(), row.options.begin(), row.options.end());
        command.push_back(row.input.string());
        // Each figure's median over the runs; the ratios are the medians of each pair's.
        constexpr int kFigures = 8;
        std::vector<double> figures[kFigures];
        for (int run = 0; run < runs; ++run) {
            const ProcessFigures job = RunProcess(command);
            const ProcessFigures mawk =
                RunProcess({"mawk", "!seen[$0]++", row.mawkInput.string()},
                           (fs::path(folder) / "mawk-output.txt").string());
            if (job.seconds < 0 || mawk.seconds < 0) {
                std::fprintf(stderr, "%s: a run failed\n", row.name);
                return 1;
            }
            const double pair[kFigures] = {
                job.seconds,    mawk.seconds,    job.seconds / mawk.seconds,
                job.cpuSeconds, mawk.cpuSeconds, job.cpuSeconds / mawk.cpuSeconds,
                job.peakMiB,    job.readMB};
            for (int k = 0; k < kFigures; ++k)
                figures[k].push_back(pair[k]);
        }
        double median[kFigures];
        for (int k = 0; k < kFigures; ++k) {
            std::sort(figures[k].begin(), figures[k].end());
            median[k] = figures[k][figures[k].size() / 2];
        }
        const auto fileBytes = static_cast<double>(fs::file_size(row.input));
        std::printf("%-16s %9d %7.1f %8.3f %8.3f %6.2f %8.3f %8.3f %6.2f %8.1f %6.2f %7.1f\n",
                    row.name, lineCount, fileBytes / 1e6, median[0], median[1], median[2],
                    median[3], median[4], median[5], median[6],
                    median[6] * 1024 * 1024 / fileBytes, median[7]);
        std::fflush(stdout);
    }
    if (folderArgument.empty())
        fs::remove_all(folder);
    return 0;
}
