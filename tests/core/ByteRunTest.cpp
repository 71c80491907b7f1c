// The command line's job on lines kept as bytes must do exactly what it does on their UTF-16
// lines: the same outcome and the same bytes written, for random inputs (ASCII and Japanese,
// white space of every width, code page 932's and EUC-JP's codes that read as the same
// character as another, vendor and user-defined codes, CR, CR LF and lone CRs, empty and long
// lines, marks, malformed and cut-off bytes), one to three of them, in one encoding or several,
// under every option set (the options that make keys of the characters drawn anew each round).
#include "core/document/ByteRun.h"

#include "app/cli/DistinctLinesJob.h"
#include "core/encoding/EncodingChoices.h"
#include "tests/support/CanonicalReference.h"
#include "tests/support/SameJobFailure.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::u16string Path16(const fs::path& path) {
    const std::string bytes = path.string();
    return {bytes.begin(), bytes.end()};
}

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

// Pieces of text in one encoding, most of them well formed; the last ones are not.
struct Encoding {
    const char* name;
    int choice; // the encoding named on the command line
    std::vector<std::string> pieces;
    std::size_t malformed;
    const char* canonical = nullptr; // the codes read as another code's character
    std::string mark = "\xEF\xBB\xBF";
    std::string lineFeed = "\n";
};

// clang-format off
const Encoding kEncodings[] = {
    {"Utf8", static_cast<int>(kUtf8NoMarkChoice),
     {"a", "b", "ab", "\xE3\x81\x82", "\xE3\x82\xA2", " ", "\t", "\xE3\x80\x80", "\xC2\xA0",
      "\xC2\x85", "\xE2\x80\x8A", "\xE2\x80\x8B", "\xF0\x9F\x98\x80", "\r", "\n", "\r\n",
      "\n\n", "\xEF\xBB\xBF", "A", "\xEF\xBC\xA1", "\xEF\xBD\xB6", "\xEF\xBE\x9E", "\xFF",
      "\xED\xA0\x80", "\xE3\x81"}, 3},
    {"Cp932", static_cast<int>(kAnsiChoice),
     {"a", "ab", "\x82\xA0", "\x83\x41", "\xB1", " ", "\t", "\x81\x40", "\x80", "\xA0", "\xFD",
      "\xFF", "\xF0\x40", "A", "\x82\x60", "\xB6", "\xDE", "\r", "\n", "\r\n", "\n\n", "\x81",
      "\x85\x40", "\x82\x20"}, 3, TANDREL_CP932_TABLE_DIR "/cp932-canonical.tsv"},
    {"EucJp", static_cast<int>(kEucJpChoice),
     {"a", "ab", "\xA4\xA2", "\xA5\xA2", "\x8E\xB1", " ", "\t", "\xA1\xA1", "\x8F\xB0\xA1", "\x85",
      "\xF5\xA1", "A", "\xA3\xC1", "\x8E\xB6", "\x8E\xDE", "\r", "\n", "\r\n", "\n\n", "\xA4",
      "\x8F\xA1\xA1", "\x8E\x41", "\xFF"}, 4, TANDREL_EUCJP_TABLE_DIR "/eucjp-canonical.tsv"},
    // Units whose bytes hold those of LF and CR: U+4E0A, U+4E0D, U+0A0D, U+0D0A.
    {"Utf16LE", static_cast<int>(kUtf16LEChoice),
     {"a\0"s, "a\0b\0"s, "\x42\x30"s, "\xA2\x30"s, " \0"s, "\t\0"s, "\x00\x30"s, "\x0A\x4E"s,
      "\x0D\x4E"s, "\x0D\x0A"s, "\x0A\x0D"s, "\x00\xD8"s, "A\0"s, "\x21\xFF"s, "\x76\xFF"s, "\r\0"s,
      "\n\0"s, "\r\0\n\0"s, "\n\0\n\0"s, "\xFF\xFE"s, "\x0A"s}, 1, nullptr, "\xFF\xFE", "\n\0"s},
};
// clang-format on

// Both codes of each row of a table of codes that are not canonical, as pieces.
std::vector<std::string> CodePairs(const char* table) {
    std::vector<std::string> codes;
    for (const auto& [code, canonical] :
         table ? LoadCanonicalReference(table) : std::map<std::string, std::string>())
        codes.insert(codes.end(), {code, canonical});
    return codes;
}

