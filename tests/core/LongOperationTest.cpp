// The readers and writers as the window runs them on a worker thread: on lists of their own,
// and stopping when asked without leaving anything behind.
#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/JoinLines.h"
#include "core/base/OperationProgress.h"

namespace {

struct Form {
    const char* name;
    void (*write)(std::u16string, std::u16string);
    EncodingChoice encoding;
    friend void PrintTo(const Form& form, std::ostream* out) { *out << form.name; }
};

const Form kForms[] = {
    {"Ansi", WriteAnsiText, kEncodingChoices[kAnsiChoice]},
    {"Utf8", WriteUtf8Text, kEncodingChoices[kUtf8Choice]},
    {"Utf16LE", WriteUtf16LEText, kEncodingChoices[kUtf16LEChoice]},
};

class LongOperationTest : public TextFileTest, public ::testing::WithParamInterface<Form> {
protected:
    // Enough lines to fill several of the writer's chunks and the reader's blocks.
    static Lines ManyLines() {
        Lines lines;
        for (int i = 0; i < 60000; ++i)
            lines.push_back(u"\u3042 line " + ToU16(std::to_string(i % 7000)) + u"\r");
        return lines;
    }
};

TEST_P(LongOperationTest, WritingLinesGivesTheBytesOfWritingTheirJoinedText) {
    const Lines lines = ManyLines();
    GetParam().write(Path16("joined.txt"), JoinLines(lines, lines.size(), u"\n"));
    OperationProgress progress;
    ASSERT_TRUE(
        WriteFileLines(Path16("lines.txt"), GetParam().encoding, lines, &progress).Succeeded());
    EXPECT_EQ(ReadBytes("lines.txt"), ReadBytes("joined.txt"));
    EXPECT_EQ(progress.Filled(), OperationProgress::kWhole);
    EXPECT_EQ(WriteFileLines(u"", GetParam().encoding, lines, nullptr).failure,
              FileFailure::kBadPath);
}

TEST_P(LongOperationTest, ReadingIntoOwnListLeavesTheDocumentAlone) {
    const Lines lines = ManyLines();
    ASSERT_TRUE(WriteFileLines(Path16("in.txt"), GetParam().encoding, lines, nullptr).Succeeded());
    g_vFileLines = {u"before"};
    FileLines file = ReadFileLines(Path16("in.txt"), GetParam().encoding, nullptr);
    EXPECT_TRUE(file.opened);
    EXPECT_TRUE(file.result.Succeeded());
    EXPECT_EQ(file.lines, lines);
    EXPECT_EQ(g_vFileLines, Lines{u"before"});

    CommitFileLines(std::move(file));
    EXPECT_EQ(g_vFileLines, lines);
    EXPECT_EQ(g_nLineCount, static_cast<int>(lines.size()));
    EXPECT_EQ(g_nError, 0);
}

TEST_P(LongOperationTest, LinesSeenWhileReadingStayAsTheyAreReadInTheEnd) {
    Lines lines;
    for (std::size_t i = 0; i < 2 * kLinesPerSight + 5; ++i)
        lines.push_back(u"\u3042 " + ToU16(std::to_string(i % 9000)));
    ASSERT_TRUE(WriteFileLines(Path16("in.txt"), GetParam().encoding, lines, nullptr).Succeeded());
    std::vector<std::pair<std::vector<std::u16string_view>, double>> seen;
    const FileLines file = ReadFileLines(
        Path16("in.txt"), GetParam().encoding, nullptr, [&](const LineList& sofar, double share) {
            seen.emplace_back(std::vector<std::u16string_view>(sofar.begin(), sofar.end()), share);
        });
    // A file whose lines are kept as bytes offers none: they are there only at the end.
    ASSERT_TRUE(file.result.Succeeded() && file.lines == lines);
    ASSERT_EQ(seen.size(), file.lines.HoldsBytes() ? 0 : 2);
    for (const auto& [views, share] : seen) {
        EXPECT_TRUE(std::equal(views.begin(), views.end(), file.lines.begin(), [](auto a, auto b) {
            return a.data() == b.data() && a.size() == b.size(); // where they were
        }));
        EXPECT_NEAR(share * lines.size(), views.size(), lines.size() / 100.0);
    }
}

TEST_P(LongOperationTest, CancelledWriteLeavesTheTargetAndNoOtherFile) {
    WriteBytes("target.txt", "old");
    OperationProgress progress;
    progress.RequestCancel();
    EXPECT_THROW(WriteFileLines(Path16("target.txt"), GetParam().encoding, ManyLines(), &progress),
                 OperationCancelled);
    EXPECT_EQ(ReadBytes("target.txt"), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"target.txt"});
}

TEST_P(LongOperationTest, CancelledReadStops) {
    const Lines lines = ManyLines();
    ASSERT_TRUE(WriteFileLines(Path16("in.txt"), GetParam().encoding, lines, nullptr).Succeeded());
    OperationProgress progress;
    progress.RequestCancel();
    EXPECT_THROW(ReadFileLines(Path16("in.txt"), GetParam().encoding, &progress),
                 OperationCancelled);
}

INSTANTIATE_TEST_SUITE_P(EveryEncoding, LongOperationTest, ::testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
