// Code page 932 against the reference mapping files: every row both ways, through the codec
// and through the ANSI reader and writer, and nothing beyond the rows.
#include "TextFileFixture.h"
#include "core/files/EncodedTextFiles.h"
#include "core/encoding/TextCodecs.h"

#include <map>
#include <set>

namespace {

struct Row {
    std::string bytes;
    char16_t unit;
};

std::string HexBytes(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Rows of a reference file; `bytesFirst` tells the column order.
std::vector<Row> LoadRows(const char* name, bool bytesFirst) {
    std::ifstream file(std::string(TANDREL_CP932_TABLE_DIR) + "/" + name);
    EXPECT_TRUE(file.is_open()) << name;
    std::vector<Row> rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t tab = line.find('\t');
        std::string left = line.substr(0, tab);
        std::string right = line.substr(tab + 1);
        if (!bytesFirst) {
            std::swap(left, right);
        }
        rows.push_back({HexBytes(left), static_cast<char16_t>(std::stoul(right, nullptr, 16))});
    }
    return rows;
}

const std::vector<Row>& DecodeRows() {
    static const std::vector<Row> rows = LoadRows("cp932-decode.tsv", true);
    return rows;
}

const std::vector<Row>& EncodeRows() {
    static const std::vector<Row> rows = LoadRows("cp932-encode.tsv", false);
    return rows;
}

// Decodes with the codec; "failed" in place of a result when it refuses.
std::u16string Decode(const std::string& bytes) {
    std::u16string text(bytes.size(), u'\0');
    const char16_t* end = DecodeCp932(bytes, text.data());
    return end ? text.substr(0, static_cast<std::size_t>(end - text.data())) : u"failed";
}

std::string Encode(const std::u16string& text) {
    std::string bytes(text.size() * kMaxEncodedBytesPerUnit, '\0');
    const char* end = EncodeCp932(text, bytes.data());
    return end ? bytes.substr(0, static_cast<std::size_t>(end - bytes.data())) : "failed";
}

TEST(Cp932ReferenceTest, FilesHoldTheDocumentedNumberOfRows) {
    EXPECT_EQ(DecodeRows().size(), 9800u);
    EXPECT_EQ(EncodeRows().size(), 9402u);
}

TEST(Cp932ReferenceTest, EveryDecodeRowDecodes) {
    for (const Row& row : DecodeRows()) {
        EXPECT_EQ(Decode(row.bytes), std::u16string(1, row.unit))
            << ::testing::PrintToString(row.bytes);
    }
}

TEST(Cp932ReferenceTest, EveryEncodeRowEncodes) {
    for (const Row& row : EncodeRows()) {
        EXPECT_EQ(Encode(std::u16string(1, row.unit)), row.bytes)
            << static_cast<unsigned>(row.unit);
    }
}

TEST(Cp932ReferenceTest, NoOtherByteSequenceDecodes) {
    std::set<std::string> known;
    for (const Row& row : DecodeRows()) {
        known.insert(row.bytes);
    }
    std::size_t accepted = 0;
    for (unsigned first = 0; first < 256; ++first) {
        const std::string single(1, static_cast<char>(first));
        if (known.count(single)) {
            ++accepted;
            continue;
        }
        // Not a character alone, so a lead byte: alone it fails, and so does every pair
        // without a row.
        EXPECT_EQ(Decode(single), u"failed") << first;
        for (unsigned second = 0; second < 256; ++second) {
            const std::string pair = single + static_cast<char>(second);
            if (known.count(pair)) {
                ++accepted;
            } else {
                EXPECT_EQ(Decode(pair), u"failed") << first << " " << second;
            }
        }
    }
    EXPECT_EQ(accepted, DecodeRows().size());
}

TEST(Cp932ReferenceTest, NoOtherCharacterEncodes) {
    std::map<char16_t, std::string> known;
    for (const Row& row : EncodeRows()) {
        known[row.unit] = row.bytes;
    }
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        if (!known.count(static_cast<char16_t>(unit))) {
            EXPECT_EQ(Encode(std::u16string(1, static_cast<char16_t>(unit))), "failed") << unit;
        }
    }
}