std::string RandomInput(std::mt19937& random, const Encoding& encoding,
                        const std::vector<std::string>& pairs) {
    std::string text = random() % 8 == 0 ? encoding.mark : "";
    const bool malformed = random() % 8 == 0;
    const std::size_t pieces = encoding.pieces.size() - (malformed ? 0 : encoding.malformed);
    // Lines longer than the pieces the check takes, differing only in their last piece: long
    // keys that differ by a character, or that the options make equal.
    for (std::size_t n = random() % 10 == 0 ? 1 + random() % 3 : 0; n > 0; --n)
        text += std::string(70'000, 'x') + encoding.pieces[random() % pieces] + encoding.lineFeed;
    for (std::size_t n = random() % 60; n > 0; --n)
        text += !pairs.empty() && random() % 4 == 0 ? pairs[random() % pairs.size()]
                                                    : encoding.pieces[random() % pieces];
    return text;
}

// The encoding, and ignoreSpace, blankAsEmpty, keepEmpty, keepLast.
using Flags = std::tuple<std::size_t, bool, bool, bool, bool>;

class ByteRunTest : public testing::TestWithParam<Flags> {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tandrel-byte-run-" + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        KeepLinesAsBytes(true);
        fs::remove_all(folder_);
    }

    // The job on request, with the byte path on or off, and what it wrote.
    std::pair<JobOutcome, std::string> Run(JobRequest request, bool bytes) {
        const fs::path output = folder_ / (bytes ? "bytes.txt" : "lines.txt");
        request.output = Path16(output);
        KeepLinesAsBytes(bytes);
        const JobOutcome outcome = RunDistinctLinesJob(request, nullptr);
        return {outcome, Contents(output)};
    }

    fs::path folder_;
};

TEST_P(ByteRunTest, WritesWhatTheUtf16LinesWrite) {
    const auto [which, ignoreSpace, blankAsEmpty, keepEmpty, keepLast] = GetParam();
    const Encoding& encoding = kEncodings[which];
    const std::vector<std::string> pairs = CodePairs(encoding.canonical);
    std::mt19937 random(which +
                        4 * (ignoreSpace + 2 * blankAsEmpty + 4 * keepEmpty + 8 * keepLast));
    const int encodings[] = {-1, -1, encoding.choice, static_cast<int>(kUtf8Choice)};
    const int outputs[] = {-1,
                           -1,
                           static_cast<int>(kUtf8Choice),
                           static_cast<int>(kAnsiChoice),
                           static_cast<int>(kUtf16LEChoice),
                           static_cast<int>(kEucJpChoice)};
    for (int round = 0; round < 60; ++round) {
        JobRequest request;
        request.compare = {.ignoreSpace = ignoreSpace,
                           .ignoreWidth = random() % 4 == 0,
                           .ignoreKana = random() % 4 == 0,
                           .ignoreCase = random() % 4 == 0,
                           .blankAsEmpty = blankAsEmpty,
                           .keepEmpty = keepEmpty,
                           .keepLast = keepLast};
        request.inputEncoding = encodings[random() % std::size(encodings)];
        request.outputEncoding = outputs[random() % std::size(outputs)];
        request.lineEnd = static_cast<LineEndChoice>(random() % 3);
        request.counts = random() % 2;
        for (std::size_t i = 1 + random() % 3; i > 0; --i) {
            // Now and then an input of another encoding, which the guess may tell.
            const bool other = request.inputEncoding < 0 && random() % 4 == 0;
            const fs::path input = folder_ / ("in" + std::to_string(i) + ".txt");
            std::ofstream(input, std::ios::binary)
                << (other ? RandomInput(random, kEncodings[random() % std::size(kEncodings)], {})
                          : RandomInput(random, encoding, pairs));
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

INSTANTIATE_TEST_SUITE_P(Options, ByteRunTest,
                         testing::Combine(testing::Range<std::size_t>(0, std::size(kEncodings)),
                                          testing::Bool(), testing::Bool(), testing::Bool(),
                                          testing::Bool()));

} // namespace
