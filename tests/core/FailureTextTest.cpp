// File names that are not UTF-8, and the words that say why a file failed.
#include "core/FailureText.h"

#include "TextFileFixture.h"
#include "core/EncodedTextFiles.h"
#include "core/FileSystemNames.h"

#include <set>

namespace {

// Generated with Python: bytes.decode("utf-8", "surrogateescape").
const struct {
    std::string bytes;
    std::u16string name;
} kEscapedNames[] = {
    {"caf\xE9.txt", u"caf\xDCE9.txt"},
    {"\x93\xFA\x96{.txt", u"\xDC93\xDCFA\xDC96{.txt"},
    {"\xE6\x97\xA5\xE6", u"\u65E5\xDCE6"},
    {"a\xED\xA0\x80"
     "b",
     u"a\xDCED\xDCA0\xDC80"
     "b"},
    {"\xF0\x9F\x98\x80\xC0\xAF", u"\U0001F600\xDCC0\xDCAF"},
};

TEST_F(TextFileTest, NamesThatAreNotUtf8OpenTheFileTheyName) {
    for (const auto& c : kEscapedNames) {
        EXPECT_EQ(NameOfFileSystemPath(c.bytes), c.name);
        EXPECT_EQ(FileSystemPath(c.name), c.bytes);
        WriteBytes(c.bytes, "x\r\n");
        Lines lines;
        std::size_t count = 0;
        const std::u16string path = NameOfFileSystemPath(Path(c.bytes));
        EXPECT_TRUE(ReadTextFile(path, TextEncoding::kUtf8, lines, count).Succeeded());
        EXPECT_TRUE(WriteTextFile(path, TextEncoding::kUtf8, u"y\n").Succeeded());
        EXPECT_EQ(ReadBytes(c.bytes), "\xEF\xBB\xBFy\r\n");
    }
    // The same name as another layer decoded it, its bytes lost: neither read nor created.
    const std::u16string changed = Path16("caf") + u"\uFFFD.txt";
    Lines lines;
    std::size_t count = 0;
    EXPECT_EQ(ReadTextFile(changed, TextEncoding::kUtf8, lines, count).failure,
              FileFailure::kChangedName);
    EXPECT_EQ(WriteTextFile(changed, TextEncoding::kUtf8, u"y\n").failure,
              FileFailure::kChangedName);
    EXPECT_EQ(Entries().size(), std::size(kEscapedNames));
}

TEST(FailureDetailTest, SaysWhereAndWhyInWordsOfItsOwn) {
    const std::u16string path = u"/tmp/caf\xDCE9.txt";
    std::set<std::u16string> reasons;
    for (int failure = 1; failure <= static_cast<int>(FileFailure::kOther); ++failure) {
        const FileResult result{static_cast<FileFailure>(failure), 10, 3, 5, U'\u2764'};
        const std::u16string detail = FailureDetail(path, result);
        if (result.failure == FileFailure::kOutOfMemory) {
            EXPECT_EQ(detail, u"メモリが足りません。");
            continue;
        }
        ASSERT_TRUE(detail.starts_with(u"ファイル: /tmp/caf\\xE9.txt\n"));
        EXPECT_TRUE(reasons.insert(detail.substr(detail.find(u'\n'))).second);
    }
    EXPECT_NE(FailureDetail(path, {FileFailure::kInvalidBytes, 10, 3}).find(u"3 行目"),
              std::u16string::npos);
    EXPECT_NE(FailureDetail(path, {FileFailure::kInvalidBytes, 10, 3}).find(u"10 バイト"),
              std::u16string::npos);
    EXPECT_NE(FailureDetail(path, {FileFailure::kUnmappableCharacter, 10, 3, 5, U'\u2764'})
                  .find(u"3 行目 5 文字目の「❤」（U+2764）"),
              std::u16string::npos);
    EXPECT_NE(FailureDetail(u"", {FileFailure::kBadPath}).find(u"キャンセル"),
              std::u16string::npos);
    EXPECT_EQ(FailureDetail(path, {}), u"");
}

} // namespace
