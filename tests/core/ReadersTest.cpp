// The three readers: byte-order marks, line ends and line rules, block boundaries, invalid
// input and the failure contract on the document state.
#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/StdioFile.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/ByteLines.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <tuple>

// An encoding by its list name, with the characters a test name cannot hold left out: "UTF16LE".
std::string TestName(const EncodingChoice& encoding) {
    std::string name;
    for (const char16_t c : encoding.itemText)
        if (c < 0x80 && std::isalnum(static_cast<unsigned char>(c)))
            name.push_back(static_cast<char>(c));
    return name;
}
void PrintTo(const EncodingChoice& encoding, std::ostream* out) {
    *out << TestName(encoding);
}

namespace {

constexpr std::size_t kBlock = CStdioFile::kReadBlockBytes;

using Reader = void (*)(std::u16string);

// One way to put text on disk and read it back: a reader and how its files look. The line
// rule tests run in every such way; they use ASCII content, which each form spells out
// directly (UTF-16LE: each byte becomes a unit, low byte first).
struct FileForm {
    const char* name;
    Reader reader;
    std::string mark;
    bool wide;

    friend void PrintTo(const FileForm& form, std::ostream* out) { *out << form.name; }

    std::string Encode(const std::string& ascii) const {
        std::string bytes = mark;
        for (const char c : ascii) {
            bytes.push_back(c);
            if (wide) {
                bytes.push_back('\0');
            }
        }
        return bytes;
    }
};

const Reader kAnsi = ReadAnsiLines;
const Reader kUtf8 = ReadUtf8Lines;
const Reader kUtf16LE = ReadUtf16LELines;

const FileForm kForms[] = {
    {"Ansi", kAnsi, "", false},
    {"Utf8WithMark", kUtf8, "\xEF\xBB\xBF", false},
    {"Utf8WithoutMark", kUtf8, "", false},
    {"Utf16LEWithMark", kUtf16LE, "\xFF\xFE", true},
    {"Utf16LEWithoutMark", kUtf16LE, "", true},
    // A mark decides over the reader's own encoding.
    {"Utf8FileByUtf16LEReader", kUtf16LE, "\xEF\xBB\xBF", false},
    {"Utf16LEFileByUtf8Reader", kUtf8, "\xFF\xFE", true},
};

class LineRulesTest : public TextFileTest, public ::testing::WithParamInterface<FileForm> {
protected:
    // Writes the content in the form under test, reads it back and checks the lines.
    void ExpectLines(const std::string& content, const Lines& expected) {
        WriteBytes("in.txt", GetParam().Encode(content));
        g_vFileLines = {u"left over from an earlier reading"};
        GetParam().reader(Path16("in.txt"));
        EXPECT_EQ(g_nError, 0);
        EXPECT_EQ(g_vFileLines, expected);
        EXPECT_EQ(g_nLineCount, static_cast<int>(expected.size()));
    }
};

TEST_P(LineRulesTest, EmptyFileHasNoLines) {
    ExpectLines("", {});
}

TEST_P(LineRulesTest, EmptyLinesCount) {
    ExpectLines("a\r\n\r\nb", {u"a", u"", u"b"});
    ExpectLines("\r\n", {u""});
    ExpectLines("\n\n", {u"", u""});
}

TEST_P(LineRulesTest, NothingAfterTheLastLineEnd) {
    ExpectLines("a\r\nb\r\n", {u"a", u"b"});
    ExpectLines("a\r\nb", {u"a", u"b"});
}

TEST_P(LineRulesTest, LoneLineFeedEndsALine) {
    ExpectLines("a\nb\n", {u"a", u"b"});
    ExpectLines("a\nb\r\nc", {u"a", u"b", u"c"});
}

TEST_P(LineRulesTest, CarriageReturnWithoutLineFeedIsACharacter) {
    ExpectLines("a\rb\rc", {u"a\rb\rc"});
    ExpectLines("a\r\r\nb", {u"a\r", u"b"});
    ExpectLines("a\r", {u"a\r"});
    ExpectLines("\r", {u"\r"});
    ExpectLines("\r\r\n\r", {u"\r", u"\r"});
}

TEST_P(LineRulesTest, CtrlZAndNulAreOrdinaryCharacters) {
    ExpectLines(std::string("a\x1A"
                            "b\r\nc\x1A",
                            7),
                {u"a\x1A"
                 u"b",
                 u"c\x1A"});
    ExpectLines(std::string("a\0b\r\n\0\r\n", 8),
                {std::u16string(u"a\0b", 3), std::u16string(1, u'\0')});
}

TEST_P(LineRulesTest, LinesHaveNoLengthLimit) {
    const std::string longLine(3 * kBlock + 5, 'x');
    ExpectLines("a\r\n" + longLine + "\r\nb", {u"a", std::u16string(longLine.size(), u'x'), u"b"});
}

TEST_F(TextFileTest, ShortLinesFirstDoNotReserveForTheWholeFile) {
    // A first block of empty lines, then one long line: a guess from the first block alone
    // would reserve an entry per byte of the long line.
    const std::string content = std::string(kBlock, '\n') + std::string(16 << 20, 'x');
    WriteBytes("in.txt", content);
    ReadAnsiLines(Path16("in.txt"));
    ASSERT_EQ(g_nError, 0);
    EXPECT_EQ(g_vFileLines.size(), kBlock + 1);
    EXPECT_EQ(g_vFileLines.back().size(), std::size_t{16 << 20});
    EXPECT_LE(g_vFileLines.capacity() * sizeof(std::u16string), 2 * content.size());
}

TEST_P(LineRulesTest, LineEndsAcrossBlockBoundaries) {
    // Lines of every length from 0 to 40 repeat until well past two blocks, so that a CR LF,
    // a lone CR and a lone LF each fall on a block boundary at some point in every form.
    std::string content;
    Lines expected;
    for (std::size_t length = 0; content.size() < 3 * kBlock; length = (length + 1) % 41) {
        const std::string line(length, static_cast<char>('a' + length % 26));
        // A CR at a line's end survives only before CR LF; before a lone LF it would be read
        // as part of the line end.
        const bool endsWithCr = length % 5 == 0;
        const char* end = length % 3 == 0 && !endsWithCr ? "\n" : "\r\n";
        const std::string withCr = endsWithCr ? line + "\r" : line;
        content += withCr + end;
        expected.push_back(std::u16string(withCr.begin(), withCr.end()));
    }
    ExpectLines(content, expected);
}

TEST_P(LineRulesTest, CrLfSplitExactlyAtTheFirstBlockEnd) {
    const FileForm& form = GetParam();
    const std::size_t unit = form.wide ? 2 : 1;
    // Characters before the CR so that the CR ends the first block and the LF starts the next.
    const std::size_t before = (kBlock - form.mark.size()) / unit - 1;
    const std::string line(before, 'x');
    ExpectLines(line + "\r\ny", {std::u16string(before, u'x'), u"y"});
    ExpectLines(line + "\ry\r\n", {std::u16string(before, u'x') + u"\ry"});
}

INSTANTIATE_TEST_SUITE_P(EveryForm, LineRulesTest, ::testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

// The byte-order-mark table, with the Japanese character U+3042 as the second line.
class ByteOrderMarkTest : public TextFileTest {
protected:
    Lines ReadWith(Reader reader, const std::string& bytes) {
        WriteBytes("in.txt", bytes);
        g_nError = 0;
        reader(Path16("in.txt"));
        EXPECT_EQ(g_nLineCount, static_cast<int>(g_vFileLines.size()));
        return g_nError == 0 ? g_vFileLines : Lines{u"(failed)"};
    }
};

TEST_F(ByteOrderMarkTest, Utf8MarkMeansUtf8ForBothMarkReaders) {
    const std::string file = Bytes({0xEF, 0xBB, 0xBF, 0x61, 0x0D, 0x0A, 0xE3, 0x81, 0x82});
    EXPECT_EQ(ReadWith(ReadUtf8Lines, file), (Lines{u"a", u"\u3042"}));
    EXPECT_EQ(ReadWith(ReadUtf16LELines, file), (Lines{u"a", u"\u3042"}));
}

TEST_F(ByteOrderMarkTest, Utf16LEMarkMeansUtf16LEForBothMarkReaders) {
    const std::string file = Bytes({0xFF, 0xFE, 0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x42, 0x30});
    EXPECT_EQ(ReadWith(ReadUtf8Lines, file), (Lines{u"a", u"\u3042"}));
    EXPECT_EQ(ReadWith(ReadUtf16LELines, file), (Lines{u"a", u"\u3042"}));
}

TEST_F(ByteOrderMarkTest, WithoutMarkEachReaderUsesItsOwnEncoding) {
    const std::string file = Bytes({0x61, 0x0D, 0x0A, 0xE3, 0x81, 0x82});
    EXPECT_EQ(ReadWith(ReadUtf8Lines, file), (Lines{u"a", u"\u3042"}));
    // As UTF-16LE the six bytes are the three units 0D61 E30A 8281: no line feed at all.
    EXPECT_EQ(ReadWith(ReadUtf16LELines, file), (Lines{u"\u0D61\uE30A\u8281"}));
}

TEST_F(ByteOrderMarkTest, MarkOnlyFileHasNoLines) {
    EXPECT_EQ(ReadWith(ReadUtf8Lines, Bytes({0xEF, 0xBB, 0xBF})), Lines{});
    EXPECT_EQ(ReadWith(ReadUtf16LELines, Bytes({0xEF, 0xBB, 0xBF})), Lines{});
    EXPECT_EQ(ReadWith(ReadUtf8Lines, Bytes({0xFF, 0xFE})), Lines{});
    EXPECT_EQ(ReadWith(ReadUtf16LELines, Bytes({0xFF, 0xFE})), Lines{});
}

TEST_F(ByteOrderMarkTest, AnsiReaderRecognisesNoMark) {
    // FF and FE are Windows' own single bytes U+F8F3 and U+F8F2; EF starts no valid pair.
    EXPECT_EQ(ReadWith(ReadAnsiLines, Bytes({0xFF, 0xFE, 0x61})), (Lines{u"\uF8F3\uF8F2a"}));
    EXPECT_EQ(ReadWith(ReadAnsiLines, Bytes({0xEF, 0xBB, 0xBF, 0x61})), (Lines{u"(failed)"}));
}

TEST_F(ByteOrderMarkTest, BigEndianMarkIsNoMark) {
    const std::string file = Bytes({0xFE, 0xFF, 0x61, 0x00});
    EXPECT_EQ(ReadWith(ReadUtf16LELines, file), (Lines{u"\uFFFEa"}));
    EXPECT_EQ(ReadWith(ReadUtf8Lines, file), (Lines{u"(failed)"}));
}

TEST_F(ByteOrderMarkTest, MarkElsewhereIsAnOrdinaryCharacter) {
    EXPECT_EQ(ReadWith(ReadUtf8Lines, Bytes({0x61, 0xEF, 0xBB, 0xBF, 0x0A, 0xEF, 0xBB, 0xBF})),
              (Lines{u"a\uFEFF", u"\uFEFF"}));
    // A mark is consumed once; a second one right behind it is text.
    EXPECT_EQ(ReadWith(ReadUtf16LELines, Bytes({0xFF, 0xFE, 0xFF, 0xFE})), (Lines{u"\uFEFF"}));
}

TEST_F(ByteOrderMarkTest, IncompleteMarkIsNoMark) {
    EXPECT_EQ(ReadWith(ReadUtf16LELines, Bytes({0xEF, 0xBB})), (Lines{u"\uBBEF"}));
    EXPECT_EQ(ReadWith(ReadUtf8Lines, Bytes({0xEF, 0xBB})), (Lines{u"(failed)"}));
}

// Characters whose bytes look like parts of a line end must not end a line.
TEST_F(ByteOrderMarkTest, Utf16LEUnitsHoldingLineEndBytesAreNoLineEnds) {
    // U+0A0D (bytes 0D 0A), U+0D0A (0A 0D), U+0A00 (00 0A), U+300A (0A 30).
    const std::string file =
        Bytes({0xFF, 0xFE, 0x0D, 0x0A, 0x0A, 0x0D, 0x00, 0x0A, 0x0A, 0x30, 0x0A, 0x00, 0x62, 0x00});
    EXPECT_EQ(ReadWith(ReadUtf16LELines, file), (Lines{u"\u0A0D\u0D0A\u0A00\u300A", u"b"}));
}

TEST_F(ByteOrderMarkTest, Cp932PairsAcrossTheFirstBlockEnd) {
    // 'x's up to one byte before the block end, then U+3042 (82 A0) straddling it.
    std::string file(kBlock - 1, 'x');
    file += Bytes({0x82, 0xA0, 0x0D, 0x0A, 0x82, 0xA0});
    EXPECT_EQ(ReadWith(ReadAnsiLines, file),
              (Lines{std::u16string(kBlock - 1, u'x') + u"\u3042", u"\u3042"}));
}

TEST_F(ByteOrderMarkTest, Utf8SequencesAcrossTheFirstBlockEnd) {
    for (std::size_t back = 1; back <= 3; ++back) {
        std::string file = Bytes({0xEF, 0xBB, 0xBF}) + std::string(kBlock - 3 - back, 'x');
        file += Bytes({0xE3, 0x81, 0x82, 0xF0, 0x9F, 0x98, 0x80});
        EXPECT_EQ(ReadWith(ReadUtf8Lines, file),
                  (Lines{std::u16string(kBlock - 3 - back, u'x') + u"\u3042\U0001F600"}))
            << back;
    }
}

// Invalid input is a failed reading; the complete lines before it stay.
class InvalidInputTest : public TextFileTest {
protected:
    void ExpectFailureAfter(std::size_t encoding, const std::string& bytes, const Lines& before) {
        const EncodingChoice& choice = kEncodingChoices[encoding];
        WriteBytes("in.txt", bytes);
        g_nError = 0;
        ReadEncodedLines(choice, Path16("in.txt"));
        EXPECT_EQ(g_nError, 1);
        EXPECT_EQ(g_vFileLines, before);
        EXPECT_EQ(g_nLineCount, static_cast<int>(before.size()));

        Lines lines;
        std::size_t count = 0;
        EXPECT_EQ(ReadTextFile(Path16("in.txt"), choice, lines, count).failure,
                  FileFailure::kInvalidBytes);
        EXPECT_EQ(lines, before);
    }
};

TEST_F(InvalidInputTest, IllFormedUtf8) {
    const std::string bad[] = {
        Bytes({0x80}),                   // continuation byte without a lead
        Bytes({0xBF}),                   //
        Bytes({0xC0, 0x80}),             // overlong NUL
        Bytes({0xC1, 0xBF}),             // overlong U+007F
        Bytes({0xE0, 0x80, 0x80}),       // overlong
        Bytes({0xE0, 0x9F, 0xBF}),       // overlong U+07FF
        Bytes({0xED, 0xA0, 0x80}),       // encoded surrogate U+D800
        Bytes({0xED, 0xBF, 0xBF}),       // encoded surrogate U+DFFF
        Bytes({0xF0, 0x8F, 0xBF, 0xBF}), // overlong U+FFFF
        Bytes({0xF4, 0x90, 0x80, 0x80}), // U+110000
        Bytes({0xF5, 0x80, 0x80, 0x80}), // lead byte beyond U+10FFFF
        Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}),
        Bytes({0xF8, 0x90, 0x80, 0x80}), // would be U+10000 if F8 were a lead byte
        Bytes({0xFA, 0xA4, 0xBE, 0xA4}), //
        Bytes({0xFF, 0x90, 0x80, 0x80}), //
        Bytes({0xFE}),
        Bytes({0xFF}),
        Bytes({0xC3, 0x41}),             // lead byte followed by ASCII
        Bytes({0xE3, 0x81, 0x41}),       //
        Bytes({0xF0, 0x9F, 0x98, 0x41}), //
        Bytes({0xE3, 0x81}),             // cut off by the line end
        Bytes({0xF0, 0x9F, 0x98}),       //
    };
    for (const std::string& sequence : bad) {
        SCOPED_TRACE(::testing::PrintToString(sequence));
        ExpectFailureAfter(kUtf8Choice, "one\r\ntwo\r\nx" + sequence + "y\r\nthree\r\n",
                           {u"one", u"two"});
        ExpectFailureAfter(kUtf8Choice, "one\r\n" + sequence, {u"one"}); // cut off by the end
    }
}

