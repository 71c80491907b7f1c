// The readers and writers as the window runs them on a worker thread: on lists of their own,
// and stopping when asked without leaving anything behind.
#include "TextFileFixture.h"
#include "core/base/OperationProgress.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/ByteLines.h"
#include "core/lines/JoinLines.h"
#include "core/lines/LineBytes.h"

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

// What a reader offers while it reads: views of the lines of units, copies of the bytes.
struct SeenLines final : LinesSoFar {
    struct Bytes {
        std::shared_ptr<const LineBytes> source; // null: dropped
        std::string text;
        std::size_t lines = 0;
        double share = 0;
    };
    std::vector<std::pair<std::vector<std::u16string_view>, double>> units;
    std::vector<Bytes> bytes;

    void Offer(const LineList& sofar, double share) override {
        units.emplace_back(std::vector<std::u16string_view>(sofar.begin(), sofar.end()), share);
    }
    void Offer(std::shared_ptr<const LineBytes> sofar, double share) override {
        Bytes seen{sofar, {}, 0, share};
        if (sofar) {
            seen.text = sofar->Text();
            seen.lines = sofar->Lines();
        }
        bytes.push_back(std::move(seen));
    }
};

TEST_P(LongOperationTest, LinesSeenWhileReadingStayAsTheyAreReadInTheEnd) {
    Lines lines;
    for (std::size_t i = 0; i < 2 * kLinesPerSight + 5; ++i)
        lines.push_back(u"\u3042 " + ToU16(std::to_string(i % 9000)));
    ASSERT_TRUE(WriteFileLines(Path16("in.txt"), GetParam().encoding, lines, nullptr).Succeeded());
    SeenLines seen;
    const FileLines file = ReadFileLines(Path16("in.txt"), GetParam().encoding, nullptr, &seen);
    ASSERT_TRUE(file.result.Succeeded() && file.lines == lines);
    // Lines kept as bytes are offered as bytes, the same object throughout, each time a
    // beginning of what they are in the end; the others as views of where they stay.
    ASSERT_EQ(seen.bytes.size(), file.lines.HoldsBytes() ? 2 : 0);
    ASSERT_EQ(seen.units.size(), file.lines.HoldsBytes() ? 0 : 2);
    for (const SeenLines::Bytes& bytes : seen.bytes) {
        EXPECT_EQ(bytes.source.get(), &file.lines.ByteSource());
        EXPECT_TRUE(file.lines.ByteSource().Text().starts_with(bytes.text));
        EXPECT_EQ(bytes.text.size(), file.lines.ByteSource().Start(bytes.lines));
        EXPECT_NEAR(bytes.share * lines.size(), bytes.lines, lines.size() / 100.0);
    }
    for (const auto& [views, share] : seen.units) {
        EXPECT_TRUE(std::equal(views.begin(), views.end(), file.lines.begin(), [](auto a, auto b) {
            return a.data() == b.data() && a.size() == b.size(); // where they were
        }));
        EXPECT_NEAR(share * lines.size(), views.size(), lines.size() / 100.0);
    }
}

// A UTF-8 file whose fault comes after lines were offered as bytes drops them, and offers the
// lines again as units from the first, as it reads the file again to find the fault.
class LinesSeenWhileReading : public TextFileTest {};

TEST_F(LinesSeenWhileReading, BytesOfAFileFoundNotUtf8AreDroppedBeforeItsUnits) {
    if (!KeepsLinesAsBytes())
        GTEST_SKIP() << "lines are not kept as bytes";
    std::string text;
    for (std::size_t i = 0; i < 3 * kLinesPerSight; ++i)
        text += "\xE3\x81\x82 " + std::to_string(i) + "\r\n";
    text += "\xFF\r\n";
    WriteBytes("bad.txt", text);
    SeenLines seen;
    const FileLines file =
        ReadFileLines(Path16("bad.txt"), kEncodingChoices[kUtf8Choice], nullptr, &seen);
    EXPECT_FALSE(file.result.Succeeded());
    ASSERT_GE(seen.bytes.size(), 2U);
    EXPECT_EQ(seen.bytes.back().source, nullptr);
    ASSERT_FALSE(seen.units.empty());
    EXPECT_EQ(seen.units.front().first.front(), u"\u3042 0");
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
