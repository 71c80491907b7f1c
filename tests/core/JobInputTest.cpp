// The command line's job reads its input once, from a file or from a pipe, whether it guesses
// the input's encoding or is told it: a pipe's bytes are read once, within the input's size and
// a little; a file is mapped, and read() takes next to nothing of it. Either way the job writes
// what the file read line by line in the named encoding, as UTF-16 lines, gives.
#include "app/cli/DistinctLinesJob.h"
#include "core/document/ByteRun.h"
#include "core/encoding/EncodingChoices.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Bytes this process has read so far, by any means (the kernel's own count).
std::uint64_t BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::u16string Path16(const fs::path& path) {
    const std::string bytes = path.string();
    return {bytes.begin(), bytes.end()};
}

struct Way {
    const char* name;
    bool pipe;
    int encoding; // -1: guessed
};

class JobInputTest : public ::testing::TestWithParam<Way> {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tandrel-job-input-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        // UTF-8 without a mark, with repeats, many of the reader's blocks long.
        std::ofstream input(folder_ / "in.txt", std::ios::binary);
        for (int i = 0; i < 400'000; ++i)
            input << "日本語の行 " << i % 150'000 << (i % 3 ? "\r\n" : "\n");
        input.close();
        bytes_ = Contents(folder_ / "in.txt"); // for the pipe, read before anything is counted
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Runs the job on the input file, or on a pipe that a writer fills with its bytes.
    JobOutcome Run(const Way& way, const fs::path& output) {
        JobRequest request;
        request.inputEncoding = way.encoding;
        request.output = Path16(output);
        if (!way.pipe) {
            request.inputs = {Path16(folder_ / "in.txt")};
            return RunDistinctLinesJob(request, nullptr);
        }
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        std::thread writer([&] {
            for (std::size_t done = 0; done < bytes_.size();) {
                const ssize_t count = write(ends[1], bytes_.data() + done, bytes_.size() - done);
                if (count <= 0)
                    break;
                done += static_cast<std::size_t>(count);
            }
            close(ends[1]);
        });
        request.inputs = {Path16("/proc/self/fd/" + std::to_string(ends[0]))};
        const JobOutcome outcome = RunDistinctLinesJob(request, nullptr);
        writer.join();
        close(ends[0]);
        return outcome;
    }

    fs::path folder_;
    std::string bytes_;
};

TEST_P(JobInputTest, ReadsItsInputOnce) {
    const auto utf8 = static_cast<int>(kUtf8NoMarkChoice);
    const std::uint64_t size = fs::file_size(folder_ / "in.txt");
    KeepLinesAsBytes(false);
    ASSERT_EQ(Run({"plain", false, utf8}, folder_ / "plain.txt").failedAt,
              JobOutcome::Stage::kDone);
    KeepLinesAsBytes(true);

    const std::uint64_t before = BytesReadSoFar();
    const JobOutcome outcome = Run(GetParam(), folder_ / "out.txt");
    const std::uint64_t read = BytesReadSoFar() - before;
    ASSERT_EQ(outcome.failedAt, JobOutcome::Stage::kDone);
    EXPECT_EQ(outcome.inputEncoding, utf8);
    if (GetParam().pipe) {
        EXPECT_LE(read, size + 4096) << "of " << size << " bytes";
        EXPECT_GE(read, size);
    } else {
        EXPECT_LE(read, 4096u) << "of " << size << " bytes, which are mapped";
    }
    EXPECT_TRUE(Contents(folder_ / "out.txt") == Contents(folder_ / "plain.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    FileAndPipe, JobInputTest,
    ::testing::Values(Way{"FileGuessed", false, -1}, Way{"PipeGuessed", true, -1},
                      Way{"FileNamed", false, static_cast<int>(kUtf8NoMarkChoice)},
                      Way{"PipeNamed", true, static_cast<int>(kUtf8NoMarkChoice)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
