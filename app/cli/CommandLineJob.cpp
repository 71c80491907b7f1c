#include "app/cli/CommandLineJob.h"

#include "app/cli/DistinctLinesJob.h"
#include "app/cli/FailureWords.h"
#include "app/cli/FlagDocuments.h"
#include "app/cli/Messages.h"
#include "app/cli/ProgramFlags.h"
#include "app/cli/RunWords.h"
#include "core/base/HeapTuning.h"
#include "core/base/OperationProgress.h"
#include "core/document/RunSummary.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/FileSystemNames.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// A file name from the command line as text that gives its very bytes back (FileSystemNames.h).
std::u16string Text(std::string_view bytes) {
    return NameOfFileSystemPath(bytes);
}

// Why the guess gave no encoding to read with, and what to do about it.
std::string GuessProblem(const EncodingGuess& guess) {
    if (!guess.refusedMark.empty())
        return RefusedMarkWords(guess.refusedMark);
    if (guess.Close()) {
        std::vector<std::string> names, flags;
        std::vector<int> candidates = {guess.encoding};
        candidates.insert(candidates.end(), guess.others.begin(), guess.others.end());
        for (const int encoding : candidates) {
            const EncodingChoice& choice = *FindEncodingChoice(encoding);
            names.push_back(Utf8(choice.itemText));
            flags.push_back("--encoding " + std::string(choice.flagNames[0]));
        }
        return Fill(Tr("The input reads as %s alike, and nothing decides between them; name its "
                       "encoding with %s."),
                    {Joined({names.begin(), names.end()}, ", "),
                     Joined({flags.begin(), flags.end()}, Tr(" or "))});
    }
    return Fill(Tr("The input's encoding could not be told; name it with --encoding (%s)."),
                {Joined(EncodingFlagNames(), ", ")});
}

int UsageError(const std::string& problem) {
    Print(stderr, "tandrel: " + problem + "\n" + UsageLine() + "\n");
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

// A mapped input that another program shortens while the job reads it raises SIGBUS at the
// first byte that is gone. The job then ends as for any input it cannot read, with the message
// made before it began: a signal handler can only write it out.
char g_inputShortened[1024];
std::size_t g_inputShortenedSize = 0;

void InputShortened(int) {
    if (write(STDERR_FILENO, g_inputShortened, g_inputShortenedSize) < 0) {
        // nothing more to say it with
    }
    rmdir(g_resultFolder);
    _exit(1);
}

class ResultFolder {
public:
    ResultFolder() {
        std::string pattern = TemporaryFolder() + "/tandrel-XXXXXX";
        if (pattern.size() >= sizeof g_resultFolder) {
            error_ = ENAMETOOLONG;
            return;
        }
        if (!mkdtemp(pattern.data())) {
            error_ = errno;
            return;
        }
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
    // Why the folder could not be made; 0 when it was.
    int Error() const { return error_; }

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
    int error_ = 0;
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
// nothing behind however the job ends. With a memory limit (spool), a pipe or a device is
// copied as well: an input that turns out larger than the limit is read more than once, through
// scratch files. inTemporaryFolder tells whether a failure was the temporary folder's rather
// than the input's.
std::optional<std::u16string> InputFile(int fd, bool spool, FileResult& failure,
                                        bool& inTemporaryFolder) {
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
    const bool copied = copyFd >= 0 && Copy(fd, copyFd);
    // A copy that fills the disk is the temporary folder's failure too.
    inTemporaryFolder = copyFd < 0 || (!copied && (errno == ENOSPC || errno == EDQUOT));
    if (!copied) {
        failure = {FailureOfErrno(errno)};
        return std::nullopt;
    }
    return Text("/proc/self/fd/" + std::to_string(copyFd)); // open until the process ends
}

// The output as a stream to write straight into, when it names one that is not a regular file:
// a device (/dev/null), a FIFO, or a pipe or terminal through /dev/stdout. Those cannot be
// replaced by another file, and need not be: there is nothing on disk to keep whole. A regular
// file, a folder and a new name give -1, and the job replaces the file as usual (and refuses a
// folder). failure says why a stream could not be opened.
int OutputStream(const std::string& path, FileResult& failure) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode))
        return -1;
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        failure = {FailureOfErrno(errno)};
    return fd;
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
            Print(stderr,
                  "\rtandrel: " + Fill(Tr("working... %s"), {std::to_string(percent) + "%"}));
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
    std::string text = "tandrel: " + std::string(what) + "\n" + FailureWords(path, result);
    return text + "\n";
}

int TemporaryFolderProblem(const FileResult& why) {
    Print(stderr, Problem(g_temporaryFolder.empty()
                              ? Tr("The temporary folder cannot be used (TMPDIR).")
                              : Tr("The temporary folder cannot be used (--temp-dir)."),
                          Text(TemporaryFolder()), why));
    return 1;
}

