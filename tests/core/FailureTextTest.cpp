// File names that are not UTF-8, and the words that say why a file failed.
#include "core/files/FailureText.h"

#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/FileSystemNames.h"

#include <set>

namespace {

// Generated with Python: bytes.decode("utf-8", "surrogateescape").
const struct {
    std::string bytes;
    std::u16string name;
} kEscapedNames[] = {
    {"caf\xE9.txt", u"caf\xDCE9.txt"},
    {"\xE6\x97\xA5\xE6", u"\u65E5\xDCE6"},
    {"a\xED\xA0\x80\xF0\x9F\x98\x80", u"a\xDCED\xDCA0\xDC80\U0001F600"},
};

TEST_F(TextFileTest, NamesThatAreNotUtf8NameTheirOwnFile) {
    for (const auto& c : kEscapedNames) {
        EXPECT_EQ(NameOfFileSystemPath(c.bytes), c.name);
        EXPECT_EQ(FileSystemPath(c.name), c.bytes);
        const std::u16string path = NameOfFileSystemPath(Path(c.bytes));
        EXPECT_TRUE(WriteTextFile(path, kEncodingChoices[kUtf8Choice], u"y\n").Succeeded());
        EXPECT_EQ(ReadBytes(c.bytes), "\xEF\xBB\xBFy\r\n");
    }
    // The same name as another layer decoded it, its bytes lost, is not created.
    EXPECT_EQ(
        WriteTextFile(Path16("caf") + u"\uFFFD.txt", kEncodingChoices[kUtf8Choice], u"y\n").failure,
        FileFailure::kChangedName);
    EXPECT_EQ(Entries().size(), std::size(kEscapedNames));
}

TEST(FailureDetailTest, SaysWhereAndWhyInWordsOfItsOwn) {
    const auto has = [](const std::u16string& s, auto part) { return s.find(part) != s.npos; };
    std::set<std::u16string> reasons;
    for (int failure = 1; failure <= static_cast<int>(FileFailure::kOther); ++failure) {
        const FileResult result{static_cast<FileFailure>(failure), 10, 3, 5, U'\u2764'};
        const std::u16string detail = FailureDetail(u"/tmp/caf\xDCE9.txt", result);
        if (result.failure == FileFailure::kOutOfMemory) {
            EXPECT_EQ(detail, u"メモリが足りません。"); // not about the file
            continue;
        }
        ASSERT_TRUE(detail.starts_with(u"ファイル: /tmp/caf\\xE9.txt\n"));
        EXPECT_TRUE(reasons.insert(detail.substr(detail.find(u'\n'))).second);
        // The short reason: one line, without the path or the byte offset.
        const std::u16string reason = FailureReason(u"/tmp/caf\xDCE9.txt", result);
        EXPECT_TRUE(reason.find_first_of(u"\n/") == reason.npos && !has(reason, u"10 バイト"));
    }
    const std::u16string bytes = FailureDetail(u"/a", {FileFailure::kInvalidBytes, 10, 3});
    EXPECT_TRUE(has(bytes, u"3 行目") && has(bytes, u" 10 バイト"));
    EXPECT_TRUE(has(FailureDetail(u"/a", {FileFailure::kUnmappableCharacter, 10, 3, 5, U'❤'}),
                    u"3 行目 5 文字目の「❤」（U+2764）"));
    EXPECT_TRUE(has(FailureReason(u"/a", {FileFailure::kInvalidBytes, 10, 3}, u"処理結果の "),
                    u"処理結果の 3 行目に"));
    EXPECT_TRUE(has(FailureDetail(u"", {FileFailure::kBadPath}), u"キャンセル"));
    EXPECT_EQ(FailureDetail(u"/tmp/a", {}), u"");
}

} // namespace
