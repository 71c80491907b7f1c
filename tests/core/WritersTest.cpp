// The three writers: the bytes they write, and what a failed write leaves behind (nothing:
// the target stays as it was and no temporary file remains).
#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/BoxTextCodec.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Writer = void (*)(std::u16string, std::u16string);

struct WriterCase {
    const char* name;
    Writer writer;
    std::string mark;
    EncodingChoice encoding;
    friend void PrintTo(const WriterCase& form, std::ostream* out) { *out << form.name; }
};

const WriterCase kWriters[] = {
    {"Ansi", WriteAnsiText, "", kEncodingChoices[kAnsiChoice]},
    {"Utf8", WriteUtf8Text, "\xEF\xBB\xBF", kEncodingChoices[kUtf8Choice]},
    {"Utf16LE", WriteUtf16LEText, "\xFF\xFE", kEncodingChoices[kUtf16LEChoice]},
    {"Utf8NoMark", WriteUtf8NoMarkText, "", kEncodingChoices[kUtf8NoMarkChoice]},
    {"EucJp", WriteEucJpText, "", kEncodingChoices[kEucJpChoice]},
};

TEST_F(TextFileTest, TwoLineExampleInEachEncoding) {
    const std::u16string text = u"a\n\u3042\n";
    WriteAnsiText(Path16("ansi.txt"), text);
    WriteUtf8Text(Path16("utf8.txt"), text);
    WriteUtf16LEText(Path16("utf16.txt"), text);
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("ansi.txt"), Bytes({0x61, 0x0D, 0x0A, 0x82, 0xA0, 0x0D, 0x0A}));
    EXPECT_EQ(ReadBytes("utf8.txt"),
              Bytes({0xEF, 0xBB, 0xBF, 0x61, 0x0D, 0x0A, 0xE3, 0x81, 0x82, 0x0D, 0x0A}));
    EXPECT_EQ(ReadBytes("utf16.txt"), Bytes({0xFF, 0xFE, 0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x42,
                                             0x30, 0x0D, 0x00, 0x0A, 0x00}));
    // The added encodings, as Python's codecs write the same text.
    WriteUtf8NoMarkText(Path16("utf8-nomark.txt"), text);
    WriteEucJpText(Path16("euc.txt"), text);
    EXPECT_EQ(ReadBytes("utf8-nomark.txt"),
              Bytes({0x61, 0x0D, 0x0A, 0xE3, 0x81, 0x82, 0x0D, 0x0A}));
    EXPECT_EQ(ReadBytes("euc.txt"), Bytes({0x61, 0x0D, 0x0A, 0xA4, 0xA2, 0x0D, 0x0A}));

    // Each reads back as the two lines with its own reader, and the two marked files with
    // the other marked reader as well.
    const std::pair<void (*)(std::u16string), const char*> readBacks[] = {
        {ReadAnsiLines, "ansi.txt"},       {ReadUtf8Lines, "utf8.txt"},
        {ReadUtf16LELines, "utf8.txt"},    {ReadUtf16LELines, "utf16.txt"},
        {ReadUtf8Lines, "utf16.txt"},      {ReadUtf8NoMarkLines, "utf8-nomark.txt"},
        {ReadUtf8NoMarkLines, "utf8.txt"}, {ReadEucJpLines, "euc.txt"},
    };
    for (const auto& [reader, name] : readBacks) {
        g_vFileLines.clear();
        reader(Path16(name));
        EXPECT_EQ(g_nError, 0) << name;
        EXPECT_EQ(g_vFileLines, (Lines{u"a", u"\u3042"})) << name;
        EXPECT_EQ(g_nLineCount, 2) << name;
    }
}