TEST_F(InvalidInputTest, WellFormedUtf8AtTheEdgesOfEachForm) {
    const std::pair<std::string, std::u16string> good[] = {
        {Bytes({0x7F}), u"\u007F"},
        {Bytes({0xC2, 0x80}), u"\u0080"},
        {Bytes({0xDF, 0xBF}), u"\u07FF"},
        {Bytes({0xE0, 0xA0, 0x80}), u"\u0800"},
        {Bytes({0xED, 0x9F, 0xBF}), u"\uD7FF"},
        {Bytes({0xEE, 0x80, 0x80}), u"\uE000"},
        {Bytes({0xEF, 0xBF, 0xBF}), u"\uFFFF"},
        {Bytes({0xF0, 0x90, 0x80, 0x80}), u"\xD800\xDC00"},
        {Bytes({0xF4, 0x8F, 0xBF, 0xBF}), u"\xDBFF\xDFFF"},
    };
    for (const auto& [bytes, text] : good) {
        WriteBytes("in.txt", "a\r\n" + bytes + "\r\n" + bytes);
        ReadUtf8Lines(Path16("in.txt"));
        EXPECT_EQ(g_nError, 0);
        EXPECT_EQ(g_vFileLines, (Lines{u"a", text, text}));
    }
}

TEST_F(InvalidInputTest, Cp932LeadByteWithoutValidTrail) {
    // 81 stands before CR, 7F and FD (no trail bytes), and at the very end of the file.
    ExpectFailureAfter(kAnsiChoice, "a\r\n" + Bytes({0x81, 0x0D, 0x0A}), {u"a"});
    ExpectFailureAfter(kAnsiChoice, "a\r\n" + Bytes({0x81, 0x7F}) + "\r\nb", {u"a"});
    ExpectFailureAfter(kAnsiChoice, "a\r\n" + Bytes({0x81, 0xFD}), {u"a"});
    ExpectFailureAfter(kAnsiChoice, "a\r\nb" + Bytes({0x81}), {u"a"});
    ExpectFailureAfter(kAnsiChoice, "a\r\nb" + Bytes({0x81, 0x0A}), {u"a"});
}

