// What the plain file functions say beyond success: where invalid bytes lie, which character
// cannot be written, and a refused permission told apart from a missing file.
#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/StdioFile.h"
#include "core/encoding/UnicodeScalars.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileResult Read(const std::u16string& path, const EncodingChoice& encoding,
                std::size_t* count = nullptr) {
    Lines lines;
    std::size_t lineCount = 0;
    const FileResult result = ReadTextFile(path, encoding, lines, lineCount);
    if (count != nullptr)
        *count = lineCount;
    return result;
}

// Offsets as Python's codecs report them (UnicodeDecodeError.start).
TEST_F(TextFileTest, InvalidBytesGiveTheirOffsetAndLine) {
    const std::string longLine(CStdioFile::kReadBlockBytes + 10, 'x'); // moves the buffer
    const struct {
        EncodingChoice encoding;
        std::string bytes;
        std::uint64_t offset;
        std::size_t linesBefore;
    } cases[] = {
        {kEncodingChoices[kUtf8Choice], "one\r\ntwo\r\nx\x80y\r\n", 11, 2},
        {kEncodingChoices[kAnsiChoice], "\x82\xA0\x82\x20", 2, 0},
        {kEncodingChoices[kUtf8Choice], "a\xE3\x81\x82\xE3\x81", 4, 0},
        {kEncodingChoices[kUtf8Choice],
         "\xEF\xBB\xBF"
         "ab\r\n\xFF",
         7, 1},
        {kEncodingChoices[kAnsiChoice], longLine + "\r\n" + Bytes({0x81, 0x7F}),
         longLine.size() + 2, 1},
        {kEncodingChoices[kUtf16LEChoice], Bytes({0xFF, 0xFE, 0x61}), 2, 0},
        {kEncodingChoices[kEucJpChoice], Bytes({0xA4, 0xA2, 0x0D, 0x0A, 0xA4, 0x41}), 4, 1},
        {kEncodingChoices[kEucJpChoice], Bytes({0x61, 0xA4, 0xA2, 0x8F, 0xA2, 0xB7, 0x8E, 0xE0}), 6,
         0},
        {kEncodingChoices[kUtf8NoMarkChoice],
         "\xEF\xBB\xBF"
         "ab\r\n\xFF",
         7, 1},
    };
    for (const auto& c : cases) {
        WriteBytes("in.txt", c.bytes);
        std::size_t count = 0;
        const FileResult result = Read(Path16("in.txt"), c.encoding, &count);
        EXPECT_EQ(result.failure, FileFailure::kInvalidBytes);
        EXPECT_EQ(result.position, c.offset);
        EXPECT_EQ(result.line, c.linesBefore + 1);
        EXPECT_EQ(count, c.linesBefore);
    }
}

TEST_F(TextFileTest, UnmappableCharacterGivesItsIndex) {
    const std::u16string past(200'000, u'a'); // beyond the first piece the writer encodes
    const struct {
        EncodingChoice encoding;
        std::u16string text;
        std::uint64_t index;
    } cases[] = {
        {kEncodingChoices[kAnsiChoice], u"ab\nc\uAC00\n", 4},
        {kEncodingChoices[kAnsiChoice], u"\u3042\U0001F600\n", 1},
        {kEncodingChoices[kUtf8Choice], u"a\U0001F600\xDC00\n", 3},
        {kEncodingChoices[kAnsiChoice], past + u"\n\u3042\u301C\n", past.size() + 2},
        {kEncodingChoices[kUtf8Choice], u"a\n\U0001F600" + past + u"\xDC00",
         past.size() + 4}, // in pieces
    };
    for (const auto& c : cases) {
        const FileResult result = WriteTextFile(Path16("out.txt"), c.encoding, c.text);
        EXPECT_EQ(result.failure, FileFailure::kUnmappableCharacter);
        EXPECT_EQ(result.position, c.index);
        // Line and column as a reader of the text counts them, a surrogate pair as one.
        const std::u16string_view before = std::u16string_view(c.text).substr(0, c.index);
        const std::u16string_view inLine = before.substr(before.rfind(u'\n') + 1); // npos + 1: 0
        EXPECT_EQ(result.line, std::count(before.begin(), before.end(), u'\n') + 1u);
        const auto isCharacter = [](char16_t unit) { return !IsLowSurrogate(unit); };
        EXPECT_EQ(result.column, std::count_if(inLine.begin(), inLine.end(), isCharacter) + 1u);
        EXPECT_EQ(result.character, IsHighSurrogate(c.text[c.index])
                                        ? ScalarOfPair(c.text[c.index], c.text[c.index + 1])
                                        : c.text[c.index]);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{});
}

TEST_F(TextFileTest, SuccessSaysSo) {
    EXPECT_TRUE(
        WriteTextFile(Path16("out.txt"), kEncodingChoices[kUtf8Choice], u"a\n").Succeeded());
    std::size_t count = 0;
    EXPECT_TRUE(Read(Path16("out.txt"), kEncodingChoices[kUtf8Choice], &count).Succeeded());
    EXPECT_EQ(count, 1u);
}

// Run as an unprivileged user too (see CMakeLists.txt); root reads any file.
TEST_F(TextFileTest, FileWithoutReadPermission) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    WriteBytes("in.txt", "a\r\n");
    ASSERT_EQ(chmod(Path("in.txt").c_str(), 0200), 0);
    EXPECT_EQ(Read(Path16("in.txt"), kEncodingChoices[kAnsiChoice]).failure,
              FileFailure::kPermission);
    EXPECT_EQ(Read(Path16("missing.txt"), kEncodingChoices[kAnsiChoice]).failure,
              FileFailure::kNotFound);
}

} // namespace