class WriterTest : public TextFileTest, public ::testing::WithParamInterface<WriterCase> {
protected:
    void Write(const std::string& name, const std::u16string& text) {
        GetParam().writer(Path16(name), text);
    }
    // Bytes of ASCII text in the writer's encoding, mark included.
    std::string Expected(const std::string& ascii) const {
        std::string bytes = GetParam().mark;
        for (const char c : ascii) {
            bytes.push_back(c);
            if (GetParam().writer == WriteUtf16LEText) {
                bytes.push_back('\0');
            }
        }
        return bytes;
    }
};

TEST_P(WriterTest, EachLineFeedBecomesCrLfAndNothingIsAdded) {
    Write("out.txt", u"a\nb");
    EXPECT_EQ(ReadBytes("out.txt"), Expected("a\r\nb"));
    Write("out.txt", u"\n\na\r\n\r");
    EXPECT_EQ(ReadBytes("out.txt"), Expected("\r\n\r\na\r\r\n\r"));
    EXPECT_EQ(g_nError, 0);
}

TEST_P(WriterTest, WithLfEachLineFeedStaysAlone) {
    EXPECT_TRUE(WriteTextFile(Path16("out.txt"), GetParam().encoding, u"a\n\nb\r\n", LineEnd::kLf)
                    .Succeeded());
    EXPECT_EQ(ReadBytes("out.txt"), Expected("a\n\nb\r\n"));
}

TEST_P(WriterTest, EmptyTextLeavesOnlyTheMark) {
    Write("out.txt", u"");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("out.txt"), GetParam().mark);
}

TEST_P(WriterTest, CtrlZAndNulAreWritten) {
    Write("out.txt", std::u16string(u"a\x1A\0b\n", 5));
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("out.txt"), Expected(std::string("a\x1A\0b\r\n", 6)));
}

TEST_P(WriterTest, ReplacesAnExistingFileCompletely) {
    WriteBytes("out.txt", std::string(100000, 'z'));
    Write("out.txt", u"a\n");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("out.txt"), Expected("a\r\n"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

TEST_P(WriterTest, LongTextIsWrittenWhole) {
    // Several megabytes, so that the text is written in many pieces.
    std::u16string text;
    std::string ascii;
    for (int i = 0; ascii.size() < 3'000'000; ++i) {
        const std::string line =
            std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), 'q');
        ascii += line + "\r\n";
        text += std::u16string(line.begin(), line.end()) + u"\n";
    }
    Write("out.txt", text);
    EXPECT_EQ(g_nError, 0);
    EXPECT_TRUE(ReadBytes("out.txt") == Expected(ascii));
}

TEST_P(WriterTest, KeepsThePermissionBitsOfTheFileItReplaces) {
    WriteBytes("out.txt", "old");
    ASSERT_EQ(chmod(Path("out.txt").c_str(), 0640), 0);
    Write("out.txt", u"a\n");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(PermissionBits(Path("out.txt")), 0640u);
    ASSERT_EQ(chmod(Path("out.txt").c_str(), 0604), 0);
    Write("out.txt", u"b\n");
    EXPECT_EQ(PermissionBits(Path("out.txt")), 0604u);
    EXPECT_EQ(ReadBytes("out.txt"), Expected("b\r\n"));
}

TEST_P(WriterTest, NewFileGetsTheUsualPermissions) {
    const mode_t previous = umask(022);
    Write("new.txt", u"a\n");
    umask(027);
    Write("other.txt", u"a\n");
    umask(previous);
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(PermissionBits(Path("new.txt")), 0644u);
    EXPECT_EQ(PermissionBits(Path("other.txt")), 0640u);
}

