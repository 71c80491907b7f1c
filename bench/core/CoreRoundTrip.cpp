// Times one round trip of each encoding through the core's steps of the window's commands:
// read a file, join its lines as the content box's text, split and filter that (Run's steps on
// UTF-16 text rather than the box's buffer), and write the result as Save does. Each round trip
// runs in a fresh process so that its peak memory is its own, and each is paired with mawk removing
// duplicates from the same UTF-8 file, because this machine's speed varies too much for figures
// from different minutes to compare.
//
//   tandrel_core_bench [--rounds N] [COMPARISON FLAGS] [FOLDER]
//
// FOLDER receives the input files (default: a temporary folder, removed afterwards). The
// comparison flags are the command line's (--ignore-width, --keep-last, ...): Run then filters
// under those options, as the window and the command line do.
#include "bench/BenchInputs.h"
#include "core/document/DocumentState.h"
#include "core/document/DocumentRun.h"
#include "core/files/EncodedTextFiles.h"
#include "core/encoding/EncodingChoices.h"
#include "core/base/HeapTuning.h"
#include "core/compare/CompareOptions.h"
#include "core/lines/LineSplit.h"
#include "core/lines/JoinLines.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// An encoding's name for the console; the names are ASCII.
std::string NameOf(const EncodingChoice& encoding) {
    std::string name;
    for (const char16_t c : encoding.itemText)
        name.push_back(static_cast<char>(c));
    return name;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The program hands its file functions paths as UTF-16, the text of its path box.
std::u16string ToUtf16(const std::string& path) {
    return fs::path(path).u16string();
}

// Run's steps on the content text: the named function with every option off, otherwise the
// split and the filter under options that the window's Run commits.
int RunContent(std::u16string content, const CompareOptions& options) {
    if (options == CompareOptions{})
        return RemoveDuplicateContentLines(std::move(content));
    LineList lines;
    lines.FollowLinesOf(g_vFileLines);
    SplitTextLines(content, lines, nullptr);
    CommitRun(FilterLines(std::move(lines), options));
    return static_cast<int>(g_vResultLines.size());
}

// One round trip in this process; prints its figures on one line for the parent.
int RunRoundTrip(const EncodingChoice& encoding, const std::string& input,
                 const std::string& output, const CompareOptions& options) {
    KeepLargeBuffersInHeap(); // as the window does
    Clock::time_point start = Clock::now();
    ReadEncodedLines(encoding, ToUtf16(input));
    const double read = SecondsSince(start);
    if (g_nError != 0) {
        std::fprintf(stderr, "%s: reading %s failed\n", NameOf(encoding).c_str(), input.c_str());
        return 1;
    }
    const int fileLines = g_nLineCount;

    // What Open puts into the content box.
    start = Clock::now();
    std::u16string content =
        JoinLines(g_vFileLines, static_cast<std::size_t>(g_nLineCount), u"\r\n");
    const double join = SecondsSince(start);

    // What Run does with it.
    start = Clock::now();
    const int kept = RunContent(std::move(content), options);
    const double run = SecondsSince(start);

    // What Save does with the result.
    start = Clock::now();
    const bool written =
        WriteFileLines(ToUtf16(output), encoding, g_vResultLines, nullptr).Succeeded();
    const double write = SecondsSince(start);
    if (!written) {
        std::fprintf(stderr, "%s: writing %s failed\n", NameOf(encoding).c_str(), output.c_str());
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%f %f %f %f %ld %d %d\n", read, join, run, write, usage.ru_maxrss, fileLines,
                kept);
    return 0;
}

// Runs argv as a child process and returns its standard output; fails unless it exits with 0.
// The child's standard output goes to outputFile instead when one is given.
std::string RunProcess(const std::vector<std::string>& argv, const std::string& outputFile = {}) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = pipeEnds[1];
        if (!outputFile.empty()) {
            std::FILE* file = std::fopen(outputFile.c_str(), "wb");
            if (file == nullptr)
                _exit(127);
            out = fileno(file);
        }
        dup2(out, STDOUT_FILENO);
        close(pipeEnds[0]);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " " + argv[1] + " failed");
    return text;
}

