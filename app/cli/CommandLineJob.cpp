#include "app/cli/CommandLineJob.h"

#include "app/cli/JobFlags.h"
#include "app/cli/DistinctLinesJob.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/FailureText.h"
#include "core/files/FileSystemNames.h"
#include "core/base/OperationProgress.h"
#include "core/document/RunSummary.h"
#include "core/encoding/TextCodecs.h"
#include "res/VersionInfo.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

std::string Utf8(std::u16string_view text) {
    std::string bytes(text.size() * kMaxEncodedBytesPerUnit, '\0');
    const char* end = EncodeUtf8(text, bytes.data());
    return end ? bytes.substr(0, static_cast<std::size_t>(end - bytes.data())) : std::string();
}

// A file name from the command line as text that gives its very bytes back (FileSystemNames.h).
std::u16string Text(std::string_view bytes) {
    return NameOfFileSystemPath(bytes);
}

int UsageError(const std::string& problem) {
    Print(stderr, "tandrel: " + problem +
                      "\n使い方: tandrel --output 出力ファイル [オプション] [入力ファイル]\n"
                      "詳しくは tandrel --help を見て下さい。\n");
    return 2;
}

// --temp-dir, else TMPDIR, else /tmp: where the job keeps what it must keep on the disk.
std::string g_temporaryFolder;

std::string TemporaryFolder() {
    if (!g_temporaryFolder.empty())
        return g_temporaryFolder;
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// The folder that holds the result meant for standard output until it is complete. A signal
// that ends the job meanwhile removes it; the result itself is written as an unnamed file there
// until it is complete, and leaves no trace either.
char g_resultFolder[4096];

void RemoveResultFolder(int signal) {
    rmdir(g_resultFolder); // async-signal-safe, as everything here
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class ResultFolder {
public:
    ResultFolder() {
        std::string pattern = TemporaryFolder() + "/tandrel-XXXXXX";
        if (pattern.size() >= sizeof g_resultFolder || !mkdtemp(pattern.data()))
            return;
        path_ = pattern;
        std::snprintf(g_resultFolder, sizeof g_resultFolder, "%s", path_.c_str());
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, RemoveResultFolder);
    }
    ~ResultFolder() { Remove(); }
    ResultFolder(const ResultFolder&) = delete;
    ResultFolder& operator=(const ResultFolder&) = delete;

    // The result's path; empty when there is no folder.
    std::string File() const { return path_.empty() ? std::string() : path_ + "/result"; }

    // Removes the folder and the result in it; an open result stays readable.
    void Remove() {
        if (path_.empty())
            return;
        unlink(File().c_str());
        rmdir(path_.c_str());
        path_.clear();
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
    }

private:
    std::string path_;
};

// Copies everything from one descriptor to another; errno tells why when it fails.
bool Copy(int from, int to) {
    std::vector<char> block(1 << 20);
    for (;;) {
        const ssize_t count = read(from, block.data(), block.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        for (ssize_t done = 0; done < count;) {
            const ssize_t written =
                write(to, block.data() + done, static_cast<std::size_t>(count - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return false;
            done += written;
        }
    }
}

// The input as a path the job can open: a regular file is read where it is (through its
// descriptor, whatever its name's encoding), and so is a pipe, a terminal or a device, which the
// job reads once to its end. A regular file whose reading has begun (standard input may have
// been read from already), whose path would open it anew from its start, and a socket, which
// has no path to open, are first copied into an unnamed temporary file. An unnamed file leaves
// nothing behind however the job ends.
// With a memory limit (spool), a stream is copied as well: an input that turns out larger than
// the limit is read more than once, through scratch files.
std::optional<std::u16string> InputFile(int fd, FileResult& failure, bool spool) {
    struct stat status;
    if (fstat(fd, &status) != 0) {
        failure = {FailureOfErrno(errno)};
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode)) {
        failure = {FileFailure::kNotRegularFile};
        return std::nullopt;
    }
    if (((S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) && !spool) ||
        (S_ISREG(status.st_mode) && lseek(fd, 0, SEEK_CUR) == 0))
        return Text("/proc/self/fd/" + std::to_string(fd));
    int copyFd = open(TemporaryFolder().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (copyFd < 0) { // a file system without unnamed files: a named one, unlinked at once
        std::string name = TemporaryFolder() + "/tandrel-input-XXXXXX";
        copyFd = mkostemp(name.data(), O_CLOEXEC);
        if (copyFd >= 0)
            unlink(name.c_str());
    }
    if (copyFd < 0 || !Copy(fd, copyFd)) {
        failure = {FailureOfErrno(errno)};
        return std::nullopt;
    }
    return Text("/proc/self/fd/" + std::to_string(copyFd)); // open until the process ends
}

// A one-line progress on standard error, shown only where a person watches it (a terminal)
// and only once the job has run for a second.
class ProgressLine {
public:
    explicit ProgressLine(const OperationProgress& progress)
        : progress_(progress), shown_(isatty(STDERR_FILENO) == 1) {
        if (shown_)
            thread_ = std::thread([this] { Show(); });
    }
    ~ProgressLine() {
        if (!shown_)
            return;
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
        if (printed_)
            Print(stderr, "\r\033[K");
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void Show() {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; }))
            return;
        do {
            const int percent = progress_.Filled() * 100 / OperationProgress::kWhole;
            Print(stderr, "\rtandrel: 処理中… " + std::to_string(percent) + "%");
            std::fflush(stderr);
            printed_ = true;
        } while (!wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return done_; }));
    }

    const OperationProgress& progress_;
    const bool shown_;
    bool printed_ = false;
    bool done_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

std::string Problem(std::string_view what, std::u16string_view path, const FileResult& result) {
    std::string text = "tandrel: " + std::string(what) + "\n" + Utf8(FailureDetail(path, result));
    return text + "\n";
}

} // namespace