int RunJob(const CommandLine& line) {
    // The job frees buffers of megabytes as it goes (the guess's, the filter's table as it
    // grows) and allocates others; returned to the system, their memory would be faulted in
    // afresh for the next ones.
    KeepLargeBuffersInHeap();
    // Standard input is read once, however often "-" names it.
    std::vector<std::string> arguments;
    for (const std::string& argument :
         line.inputs.empty() ? std::vector<std::string>{"-"} : line.inputs)
        if (argument != "-" ||
            std::find(arguments.begin(), arguments.end(), "-") == arguments.end())
            arguments.push_back(argument);
    const char* const cannotRead = Tr("The file could not be read.");
    const char* const cannotSave = Tr("The file could not be saved.");

    if (line.temporaryFolder)
        g_temporaryFolder = *line.temporaryFolder;
    // Whatever the job needs is there before it begins, so that it does not fail at its end:
    // a stream (standard output, a device, a FIFO) cannot be replaced in one step, so the result
    // is made complete in a folder of its own first, and a failure then leaves nothing half
    // written there either.
    const bool toStdout = *line.output == "-";
    const std::u16string outputName = Text(toStdout ? Tr("(standard output)") : *line.output);
    FileResult streamFailure;
    const int streamFd = toStdout ? STDOUT_FILENO : OutputStream(*line.output, streamFailure);
    if (!streamFailure.Succeeded()) {
        Print(stderr, Problem(cannotSave, outputName, streamFailure));
        return 1;
    }
    const bool toStream = streamFd >= 0;
    std::optional<ResultFolder> resultFolder;
    if (toStream) {
        resultFolder.emplace();
        if (resultFolder->Error() != 0)
            return TemporaryFolderProblem({FailureOfErrno(resultFolder->Error())});
    }
    std::vector<std::u16string> inputNames, inputs;
    for (const std::string& argument : arguments) {
        const bool fromStdin = argument == "-";
        const std::u16string& inputName =
            inputNames.emplace_back(Text(fromStdin ? Tr("(standard input)") : argument));
        int inputFd = STDIN_FILENO;
        if (!fromStdin) {
            inputFd = open(argument.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            if (inputFd < 0) {
                Print(stderr, Problem(cannotRead, inputName, {FailureOfErrno(errno)}));
                return 1;
            }
        }
        FileResult inputFailure;
        bool inTemporaryFolder = false;
        const std::optional<std::u16string> input =
            InputFile(inputFd, line.memory.has_value(), inputFailure, inTemporaryFolder);
        if (!input && inTemporaryFolder)
            return TemporaryFolderProblem(inputFailure);
        if (!input) {
            Print(stderr, Problem(cannotRead, inputName, inputFailure));
            return 1;
        }
        inputs.push_back(*input);
    }

    JobRequest request;
    request.inputs = inputs;
    request.inputEncoding = line.inputEncoding;
    request.output = toStream ? Text(resultFolder->File()) : outputName;
    request.outputEncoding = line.outputEncoding;
    request.lineEnd = line.lineEnd;
    request.compare = line.compare;
    request.counts = line.counts;
    request.memory = line.memory;
    request.temporaryFolder = TemporaryFolder();
    OperationProgress progress;
    JobOutcome outcome;
    {
        const std::string shortened =
            std::string(isatty(STDERR_FILENO) == 1 ? "\r\033[K" : "") + "tandrel: " + cannotRead +
            "\n" + Tr("An input file became shorter while it was being read.") + "\n";
        g_inputShortenedSize = std::min(shortened.size(), sizeof g_inputShortened);
        std::memcpy(g_inputShortened, shortened.data(), g_inputShortenedSize);
        std::signal(SIGBUS, InputShortened);
        const ProgressLine progressLine(progress);
        outcome = RunDistinctLinesJob(request, &progress);
    }
    std::signal(SIGBUS, SIG_DFL);
    switch (outcome.failedAt) {
    case JobOutcome::Stage::kGuess:
        Print(stderr, "tandrel: " + GuessProblem(outcome.guess) + "\n" +
                          Fill(Tr("File: %s"), {Utf8(inputNames[outcome.input])}) + "\n");
        return 1;
    case JobOutcome::Stage::kRead:
        Print(stderr, Problem(cannotRead, inputNames[outcome.input], outcome.result));
        return 1;
    case JobOutcome::Stage::kRun:
        Print(stderr, Problem(Tr("The lines could not be compared."), {}, outcome.result));
        return 1;
    case JobOutcome::Stage::kTemporary:
        Print(stderr, Problem(outcome.result.failure == FileFailure::kDiskFull
                                  ? Tr("A scratch file could not be written: the disk is full.")
                                  : Tr("A scratch file could not be written."),
                              Text(outcome.temporaryFolder), outcome.result));
        return 1;
    case JobOutcome::Stage::kWrite:
        Print(stderr, Problem(cannotSave, outputName, outcome.result));
        if (outcome.result.failure == FileFailure::kUnmappableCharacter)
            Print(stderr, Fill(Tr("The line and the character are counted in the input %s."),
                               {Utf8(inputNames[outcome.input])}) +
                              "\n");
        return 1;
    case JobOutcome::Stage::kDone:
        break;
    }
    if (toStream) {
        const int resultFd = open(resultFolder->File().c_str(), O_RDONLY | O_CLOEXEC);
        resultFolder->Remove(); // nothing is left behind if the copy is cut short
        const bool copied = resultFd >= 0 && Copy(resultFd, streamFd);
        const int error = errno;
        if (resultFd >= 0)
            close(resultFd);
        if (!copied) {
            Print(stderr, Problem(cannotSave, outputName, {FailureOfErrno(error)}));
            return 1;
        }
    }
    if (line.stats) {
        const RunCounts counts{
            .lines = outcome.lineCount,
            .kept = outcome.keptCount,
            .repeats = outcome.lineCount - outcome.keptCount - outcome.emptyCount,
            .empties = outcome.emptyCount,
        };
        Print(stderr, RunCountsWords(counts) + "\n");
        if (outcome.loneCrLineEnds)
            Print(stderr, LoneCrWords() + "\n");
    }
    return 0;
}

} // namespace

std::optional<int> AnswerWithoutWindow(const ParsedCommandLine& parsed) {
    if (parsed.error)
        return UsageError(*parsed.error);
    if (parsed.line.help) {
        Print(stdout, HelpText());
        return 0;
    }
    if (parsed.line.version) {
        Print(stdout, VersionLine() + "\n");
        return 0;
    }
    if (!parsed.line.job)
        return std::nullopt;
    return RunJob(parsed.line);
}