TEST(Cp932ReferenceTest, LookAlikesAndHangulHaveNoCode) {
    for (const char16_t unit : {u'\u00A2', u'\u00A3', u'\u00A5', u'\u00AC', u'\u2014', u'\u2016',
                                u'\u203E', u'\u2212', u'\u301C', u'\uAC00'}) {
        EXPECT_EQ(Encode(std::u16string(u"a") + unit), "failed") << static_cast<unsigned>(unit);
    }
}

TEST(Cp932ReferenceTest, CharactersWithSeveralCodesGetTheChosenOne) {
    EXPECT_EQ(Encode(u"\u2252\u2160\uFFE2\u2170\u7E8A"),
              Bytes({0x81, 0xE0, 0x87, 0x54, 0x81, 0xCA, 0xFA, 0x40, 0xFA, 0x5C}));
    // ...while each of the other codes still reads as that character.
    EXPECT_EQ(Decode(Bytes({0x87, 0x90, 0xFA, 0x4A, 0xEE, 0xF9, 0xEE, 0xEF, 0xED, 0x40})),
              u"\u2252\u2160\uFFE2\u2170\u7E8A");
}

TEST(Cp932ReferenceTest, InvalidBytesFailAtAnyPositionInALongRun) {
    // Runs of ASCII before and after an invalid pair, so that the failure is found whatever
    // path the decoder takes through the run (sixteen bytes at a time, or one).
    for (std::size_t before = 0; before < 36; ++before) {
        for (std::size_t after = 0; after < 20; ++after) {
            const std::string bytes = std::string(before, 'a') + Bytes({0x82, 0xA0, 0x81, 0x7F}) +
                                      std::string(after, 'b');
            EXPECT_EQ(Decode(bytes), u"failed") << before << " " << after;
            const std::string good =
                std::string(before, 'a') + Bytes({0x82, 0xA0, 0xA0}) + std::string(after, 'b');
            EXPECT_EQ(Decode(good),
                      std::u16string(before, u'a') + u"\u3042\uF8F0" + std::u16string(after, u'b'));
        }
    }
}

// The same rows through the ANSI reader and writer, one character per line. LF and CR are
// line-end bytes and are checked by the line tests instead.
bool IsLineEnd(char16_t unit) {
    return unit == u'\n' || unit == u'\r';
}

TEST_F(TextFileTest, AnsiReaderReadsEveryDecodeRow) {
    std::string file;
    Lines expected;
    for (const Row& row : DecodeRows()) {
        if (!IsLineEnd(row.unit)) {
            file += row.bytes + "\r\n";
            expected.push_back(std::u16string(1, row.unit));
        }
    }
    WriteBytes("all.txt", file);
    ReadAnsiLines(Path16("all.txt"));
    EXPECT_EQ(g_nError, 0);
    ASSERT_EQ(g_vFileLines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_vFileLines[i], expected[i]) << i;
    }
}

TEST_F(TextFileTest, AnsiWriterWritesEveryEncodeRow) {
    std::u16string text;
    std::string expected;
    for (const Row& row : EncodeRows()) {
        if (!IsLineEnd(row.unit)) {
            text += row.unit;
            text += u'\n';
            expected += row.bytes + "\r\n";
        }
    }
    WriteAnsiText(Path16("all.txt"), text);
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(ReadBytes("all.txt"), expected);
}

TEST_F(TextFileTest, AnsiWriterRefusesLookAlikes) {
    for (const char16_t unit : {u'\u00A2', u'\u00A3', u'\u00A5', u'\u00AC', u'\u2014', u'\u2016',
                                u'\u203E', u'\u2212', u'\u301C', u'\uAC00'}) {
        g_nError = 0;
        WriteAnsiText(Path16("out.txt"), std::u16string(u"a\n") + unit + u"\n");
        EXPECT_EQ(g_nError, 1) << static_cast<unsigned>(unit);
        EXPECT_EQ(Entries(), std::vector<std::string>{}) << static_cast<unsigned>(unit);
    }
}

} // namespace
