// The command line's job on UTF-8 lines kept as bytes must do exactly what it does on their
// UTF-16 lines: the same outcome and the same bytes written, for random inputs (ASCII and
// Japanese, white space of every width, CR, CR LF and lone CRs, empty and long lines, marks,
// malformed bytes), one to three of them, under every option set that takes the bytes.
#include "core/document/Utf8Run.h"

#include "app/cli/DistinctLinesJob.h"
#include "core/encoding/EncodingChoices.h"
#include "tests/support/SameJobFailure.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::u16string Path16(const fs::path& path) {
    const std::string bytes = path.string();
    return {bytes.begin(), bytes.end()};
}

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

// Pieces of text, most of them well formed; the last ones are not.
constexpr const char* kPieces[] = {"a",
                                   "b",
                                   "ab",
                                   "\xE3\x81\x82",
                                   "\xE3\x82\xA2",
                                   " ",
                                   "\t",
                                   "\xE3\x80\x80",
                                   "\xC2\xA0",
                                   "\xC2\x85",
                                   "\xE2\x80\x8A",
                                   "\xE2\x80\x8B",
                                   "\xF0\x9F\x98\x80",
                                   "\r",
                                   "\n",
                                   "\r\n",
                                   "\n\n",
                                   "\xFF",
                                   "\xED\xA0\x80",
                                   "\xE3\x81"};
constexpr std::size_t kMalformed = 3;

std::string RandomInput(std::mt19937& random) {
    std::string text = random() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    const bool malformed = random() % 8 == 0;
    const std::size_t pieces = std::size(kPieces) - (malformed ? 0 : kMalformed);
    for (std::size_t n = random() % 60; n > 0; --n)
        text += kPieces[random() % pieces];
    if (random() % 10 == 0) // a line longer than the pieces the check takes
        text += std::string(70'000, 'x') + "\xE3\x81\x82\n";
    return text;
}

using Flags = std::tuple<bool, bool, bool, bool>; // ignoreSpace, blankAsEmpty, keepEmpty, keepLast

class Utf8RunTest : public testing::TestWithParam<Flags> {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tandrel-utf8-run-" + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        EnableUtf8Run(true);
        fs::remove_all(folder_);
    }

    // The job on request, with the byte path on or off, and what it wrote.
    std::pair<JobOutcome, std::string> Run(JobRequest request, bool bytes) {
        const fs::path output = folder_ / (bytes ? "bytes.txt" : "lines.txt");
        request.output = Path16(output);
        EnableUtf8Run(bytes);
        const JobOutcome outcome = RunDistinctLinesJob(request, nullptr);
        return {outcome, Contents(output)};
    }

    fs::path folder_;
};

TEST_P(Utf8RunTest, WritesWhatTheUtf16LinesWrite) {
    const auto [ignoreSpace, blankAsEmpty, keepEmpty, keepLast] = GetParam();
    std::mt19937 random(ignoreSpace + 2 * blankAsEmpty + 4 * keepEmpty + 8 * keepLast);
    const int encodings[] = {-1, -1, static_cast<int>(kUtf8Choice),
                             static_cast<int>(kUtf8NoMarkChoice)};
    const int outputs[] = {-1, -1, static_cast<int>(kUtf8Choice), static_cast<int>(kAnsiChoice),
                           static_cast<int>(kUtf16LEChoice)};
    for (int round = 0; round < 60; ++round) {
        JobRequest request;
        request.compare = {.ignoreSpace = ignoreSpace,
                           .blankAsEmpty = blankAsEmpty,
                           .keepEmpty = keepEmpty,
                           .keepLast = keepLast};
        request.inputEncoding = encodings[random() % std::size(encodings)];
        request.outputEncoding = outputs[random() % std::size(outputs)];
        request.lineEnd = static_cast<LineEndChoice>(random() % 3);
        request.counts = random() % 2;
        for (std::size_t i = 1 + random() % 3; i > 0; --i) {
            const fs::path input = folder_ / ("in" + std::to_string(i) + ".txt");
            std::ofstream(input, std::ios::binary) << RandomInput(random);
            request.inputs.push_back(Path16(input));
        }
        const auto [bytes, written] = Run(request, true);
        const auto [lines, expected] = Run(request, false);
        ASSERT_EQ(written, expected) << "round " << round;
        ExpectSameFailure(bytes, lines);
        EXPECT_EQ(bytes.inputEncoding, lines.inputEncoding);
        EXPECT_EQ(bytes.lineCount, lines.lineCount);
        EXPECT_EQ(bytes.keptCount, lines.keptCount);
        EXPECT_EQ(bytes.emptyCount, lines.emptyCount);
        EXPECT_EQ(bytes.loneCrLineEnds, lines.loneCrLineEnds);
        fs::remove(folder_ / "bytes.txt");
        fs::remove(folder_ / "lines.txt");
    }
}

INSTANTIATE_TEST_SUITE_P(Options, Utf8RunTest,
                         testing::Combine(testing::Bool(), testing::Bool(), testing::Bool(),
                                          testing::Bool()));

} // namespace