TEST_P(WriterTest, WritesThroughASymbolicLink) {
    ASSERT_EQ(mkdir(Path("real").c_str(), 0755), 0);
    WriteBytes("real/target.txt", "old");
    ASSERT_EQ(chmod(Path("real/target.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink("real/target.txt", Path("relative-link").c_str()), 0);
    ASSERT_EQ(symlink(Path("relative-link").c_str(), Path("absolute-link").c_str()), 0);

    Write("absolute-link", u"a\n");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("real/target.txt"), Expected("a\r\n"));
    EXPECT_EQ(PermissionBits(Path("real/target.txt")), 0600u);
    struct stat status {};
    ASSERT_EQ(lstat(Path("absolute-link").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(lstat(Path("relative-link").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"absolute-link", "real", "relative-link"}));
}

TEST_P(WriterTest, DanglingLinkCreatesTheFileItNames) {
    ASSERT_EQ(symlink("created.txt", Path("link").c_str()), 0);
    Write("link", u"a\n");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("created.txt"), Expected("a\r\n"));
}

TEST_P(WriterTest, FileWithAJapaneseName) {
    GetParam().writer(ToU16(folder_ + "/") + u"\u7D50\u679C.txt", u"a\n"); // 結果.txt
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("\xE7\xB5\x90\xE6\x9E\x9C.txt"), Expected("a\r\n"));
}

// Failures: the flag is set, the target (if any) keeps its bytes, nothing new is left.
class WriterFailureTest : public WriterTest {
protected:
    void ExpectFailure(const std::u16string& path, FileFailure why) {
        g_nError = 0;
        GetParam().writer(path, u"a\n");
        EXPECT_EQ(g_nError, 1);
        EXPECT_EQ(WriteTextFile(path, GetParam().encoding, u"a\n").failure, why);
    }
};

TEST_P(WriterFailureTest, EmptyPath) {
    ExpectFailure(u"", FileFailure::kBadPath);
    EXPECT_EQ(Entries(), std::vector<std::string>{});
}

TEST_P(WriterFailureTest, PathThatCannotBeConverted) {
    ExpectFailure(Path16("out") + u"\xDC00.txt", FileFailure::kBadPath);
    ExpectFailure(Path16("out") + std::u16string(1, u'\0') + u".txt", FileFailure::kBadPath);
    EXPECT_EQ(Entries(), std::vector<std::string>{});
}

TEST_P(WriterFailureTest, FolderAsTarget) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    ExpectFailure(Path16("folder"), FileFailure::kNotRegularFile);
    ExpectFailure(Path16("folder/"), FileFailure::kNotRegularFile);
    ExpectFailure(Path16("not-yet/"), FileFailure::kNotRegularFile);
    ExpectFailure(ToU16(folder_), FileFailure::kNotRegularFile);
    EXPECT_EQ(Entries(), std::vector<std::string>{"folder"});
    EXPECT_TRUE(std::filesystem::is_empty(Path("folder")));
}

TEST_P(WriterFailureTest, LinkToAFolderAsTarget) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    ASSERT_EQ(symlink("folder", Path("link").c_str()), 0);
    ExpectFailure(Path16("link"), FileFailure::kNotRegularFile);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "link"}));
}

TEST_P(WriterFailureTest, FifoAsTarget) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
    ExpectFailure(Path16("fifo"), FileFailure::kNotRegularFile);
    EXPECT_EQ(Entries(), std::vector<std::string>{"fifo"});
}

TEST_P(WriterFailureTest, DeviceAsTarget) {
    ExpectFailure(u"/dev/null", FileFailure::kNotRegularFile);
}

TEST_P(WriterFailureTest, MissingFolder) {
    ExpectFailure(Path16("missing/out.txt"), FileFailure::kNotFound);
    EXPECT_EQ(Entries(), std::vector<std::string>{});
}

TEST_P(WriterFailureTest, FolderThatTakesNoNewFiles) {
    // The process file system takes no new files, not even from root.
    ExpectFailure(u"/proc/tandrel-test-out.txt", FileFailure::kNotFound);
    ExpectFailure(u"/proc/self/tandrel-test-out.txt", FileFailure::kNotFound);
}