TEST_F(InvalidInputTest, Cp932UndefinedCodes) {
    // 81 AD lies in a gap of a defined row; 85, 86, EB, EC and EF start no code at all.
    for (const unsigned lead : {0x85u, 0x86u, 0xEBu, 0xECu, 0xEFu}) {
        ExpectFailureAfter(kAnsiChoice, "a\r\n" + Bytes({lead, 0x40}) + "\r\n", {u"a"});
    }
    ExpectFailureAfter(kAnsiChoice, "a\r\n" + Bytes({0x81, 0xAD}), {u"a"});
}

TEST_F(InvalidInputTest, Utf16LEOddLastByte) {
    ExpectFailureAfter(kUtf16LEChoice,
                       Bytes({0xFF, 0xFE, 0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x62}), {u"a"});
    ExpectFailureAfter(kUtf16LEChoice, Bytes({0x61, 0x00, 0x62}), {});
    ExpectFailureAfter(kUtf8Choice, Bytes({0xFF, 0xFE, 0x61}), {});
}

TEST_F(InvalidInputTest, Utf16LEUnpairedSurrogatesAreKept) {
    WriteBytes("in.txt",
               Bytes({0xFF, 0xFE, 0x00, 0xD8, 0x61, 0x00, 0x00, 0xDC, 0x0A, 0x00, 0x00, 0xDC}));
    ReadUtf16LELines(Path16("in.txt"));
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(g_vFileLines, (Lines{u"\xD800"
                                   u"a\xDC00",
                                   u"\xDC00"}));
}