int RunCommandLineJob(int argc, char** argv) {
    JobOptions options;
    if (const std::optional<std::string> problem = ParseJobFlags(argc, argv, options))
        return UsageError(*problem);
    if (options.help) {
        Print(stdout, JobHelpText());
        return 0;
    }
    if (options.version) {
        Print(stdout, std::string(kProductName) + " " + kProductVersion + "\n");
        return 0;
    }

    if (options.temporaryFolder)
        g_temporaryFolder = *options.temporaryFolder;
    const bool fromStdin = !options.input || *options.input == "-";
    const std::u16string inputName = fromStdin ? u"（標準入力）" : Text(*options.input);
    int inputFd = STDIN_FILENO;
    if (!fromStdin) {
        inputFd = open(options.input->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (inputFd < 0) {
            Print(stderr,
                  Problem("ファイルを読み込めませんでした。", inputName, {FailureOfErrno(errno)}));
            return 1;
        }
    }
    FileResult inputFailure;
    const std::optional<std::u16string> input = InputFile(inputFd, inputFailure, options.memory.has_value());
    if (!input) {
        Print(stderr, Problem("ファイルを読み込めませんでした。", inputName, inputFailure));
        return 1;
    }

    const bool toStdout = *options.output == "-";
    const std::u16string outputName = toStdout ? u"（標準出力）" : Text(*options.output);
    // Standard output cannot be replaced in one step, so the result is made complete in a
    // folder of its own first: a failure then leaves nothing half written there either.
    std::optional<ResultFolder> resultFolder;
    if (toStdout)
        resultFolder.emplace();
    const std::u16string output = toStdout ? Text(resultFolder->File()) : outputName;

    JobRequest request;
    request.input = *input;
    request.inputEncoding = options.inputEncoding;
    request.output = output;
    request.outputEncoding = options.outputEncoding;
    request.lineEnd = options.lineEnd;
    request.compare = options.run.compare;
    request.counts = options.run.counts;
    request.memory = options.memory;
    request.temporaryFolder = TemporaryFolder();
    OperationProgress progress;
    JobOutcome outcome;
    {
        const ProgressLine line(progress);
        outcome = RunDistinctLinesJob(request, &progress);
    }
    switch (outcome.failedAt) {
    case JobOutcome::Stage::kGuess:
        Print(stderr, "tandrel: 入力の文字コードを判定できませんでした。--encoding で指定して下さい"
                      "（ansi, utf-8, utf-8-nobom, utf-16le, euc-jp）。\nファイル: " +
                          Utf8(inputName) + "\n");
        return 1;
    case JobOutcome::Stage::kRead:
        Print(stderr, Problem("ファイルを読み込めませんでした。", inputName, outcome.result));
        return 1;
    case JobOutcome::Stage::kTemporary:
        Print(stderr, Problem(outcome.result.failure == FileFailure::kDiskFull
                                  ? "一時ファイルを書けませんでした。ディスクがいっぱいです。"
                                  : "一時ファイルを書けませんでした。",
                              Text(outcome.temporaryFolder), outcome.result));
        return 1;
    case JobOutcome::Stage::kWrite:
        Print(stderr, Problem("ファイルを保存できませんでした。", outputName, outcome.result));
        return 1;
    case JobOutcome::Stage::kDone:
        break;
    }
    if (toStdout) {
        const int resultFd = open(resultFolder->File().c_str(), O_RDONLY | O_CLOEXEC);
        resultFolder->Remove(); // nothing is left behind if the copy is cut short
        const bool copied = resultFd >= 0 && Copy(resultFd, STDOUT_FILENO);
        const int error = errno;
        if (resultFd >= 0)
            close(resultFd);
        if (!copied) {
            Print(stderr,
                  Problem("ファイルを保存できませんでした。", outputName, {FailureOfErrno(error)}));
            return 1;
        }
    }
    if (options.stats) {
        const RunCounts counts{
            .lines = outcome.lineCount,
            .kept = outcome.keptCount,
            .repeats = outcome.lineCount - outcome.keptCount - outcome.emptyCount,
            .empties = outcome.emptyCount,
        };
        Print(stderr, Utf8(RunCountsText(counts)) + "\n"); // the window's words
    }
    return 0;
}
