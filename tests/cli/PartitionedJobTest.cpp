// The job run through scratch files on the disk against the job in memory: with a memory
// limit of a few kilobytes, so that small random files take many partitions, splits of them
// and several buckets, both write the same bytes and count the same lines, whatever the
// encodings, the comparison options, --counts and the line ends. Then the failures: a temp
// folder that fills up, and a job killed or interrupted at a random moment, which leave
// nothing behind and the output as it was.
#include "app/cli/CommandLineJob.h"
#include "app/cli/DistinctLinesJob.h"
#include "app/cli/ProgramFlags.h"
#include "core/base/OperationProgress.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/FileSystemNames.h"
#include "core/partition/MemoryBudget.h"
#include "core/partition/PartitionedRun.h"
#include "tests/support/SameJobFailure.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Lines that differ in exactly what the options ignore, or not at all; blank, empty and with
// carriage returns at their ends; one a code page 932 writer cannot hold.
const std::u16string kPieces[] = {u"",
                                  u" ",
                                  u"\u3000",
                                  u"a",
                                  u"A",
                                  u"\uFF41",
                                  u"\u30AB",
                                  u"\u304B",
                                  u"\uFF76\uFF9E",
                                  u"\u30AC",
                                  u"\u00DF",
                                  u"ss",
                                  u"\r",
                                  u"\u6771\u4EAC",
                                  u"x7",
                                  u"\u00E9"};

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A folder of its own, in memory where the system has a file system there: the jobs' saves
// flush their files to the disk, hundreds of times here.
class Folder {
public:
    Folder() {
        const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
        std::string pattern = (base / "partitioned-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~Folder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::u16string Text(const fs::path& path) {
    return NameOfFileSystemPath(path.string());
}

// Writes a random text of up to lineCount lines in encoding; its line ends LF or CR LF.
void WriteRandomText(std::mt19937& random, const fs::path& path, int encoding, int lineCount) {
    std::u16string text;
    std::vector<std::u16string> lines;
    for (int i = random() % lineCount; i > 0; --i) {
        std::u16string line;
        if (!lines.empty() && random() % 2)
            line = lines[random() % lines.size()];
        else
            for (int k = random() % 5; k > 0; --k)
                line += kPieces[random() % std::size(kPieces)];
        lines.push_back(line);
        text += line + u"\n";
    }
    const LineEnd lineEnd = random() % 2 ? LineEnd::kLf : LineEnd::kCrLf;
    const EncodingChoice& written = *FindEncodingChoice(encoding);
    if (!WriteTextFile(Text(path), written, text, lineEnd).Succeeded()) { // not in code page 932
        ASSERT_TRUE(
            WriteTextFile(Text(path), kEncodingChoices[kUtf8Choice], text, lineEnd).Succeeded());
    }
}

TEST(PartitionedJob, TakesSizesWithAUnitOnly) {
    const std::pair<std::string_view, std::optional<std::uint64_t>> sizes[] = {
        {"512M", 512ull * 1024 * 1024},
        {"4G", 4ull * 1024 * 1024 * 1024},
        {"3k", 3 * 1024},
        {"1T", 1ull << 40},
        {"16777215T", 16777215ull << 40},
        {"16777216T", {}},
        {"0M", {}},
        {"512", {}},
        {"M", {}},
        {"1.5G", {}},
        {"-1M", {}},
        {"+1M", {}},
        {"12X", {}},
        {" 1M", {}},
        {"", {}}};
    for (const auto& [text, bytes] : sizes)
        EXPECT_EQ(ParseMemorySize(text), bytes) << text;
}

TEST(PartitionedJob, WritesWhatTheJobInMemoryWrites) {
    const Folder folder;
    std::mt19937 random(23);
    for (int round = 0; round < 200; ++round) {
        JobRequest request;
        const int encoding = static_cast<int>(random() % kEncodingChoices.size());
        // Now and then two inputs, whose lines are one text; now and then guessed.
        for (int i = 0, inputs = round % 3 == 0 ? 2 : 1; i < inputs; ++i) {
            const fs::path path = folder.Path() / ("in" + std::to_string(i) + ".txt");
            request.inputs.push_back(Text(path));
            WriteRandomText(random, path, encoding, round % 10 == 0 ? 3000 : 300);
        }
        request.inputEncoding = round % 5 == 0 ? -1 : encoding;
        request.outputEncoding = random() % 3 ? -1 : static_cast<int>(random() % 5);
        request.lineEnd = static_cast<LineEndChoice>(random() % 3);
        for (const CompareOptionName& name : kCompareOptionNames)
            request.compare.*name.member = random() % 2;
        request.counts = random() % 2;
        request.temporaryFolder = folder.Path().string();

        request.output = Text(folder.Path() / "memory.txt");
        const JobOutcome inMemory = RunDistinctLinesJob(request, nullptr);
        request.output = Text(folder.Path() / "disk.txt");
        request.memory = 512 + random() % 8192;
        const JobOutcome onDisk = RunDistinctLinesJob(request, nullptr);

        SCOPED_TRACE(testing::Message() << "round " << round << ", memory " << *request.memory);
        ASSERT_EQ(onDisk.failedAt, inMemory.failedAt);
        ExpectSameFailure(onDisk, inMemory);
        EXPECT_EQ(onDisk.loneCrLineEnds, inMemory.loneCrLineEnds);
        EXPECT_EQ(Bytes(folder.Path() / "disk.txt"), Bytes(folder.Path() / "memory.txt"));
        if (inMemory.failedAt == JobOutcome::Stage::kDone) {
            EXPECT_EQ(onDisk.lineCount, inMemory.lineCount);
            EXPECT_EQ(onDisk.keptCount, inMemory.keptCount);
            EXPECT_EQ(onDisk.emptyCount, inMemory.emptyCount);
        }
        fs::remove(folder.Path() / "memory.txt");
        fs::remove(folder.Path() / "disk.txt");
    }
}

// Runs the command line's job in a child process with stderr sent to a file, and its standard
// input from a pipe that input's bytes go through and its standard output to a file, when they
// are given; killAfter, when given, sends signal that many microseconds after the start. The
// exit status, or -signal.
int RunJob(std::vector<std::string> arguments, const fs::path& errors, int signal = 0,
           useconds_t killAfter = 0, const fs::path& input = {}, const fs::path& output = {}) {
    const pid_t child = fork();
    if (child == 0) {
        int pipeEnds[2];
        if (!input.empty() && (pipe(pipeEnds) != 0 || dup2(pipeEnds[0], STDIN_FILENO) < 0))
            _exit(127);
        if (!input.empty() && fork() == 0) { // the input comes through a pipe
            std::ifstream bytes(input, std::ios::binary);
            for (char block[4096]; bytes.read(block, sizeof block) || bytes.gcount() > 0;)
                if (write(pipeEnds[1], block, static_cast<std::size_t>(bytes.gcount())) < 0)
                    _exit(1);
            _exit(0);
        }
        if (!input.empty()) {
            close(pipeEnds[0]);
            close(pipeEnds[1]);
        }
        if (!output.empty() && !std::freopen(output.c_str(), "w", stdout))
            _exit(127);
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || dup2(fd, STDERR_FILENO) < 0)
            _exit(127);
        const std::vector<std::string_view> views(arguments.begin(), arguments.end());
        _exit(AnswerWithoutWindow(ParseCommandLine(views)).value_or(127));
    }
    if (signal != 0) {
        usleep(killAfter);
        kill(child, signal);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void WriteLines(const fs::path& path, int count) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < count; ++i)
        out << "line " << std::int64_t{i} * 7919 % (count / 2)
            << " of a file larger than its memory\n";
}

TEST(PartitionedJob, SpoolsAPipeAndWritesToOne) {
    const Folder folder;
    const fs::path in = folder.Path() / "in.txt";
    WriteLines(in, 20'000);
    const fs::path expected = folder.Path() / "expected.txt";
    ASSERT_EQ(RunJob({"--counts", "--output", expected.string(), in.string()},
                     folder.Path() / "errors.txt"),
              0);
    const int status = RunJob(
        {"--memory", "64K", "--counts", "--temp-dir", folder.Path().string(), "--output", "-"},
        folder.Path() / "errors.txt", 0, 0, in, folder.Path() / "out.txt");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Bytes(folder.Path() / "out.txt"), Bytes(expected));
}

// The bar goes on from one input to the next, each taking its share of the bytes, instead of
// starting over at each.
TEST(PartitionedJob, ItsProgressNeverGoesBack) {
    const Folder folder;
    std::vector<std::u16string> paths;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        WriteLines(folder.Path() / name, 60'000);
        paths.push_back(Text(folder.Path() / name));
    }
    const std::u16string output = Text(folder.Path() / "out.txt");
    PartitionedRequest request{.output = output,
                               .outputEncoding = &kEncodingChoices[kUtf8Choice],
                               .memory = 256 * 1024,
                               .temporaryFolder = folder.Path().string()};
    for (const std::u16string& path : paths)
        request.inputs.push_back({path, &kEncodingChoices[kUtf8Choice]});
    OperationProgress progress;
    std::atomic<bool> done = false;
    std::thread job([&] {
        EXPECT_EQ(RunPartitioned(request, &progress, 0).failedAt, PartitionedOutcome::Stage::kDone);
        done = true;
    });
    std::vector<int> seen = {0};
    while (!done)
        if (const int filled = progress.Filled(); filled != seen.back())
            seen.push_back(filled);
    job.join();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << testing::PrintToString(seen);
    EXPECT_EQ(progress.Filled(), OperationProgress::kWhole);
}

TEST(PartitionedJob, AFullTempFolderFailsAndLeavesNothing) {
    const Folder folder;
    const fs::path small = folder.Path() / "small";
    fs::create_directory(small);
    if (mount("tandrel-test", small.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "mounting a file system takes root";
    WriteLines(folder.Path() / "in.txt", 200'000);
    std::ofstream(folder.Path() / "out.txt") << "as it was";
    const int status =
        RunJob({"--memory", "1M", "--temp-dir", small.string(), "--output",
                (folder.Path() / "out.txt").string(), (folder.Path() / "in.txt").string()},
               folder.Path() / "errors.txt");
    EXPECT_TRUE(fs::is_empty(small));
    umount(small.c_str());
    EXPECT_EQ(status, 1);
    EXPECT_NE(Bytes(folder.Path() / "errors.txt").find("the disk is full"), std::string::npos);
    EXPECT_EQ(Bytes(folder.Path() / "out.txt"), "as it was");
}

TEST(PartitionedJob, AJobEndedBySignalLeavesNothing) {
    const Folder folder;
    const fs::path temp = folder.Path() / "temp";
    fs::create_directory(temp);
    WriteLines(folder.Path() / "in.txt", 400'000);
    const auto job = [&](const fs::path& output) {
        return std::vector<std::string>{"--memory",
                                        "1M",
                                        "--temp-dir",
                                        temp.string(),
                                        "--output",
                                        output.string(),
                                        (folder.Path() / "in.txt").string()};
    };
    // The signals come at random moments of the job's own length on this machine, so that
    // each one finds it running, in whichever pass; a job that a busier moment let end first
    // is run again, signalled twice as early.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunJob(job(folder.Path() / "whole.txt"), folder.Path() / "errors.txt"), 0);
    const auto length = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    fs::remove(folder.Path() / "whole.txt");
    std::mt19937 random(5);
    for (const int signal : {SIGKILL, SIGINT, SIGTERM, SIGKILL, SIGINT}) {
        auto moment = static_cast<useconds_t>(length * (5 + random() % 75) / 100);
        int status = 0;
        for (int tries = 0; status == 0 && tries < 8; ++tries, moment /= 2) {
            std::ofstream(folder.Path() / "out.txt") << "as it was";
            status = RunJob(job(folder.Path() / "out.txt"), folder.Path() / "errors.txt", signal,
                            moment);
        }
        SCOPED_TRACE(testing::Message() << "signal " << signal << " at " << moment << " us");
        EXPECT_EQ(status, -signal);
        EXPECT_TRUE(fs::is_empty(temp));
        EXPECT_EQ(Bytes(folder.Path() / "out.txt"), "as it was");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()),
                  4); // in, out, errors, temp
    }
}

} // namespace
