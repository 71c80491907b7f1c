// Times the command line's job on a file larger than the memory it is given: a UTF-8 text of
// tens of millions of lines, half of them repeats, some of them up to 64 KB long, run with
// `--memory SIZE`; beside it mawk '!seen[$0]++' on the same file right after (this machine's
// speed varies too much for figures from different minutes to compare), and the job with no
// limit, whose output the limited job's must equal byte for byte. Both with the default options
// and with the comparison options that make keys of their own.
//
//   tandrel_bigfile_bench [--size 2G] [--memory 256M] [FOLDER]
//
// FOLDER keeps the input between runs (made again only when its size differs) and the outputs;
// default: a temporary folder, removed afterwards.
#include "bench/BenchProcess.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using tandrel::bench::ProcessFigures;
using tandrel::bench::RunProcess;

namespace {

// Words of both scripts, some in two widths and two cases, so that the comparison options
// find lines equal that the default does not.
constexpr std::array<std::string_view, 24> kWords = {
    "東京",       "会議",     "資料",    "報告書", "ありがとう", "カタログ", "かたろぐ", "データ",
    "ﾃﾞｰﾀ",       "ＤＡＴＡ", "data",    "Data",   "order",      "ORDER",    "release",  "status",
    "Ｔｏｋｙｏ", "tokyo",    "invoice", "note",   "-",          "#",        "OK",       "ok",
};

// splitmix64: the same text on every machine.
std::uint64_t Mix(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// The line a serial number stands for: a few words around the number, or, for one serial in
// five thousand, words up to a length between 1 KB and 64 KB.
void AppendLine(std::string& text, std::uint64_t serial) {
    std::uint64_t state = Mix(serial);
    const auto below = [&state](std::uint64_t bound) { return (state = Mix(state)) % bound; };
    const bool isLong = serial % 5000 == 17;
    const std::size_t length = isLong ? 1024 + below(63 * 1024) : 0;
    const std::size_t words = isLong ? SIZE_MAX : 3 + below(5);
    const std::size_t start = text.size();
    for (std::size_t w = 0; w < words; ++w) {
        if (w == 1)
            text += std::to_string(serial);
        const std::string_view word = kWords[below(kWords.size())];
        if (isLong && text.size() - start + word.size() + 1 > length)
            break;
        text += word;
        if (below(3) != 0)
            text += ' ';
    }
    text += '\n';
}

// Writes about bytes of text: 2% empty lines, about half of the rest repeating an earlier line
// taken anywhere before, the others new.
void WriteInput(const fs::path& path, std::uint64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::string text;
    std::uint64_t written = 0, serials = 0, state = 1;
    while (written < bytes) {
        const std::uint64_t roll = (state = Mix(state)) % 100;
        if (roll < 2)
            text += '\n';
        else if (roll < 51 && serials > 0)
            AppendLine(text, (state = Mix(state)) % serials);
        else
            AppendLine(text, serials++);
        if (text.size() >= (1 << 20) || written + text.size() >= bytes) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            written += text.size();
            text.clear();
        }
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::uint64_t ParseSize(std::string text) {
    std::uint64_t factor = 1;
    const char unit = text.empty() ? '\0' : text.back();
    if (unit == 'K' || unit == 'M' || unit == 'G') {
        factor = unit == 'K' ? 1ULL << 10 : unit == 'M' ? 1ULL << 20 : 1ULL << 30;
        text.pop_back();
    }
    return std::strtoull(text.c_str(), nullptr, 10) * factor;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> bx(1 << 20), by(1 << 20);
    while (x && y) {
        x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
        y.read(by.data(), static_cast<std::streamsize>(by.size()));
        if (x.gcount() != y.gcount() ||
            !std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin()))
            return false;
    }
    return !x && !y;
}

} // namespace

int main(int argc, char** argv) {
    std::string size = "2G", memory = "256M", folderArgument;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--size" && i + 1 < argc)
            size = argv[++i];
        else if (argument == "--memory" && i + 1 < argc)
            memory = argv[++i];
        else if (folderArgument.empty() && !argument.starts_with("--"))
            folderArgument = argument;
        else
            size.clear();
    }
    const std::uint64_t bytes = ParseSize(size);
    if (bytes == 0) {
        std::fprintf(stderr, "usage: tandrel_bigfile_bench [--size 2G] [--memory 256M] [FOLDER]\n");
        return 2;
    }
    std::string folder = folderArgument;
    if (folder.empty()) {
        std::string pattern = (fs::temp_directory_path() / "tandrel-bigfile-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return 1;
        folder = pattern;
    }
    const fs::path input = fs::path(folder) / ("bigfile-" + size + ".txt");
    if (!fs::exists(input) || fs::file_size(input) < bytes) {
        std::printf("writing %s...\n", input.c_str());
        WriteInput(input, bytes);
    }
    const double megabytes = static_cast<double>(fs::file_size(input)) / 1e6;
    std::printf(
        "input: %.1f MB of UTF-8 (%s); the job with --memory %s, mawk '!seen[$0]++' right\n"
        "after it, then the job without a limit; goals: peak at most the limit plus 64 MiB,\n"
        "time at most 0.5x mawk's, output identical to the job without a limit; cpu = user\n"
        "and system seconds, steadier than the clock on a busy machine\n\n",
        megabytes, input.c_str(), memory.c_str());
    std::printf("%-50s %8s %8s %9s %8s %8s %9s %6s %6s %8s %9s %s\n", "options", "seconds", "cpu",
                "peak MiB", "mawk s", "mawk cpu", "mawk MiB", "ratio", "cpu", "free s", "free MiB",
                "identical");
    int status = 0;
    const std::vector<std::vector<std::string>> optionSets = {
        {}, {"--ignore-case", "--ignore-width", "--keep-last", "--counts"}};
    for (const std::vector<std::string>& options : optionSets) {
        std::string name;
        for (const std::string& option : options)
            name += (name.empty() ? "" : " ") + option;
        const fs::path limited = fs::path(folder) / "limited-output.txt";
        const fs::path free = fs::path(folder) / "free-output.txt";
        std::vector<std::string> job = {TANDREL_PROGRAM};
        job.insert(job.end(), options.begin(), options.end());
        std::vector<std::string> limitedJob = job;
        limitedJob.insert(limitedJob.end(),
                          {"--memory", memory, "--output", limited.string(), input.string()});
        job.insert(job.end(), {"--output", free.string(), input.string()});
        const ProcessFigures withLimit = RunProcess(limitedJob);
        const ProcessFigures mawk = RunProcess({"mawk", "!seen[$0]++", input.string()},
                                               (fs::path(folder) / "mawk-output.txt").string());
        const ProcessFigures withoutLimit = RunProcess(job);
        const bool identical =
            withLimit.seconds >= 0 && withoutLimit.seconds >= 0 && SameBytes(limited, free);
        std::printf("%-50s %8.2f %8.2f %9.1f %8.2f %8.2f %9.1f %6.2f %6.2f %8.2f %9.1f %s\n",
                    name.empty() ? "(default)" : name.c_str(), withLimit.seconds,
                    withLimit.cpuSeconds, withLimit.peakMiB, mawk.seconds, mawk.cpuSeconds,
                    mawk.peakMiB, withLimit.seconds / mawk.seconds,
                    withLimit.cpuSeconds / mawk.cpuSeconds, withoutLimit.seconds,
                    withoutLimit.peakMiB, identical ? "yes" : "NO");
        std::fflush(stdout);
        status |= identical ? 0 : 1;
        fs::remove(limited);
        fs::remove(free);
    }
    if (folderArgument.empty())
        fs::remove_all(folder);
    return status;
}