// Open decodes many lines a call, or keeps UTF-8 lines as their bytes; TextFileLines decodes one
// line a call. Over random files with every line end, lines longer than a block and undecodable
// bytes beside the blocks' edges, all give the same lines, line ends, failure, line and byte.
class LinesReadTogetherTest : public TextFileTest,
                              public ::testing::WithParamInterface<EncodingChoice> {};

TEST_P(LinesReadTogetherTest, GiveWhatLinesReadOneByOneGive) {
    const std::u16string pieces[] = {u"ab", u" ", u"\u3042", u"\u6f22", u"\r", u"\r\n", u"\n"};
    const bool pairs = GetParam().codec != &kCp932Codec && GetParam().codec != &kEucJpCodec;
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        std::u16string text;
        while (text.size() < 200'000) {
            if (random() % 40 == 0)
                text += std::u16string(kBoxRowUnits - 3 + random() % 3, u'\u6f22') +
                        (pairs ? u"\U0001F600" : u"ab");
            for (int k = random() % 300 == 0 ? 40'000 : random() % 12; k > 0; --k)
                text += pieces[random() % 5];
            text += pieces[5 + random() % 2];
        }
        ASSERT_TRUE(WriteTextFile(Path16("in.txt"), GetParam(), text, LineEnd::kLf).Succeeded());
        std::string bytes = ReadBytes("in.txt");
        // After a line feed, so that no character takes the bytes in; an odd count for UTF-16LE.
        const std::size_t edge = (1 + random() % 5) * 64 * 1024 + random() % 5 - 2;
        const std::size_t at = bytes.find('\n', round % 4 == 1 ? edge : random() % bytes.size());
        if (round % 2 == 1)
            bytes.insert(std::min(at + 1, bytes.size()), "\x81\n\xFF"); // each fails one
        WriteBytes("in.txt", bytes);
        // UTF-8 that reads through is kept as its bytes, the rest read again as units.
        const FileLines together = ReadFileLines(Path16("in.txt"), GetParam(), nullptr);
        EXPECT_EQ(together.lines.HoldsBytes(), GetParam().codec == &kUtf8Codec && round % 2 == 0);
        KeepLinesAsBytes(false);
        const FileLines asUnits = ReadFileLines(Path16("in.txt"), GetParam(), nullptr);
        KeepLinesAsBytes(true);
        ASSERT_EQ(asUnits.lines, together.lines);
        EXPECT_EQ(std::tie(asUnits.lineEnds.crLf, asUnits.lineEnds.lf),
                  std::tie(together.lineEnds.crLf, together.lineEnds.lf));
        TextFileLines reader(Path16("in.txt"), GetParam(), nullptr);
        std::vector<std::u16string> oneByOne(1);
        FileResult alone;
        try {
            while (reader.Next(oneByOne.back()))
                oneByOne.emplace_back();
        } catch (const CException& e) {
            alone = e.Result();
        }
        oneByOne.pop_back();
        const FileResult& result = together.result;
        ASSERT_EQ(together.lines, oneByOne) << round;
        EXPECT_EQ(result.failure, round % 2 ? FileFailure::kInvalidBytes : FileFailure::kNone);
        EXPECT_EQ(std::tie(result.failure, result.position, result.line),
                  std::tie(alone.failure, alone.position, alone.line));
        EXPECT_TRUE(round % 2 || (together.lineEnds.crLf == reader.LineEnds().crLf &&
                                  together.lineEnds.lf == reader.LineEnds().lf));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryReader, LinesReadTogetherTest, ::testing::ValuesIn(kEncodingChoices),
                         [](const auto& info) { return TestName(info.param); });

// What a failed opening leaves: the previous lines, and a count of 0.
class OpenFailureTest : public TextFileTest, public ::testing::WithParamInterface<EncodingChoice> {
protected:
    void ExpectUntouched(const std::u16string& path, FileFailure why) {
        g_vFileLines = {u"earlier", u"lines"};
        g_nLineCount = 2;
        g_nError = 0;
        ReadEncodedLines(GetParam(), path);
        EXPECT_EQ(g_nError, 1);
        EXPECT_EQ(g_nLineCount, 0);
        EXPECT_EQ(g_vFileLines, (Lines{u"earlier", u"lines"}));

        std::size_t count = 1;
        EXPECT_EQ(ReadTextFile(path, GetParam(), g_vFileLines, count).failure, why);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(g_vFileLines, (Lines{u"earlier", u"lines"}));
    }
};

TEST_P(OpenFailureTest, MissingFile) {
    ExpectUntouched(Path16("missing.txt"), FileFailure::kNotFound);
}
TEST_P(OpenFailureTest, MissingFolder) {
    ExpectUntouched(Path16("missing/in.txt"), FileFailure::kNotFound);
}
TEST_P(OpenFailureTest, Folder) {
    ExpectUntouched(ToU16(folder_), FileFailure::kNotRegularFile);
}
// Neither may keep the window waiting: a FIFO without a writer, a device without an end.
TEST_P(OpenFailureTest, FifoAndDevice) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    ExpectUntouched(Path16("fifo"), FileFailure::kNotRegularFile);
    ExpectUntouched(u"/dev/zero", FileFailure::kNotRegularFile);
}
TEST_P(OpenFailureTest, EmptyPath) {
    ExpectUntouched(u"", FileFailure::kBadPath);
}

TEST_P(OpenFailureTest, PathThatCannotBeConverted) {
    WriteBytes("in.txt", "a");
    ExpectUntouched(Path16("in.txt") + u"\xD800", FileFailure::kBadPath);
    ExpectUntouched(Path16("in.txt") + std::u16string(1, u'\0') + u"x", FileFailure::kBadPath);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, OpenFailureTest, ::testing::ValuesIn(kEncodingChoices),
                         [](const auto& info) { return TestName(info.param); });

TEST_F(TextFileTest, ReaderFindsAFileByItsJapaneseName) {
    WriteBytes("\xE6\x97\xA5\xE6\x9C\xAC.txt", "a\r\n"); // 日本.txt
    ReadAnsiLines(ToU16(folder_ + "/") + u"\u65E5\u672C.txt");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(g_vFileLines, Lines{u"a"});
}

TEST_F(TextFileTest, SuccessLeavesTheFailureFlagAlone) {
    WriteBytes("in.txt", "a\r\n");
    g_nError = 1; // clearing it is the calling command's duty, not the reader's
    ReadUtf8Lines(Path16("in.txt"));
    EXPECT_EQ(g_nError, 1);
    EXPECT_EQ(g_vFileLines, Lines{u"a"});
}

} // namespace