// Permission bits bind only an unprivileged user; as root these cases cannot happen.
TEST_P(WriterFailureTest, FolderWithoutWritePermission) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    WriteBytes("out.txt", "old");
    ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
    ExpectFailure(Path16("out.txt"), FileFailure::kPermission);
    ExpectFailure(Path16("new.txt"), FileFailure::kPermission);
    ASSERT_EQ(chmod(folder_.c_str(), 0755), 0);
    EXPECT_EQ(ReadBytes("out.txt"), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

TEST_P(WriterFailureTest, ReadOnlyFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into any file";
    }
    WriteBytes("out.txt", "old");
    ASSERT_EQ(chmod(Path("out.txt").c_str(), 0444), 0);
    ExpectFailure(Path16("out.txt"), FileFailure::kPermission);
    EXPECT_EQ(ReadBytes("out.txt"), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

TEST_P(WriterFailureTest, LinkLoop) {
    ASSERT_EQ(symlink("b", Path("a").c_str()), 0);
    ASSERT_EQ(symlink("a", Path("b").c_str()), 0);
    ExpectFailure(Path16("a"), FileFailure::kOther);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriterTest, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(EveryWriter, WriterFailureTest, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

// A result box's buffer written as it stands: the same file as writing its lines, in every
// encoding and with either line end, or nothing written and the lines left to the caller.
class BoxLinesWriterTest : public TextFileTest,
                           public ::testing::WithParamInterface<std::tuple<WriterCase, LineEnd>> {};

TEST_P(BoxLinesWriterTest, WritesTheFileItsLinesMake) {
    const auto& [writer, lineEnd] = GetParam();
    // Ordinary units (0xD55C is a Hangul syllable, ED 95 9C; 0xFF21 is EF BC A1), and the
    // units whose box form is not their UTF-8: a CR, the surrogates.
    static constexpr char16_t kOrdinary[] = {u'a', u' ', 0x00E9, 0x3042, 0xD55C, 0xFF21, 0xFFFD};
    static constexpr char16_t kSpecial[] = {u'\r', 0xD800, 0xDFFF};
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        const bool ordinary = round % 2 == 0;
        std::vector<std::u16string> lines(1 + random() % 40);
        for (std::u16string& line : lines) {
            // Now and then a line longer than a row of the box.
            line.resize(random() % 20 == 0 ? kBoxRowUnits - 1 + random() % 3 : random() % 12);
            for (char16_t& unit : line)
                unit = kOrdinary[random() % std::size(kOrdinary)];
        }
        if (!ordinary) {
            std::u16string& line = lines[random() % lines.size()];
            line.insert(random() % (line.size() + 1), 1, kSpecial[random() % std::size(kSpecial)]);
        }
        std::u16string joined;
        bool shortLines = true;
        for (const std::u16string& line : lines) {
            joined += line + u"\r\n";
            shortLines = shortLines && line.size() <= kBoxRowUnits;
        }
        const LineList lineList(lines);
        // The lines themselves may not fit the encoding; then neither does the buffer.
        const bool linesWritten =
            WriteFileLines(Path16("lines.txt"), writer.encoding, lineList, nullptr, lineEnd)
                .Succeeded();
        const std::optional<FileResult> written = WriteFileBoxLines(
            Path16("box.txt"), writer.encoding, EncodeBoxText(joined), nullptr, lineEnd);
        if (written) {
            ASSERT_TRUE(linesWritten && written->Succeeded()) << "round " << round;
            ASSERT_EQ(ReadBytes("box.txt"), ReadBytes("lines.txt")) << "round " << round;
        } else {
            ASSERT_FALSE(std::ifstream(Path("box.txt")).good()) << "round " << round;
        }
        std::remove(Path("box.txt").c_str());
        std::remove(Path("lines.txt").c_str());
        // UTF-8 takes every buffer of ordinary lines as it stands.
        if (writer.encoding.codec == &kUtf8Codec && ordinary && shortLines) {
            ASSERT_TRUE(written.has_value()) << "round " << round;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, BoxLinesWriterTest,
                         ::testing::Combine(::testing::ValuesIn(kWriters),
                                            ::testing::Values(LineEnd::kCrLf, LineEnd::kLf)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == LineEnd::kLf ? "Lf" : "CrLf");
                         });

// Text that one encoding cannot hold: the save fails as a whole, even when the offending
// character comes after megabytes of good text, and the existing file keeps every byte.
class UnwritableTextTest : public TextFileTest {
protected:
    void ExpectTargetUntouched(Writer writer, const std::u16string& badTail) {
        const std::string old = Bytes({0x82, 0xA0, 0x0D, 0x0A}) + std::string(5000, 'o');
        WriteBytes("out.txt", old);
        ASSERT_EQ(chmod(Path("out.txt").c_str(), 0640), 0);
        std::u16string text;
        for (int i = 0; i < 200'000; ++i) {
            text += u"\u3042\u3044\u3046 good line\n";
        }
        for (const std::u16string& tail : {badTail, text + badTail}) {
            g_nError = 0;
            writer(Path16("out.txt"), tail);
            EXPECT_EQ(g_nError, 1);
            const EncodingChoice& encoding = writer == WriteAnsiText
                                                 ? kEncodingChoices[kAnsiChoice]
                                                 : kEncodingChoices[kUtf8Choice];
            EXPECT_EQ(WriteTextFile(Path16("out.txt"), encoding, tail).failure,
                      FileFailure::kUnmappableCharacter);
            EXPECT_TRUE(ReadBytes("out.txt") == old);
            EXPECT_EQ(PermissionBits(Path("out.txt")), 0640u);
            EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
        }
    }
};

TEST_F(UnwritableTextTest, AnsiCharacterOutsideCodePage932) {
    ExpectTargetUntouched(WriteAnsiText, u"\uAC00\n");
    ExpectTargetUntouched(WriteAnsiText, u"\u301C\n");
    ExpectTargetUntouched(WriteAnsiText, u"\U0001F600\n");
}

TEST_F(UnwritableTextTest, Utf8UnpairedSurrogates) {
    ExpectTargetUntouched(WriteUtf8Text, u"\xD800\n");
    ExpectTargetUntouched(WriteUtf8Text, u"a\xDC00"
                                         u"b\n");
    ExpectTargetUntouched(WriteUtf8Text, u"\xDC00\xD800\n");
    ExpectTargetUntouched(WriteUtf8Text, u"x\xD83D"); // cut off at the end of the text
}

TEST_F(TextFileTest, Utf16LEWriterKeepsUnpairedSurrogates) {
    WriteUtf16LEText(Path16("out.txt"), u"\xD800"
                                        u"a\xDC00\n\xDC00\xD800\n");
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("out.txt"),
              Bytes({0xFF, 0xFE, 0x00, 0xD8, 0x61, 0x00, 0x00, 0xDC, 0x0D, 0x00,
                     0x0A, 0x00, 0x00, 0xDC, 0x00, 0xD8, 0x0D, 0x00, 0x0A, 0x00}));
}

TEST_F(TextFileTest, Utf8WriterEncodesSurrogatePairsWherePiecesOfTextMeet) {
    // Text made only of pairs, once starting at an even and once at an odd position, so that
    // wherever the writer cuts the text into pieces, one cut falls inside a pair.
    const std::u16string pair = u"\U0001F600";
    const std::string pairBytes = Bytes({0xF0, 0x9F, 0x98, 0x80});
    for (const std::u16string& prefix : {std::u16string(), std::u16string(u"a")}) {
        std::u16string text = prefix;
        std::string expected = "\xEF\xBB\xBF" + std::string(prefix.begin(), prefix.end());
        for (int i = 0; i < 400'000; ++i) {
            text += pair;
            expected += pairBytes;
        }
        WriteUtf8Text(Path16("out.txt"), text);
        EXPECT_EQ(g_nError, 0);
        EXPECT_TRUE(ReadBytes("out.txt") == expected);
    }
}

} // namespace