struct Figures {
    double read = 0, join = 0, run = 0, write = 0;
    long peakKiB = 0;
    int fileLines = 0, kept = 0;
    double mawk = 0; // the paired mawk run
    double Total() const { return read + run + write; }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <typename Field> double MedianOf(const std::vector<Figures>& runs, Field field) {
    std::vector<double> values;
    for (const auto& run : runs)
        values.push_back(field(run));
    return Median(values);
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The command-line flags of options, as the round trips are passed them.
std::vector<std::string> FlagsOf(const CompareOptions& options) {
    std::vector<std::string> flags;
    for (const CompareOptionName& name : kCompareOptionNames) {
        if (options.*name.member)
            flags.emplace_back(name.flag);
    }
    return flags;
}

int RunBenchmark(int rounds, fs::path folder, const CompareOptions& options) {
    const bool temporary = folder.empty();
    if (temporary) {
        std::string name = (fs::temp_directory_path() / "tandrel-bench-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        folder = name;
    }
    Clock::time_point start = Clock::now();
    const tandrel::bench::BenchInputFiles inputs = tandrel::bench::WriteBenchInputs(folder);
    std::printf("inputs: %d lines in %s (written in %.2f s)\n", tandrel::bench::kBenchLineCount,
                folder.c_str(), SecondsSince(start));
    // The encodings measured are those the inputs are written in, in the order of their values
    // (0, 1, 2), which the round trip takes as its encoding.
    const std::array<fs::path, 3> inputPaths = {inputs.ansi, inputs.utf8, inputs.utf16le};
    static_assert(kAnsiChoice == 0 && kUtf8Choice == 1 && kUtf16LEChoice == 2);
    for (std::size_t e = 0; e < inputPaths.size(); ++e)
        std::printf("  %-8s %6.1f MB  %s\n", NameOf(kEncodingChoices[e]).c_str(),
                    static_cast<double>(fs::file_size(inputPaths[e])) / 1e6, inputPaths[e].c_str());

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const fs::path mawkOutput = folder / "mawk-out.txt";
    std::array<std::vector<Figures>, 3> runs;
    bool sameAsMawk = true;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t e = 0; e < inputPaths.size(); ++e) {
            const fs::path output = folder / ("out-" + inputPaths[e].filename().string());
            std::vector<std::string> argv = {self, "--round-trip", std::to_string(e),
                                             inputPaths[e].string(), output.string()};
            for (std::string& flag : FlagsOf(options))
                argv.push_back(std::move(flag));
            std::istringstream line(RunProcess(argv));
            Figures figures;
            line >> figures.read >> figures.join >> figures.run >> figures.write >>
                figures.peakKiB >> figures.fileLines >> figures.kept;

            start = Clock::now();
            RunProcess({"mawk", "$0!=\"\\r\" && !seen[$0]++", inputs.utf8.string()},
                       mawkOutput.string());
            figures.mawk = SecondsSince(start);
            runs[e].push_back(figures);

            // mawk keeps each CR LF and passes the byte-order mark on as part of the first line,
            // which never repeats: its output is byte for byte what the program's should be.
            if (e == 1 && round == 0 && options == CompareOptions{})
                sameAsMawk = ReadWhole(output) == ReadWhole(mawkOutput);
        }
    }

    std::printf("\nmedians of %d paired rounds, in seconds; options:", rounds);
    for (const std::string& flag : FlagsOf(options))
        std::printf(" %s", flag.c_str());
    std::printf(options == CompareOptions{} ? " none\n" : "\n");
    std::printf("  run = split, copy and dedupe; ratio = (read + run + write) / mawk, per pair\n");
    std::printf("  (join) is Open filling the content box: timed, not part of the ratio\n\n");
    std::printf("%-8s %6s %6s %6s %6s %6s %6s %6s %8s %7s %7s\n", "", "read", "(join)", "run",
                "write", "total", "mawk", "ratio", "peak MiB", "lines", "kept");
    for (std::size_t e = 0; e < inputPaths.size(); ++e) {
        const auto& r = runs[e];
        long peak = 0;
        for (const auto& figures : r)
            peak = std::max(peak, figures.peakKiB);
        std::printf(
            "%-8s %6.3f %6.3f %6.3f %6.3f %6.3f %6.3f %6.2f %8.1f %7d %7d\n",
            NameOf(kEncodingChoices[e]).c_str(), MedianOf(r, [](auto& f) { return f.read; }),
            MedianOf(r, [](auto& f) { return f.join; }), MedianOf(r, [](auto& f) { return f.run; }),
            MedianOf(r, [](auto& f) { return f.write; }),
            MedianOf(r, [](auto& f) { return f.Total(); }),
            MedianOf(r, [](auto& f) { return f.mawk; }),
            MedianOf(r, [](auto& f) { return f.Total() / f.mawk; }),
            static_cast<double>(peak) / 1024.0, r.front().fileLines, r.front().kept);
    }
    if (options == CompareOptions{})
        std::printf("UTF-8 result identical to mawk's output: %s\n", sameAsMawk ? "yes" : "NO");

    if (temporary)
        fs::remove_all(folder);
    return sameAsMawk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const bool roundTrip = argc >= 5 && std::strcmp(argv[1], "--round-trip") == 0;
        int rounds = 3;
        fs::path folder;
        CompareOptions compare;
        for (int i = roundTrip ? 5 : 1; i < argc; ++i) {
            const auto option = std::find_if(
                kCompareOptionNames.begin(), kCompareOptionNames.end(),
                [&](const CompareOptionName& name) { return name.flag == argv[i]; });
            if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
                rounds = std::max(1, std::atoi(argv[++i]));
            else if (option != kCompareOptionNames.end())
                compare.*option->member = true;
            else
                folder = argv[i];
        }
        if (roundTrip)
            return RunRoundTrip(kEncodingChoices.at(std::stoul(argv[2])), argv[3], argv[4],
                                compare);
        return RunBenchmark(rounds, folder, compare);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tandrel_core_bench: %s\n", error.what());
        return 1;
    }
}
