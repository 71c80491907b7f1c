// EUC-JP against Python's euc_jp table (tests/data/eucjp): every row both ways, every other code
// refused or one of the documented vendor rows, and every character of code page 932 through a
// round trip, through the codec and through the reader and writer.
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

std::vector<Row> LoadRows(const std::string& path, bool bytesFirst) {
    std::ifstream file(path);
    EXPECT_TRUE(file.is_open()) << path;
    std::vector<Row> rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::string left = line.substr(0, line.find('\t'));
        std::string right = line.substr(line.find('\t') + 1);
        if (!bytesFirst)
            std::swap(left, right);
        std::string bytes;
        for (std::size_t i = 0; i + 1 < left.size(); i += 2)
            bytes.push_back(static_cast<char>(std::stoul(left.substr(i, 2), nullptr, 16)));
        rows.push_back({bytes, static_cast<char16_t>(std::stoul(right, nullptr, 16))});
    }
    return rows;
}

const std::vector<Row>& PythonRows() {
    static const auto rows = LoadRows(TANDREL_EUCJP_TABLE_DIR "/eucjp-decode.tsv", true);
    return rows;
}

// Every character code page 932 writes, with its bytes there.
const std::map<char16_t, std::string>& Cp932Characters() {
    static const auto characters = [] {
        std::map<char16_t, std::string> map;
        for (const Row& row : LoadRows(TANDREL_CP932_TABLE_DIR "/cp932-encode.tsv", false))
            map[row.unit] = row.bytes;
        return map;
    }();
    return characters;
}

// The codes that read as code page 932's character instead of Python's (see the README).
const std::set<std::string> kCp932Readings = {"\xA1\xC1",     "\xA1\xC2",    "\xA1\xDD",
                                              "\xA1\xF1",     "\xA1\xF2",    "\xA2\xCC",
                                              "\x8F\xA2\xB7", "\x8F\xA2\xC3"};

std::u16string Decode(const std::string& bytes) {
    std::u16string text(bytes.size(), u'\0');
    const char16_t* end = DecodeEucJp(bytes, text.data());
    return end ? text.substr(0, static_cast<std::size_t>(end - text.data())) : u"failed";
}

std::string Encode(const std::u16string& text) {
    std::string bytes(text.size() * kMaxEncodedBytesPerUnit, '\0');
    const char* end = EncodeEucJp(text, bytes.data());
    return end ? bytes.substr(0, static_cast<std::size_t>(end - bytes.data())) : "failed";
}

TEST(EucJpReferenceTest, EveryPythonRowDecodesAsPythonOrAsCodePage932Has) {
    ASSERT_EQ(PythonRows().size(), 13137u);
    std::set<std::string> differing;
    for (const Row& row : PythonRows()) {
        const std::u16string text = Decode(row.bytes);
        ASSERT_EQ(text.size(), 1u) << testing::PrintToString(row.bytes);
        if (text[0] != row.unit) {
            differing.insert(row.bytes);
            EXPECT_TRUE(Cp932Characters().count(text[0])) << testing::PrintToString(row.bytes);
        }
    }
    EXPECT_EQ(differing, kCp932Readings);
}

TEST(EucJpReferenceTest, OtherCodesFailOrAreVendorRowsOfCodePage932) {
    std::set<std::string> python;
    for (const Row& row : PythonRows())
        python.insert(row.bytes);
    std::vector<std::string> sequences;
    for (unsigned a = 0; a < 256; ++a) {
        sequences.emplace_back(1, static_cast<char>(a));
        for (unsigned b = 0; a >= 0x80 && b < 256; ++b) {
            sequences.push_back({static_cast<char>(a), static_cast<char>(b)});
            for (unsigned c = 0xA1; a == 0x8F && b >= 0xA1 && c <= 0xFE; ++c)
                sequences.push_back(
                    {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        }
    }
    std::size_t vendor = 0;
    for (const std::string& bytes : sequences) {
        if (python.count(bytes))
            continue;
        const std::u16string text = Decode(bytes);
        if (text == u"failed" || text.size() != 1)
            continue; // refused, or two characters that each have a row
        const auto first = static_cast<unsigned char>(bytes[0]);
        if (bytes.size() == 1) {
            EXPECT_TRUE(first >= 0x80 && first <= 0x9F && text[0] == first) << first;
        } else {
            EXPECT_TRUE(Cp932Characters().count(text[0])) << testing::PrintToString(bytes);
            ++vendor;
        }
    }
    // NEC row 13 (83), the IBM extensions that JIS X 0212 lacks (106), user-defined rows (1,880).
    EXPECT_EQ(vendor, 83u + 106u + 1880u);
}

TEST(EucJpReferenceTest, EveryCodePage932CharacterMakesTheRoundTrip) {
    for (const auto& [unit, cp932Bytes] : Cp932Characters()) {
        const std::string bytes = Encode(std::u16string(1, unit));
        // Windows' own single bytes A0 and FD to FF have no place in EUC-JP.
        if (unit >= 0xF8F0 && unit <= 0xF8F3) {
            EXPECT_EQ(bytes, "failed");
            continue;
        }
        EXPECT_EQ(Decode(bytes), std::u16string(1, unit)) << static_cast<unsigned>(unit);
    }
}

TEST(EucJpReferenceTest, EveryCharacterEncodesToACodeThatReadsBackAsIt) {
    for (const Row& row : PythonRows()) {
        if (!kCp932Readings.count(row.bytes)) {
            const std::u16string unit(1, row.unit);
            EXPECT_EQ(Decode(Encode(unit)), unit) << static_cast<unsigned>(row.unit);
        }
    }
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        const std::string bytes = Encode(std::u16string(1, static_cast<char16_t>(unit)));
        if (bytes != "failed") {
            EXPECT_EQ(Decode(bytes), std::u16string(1, static_cast<char16_t>(unit))) << unit;
        }
    }
    // Python's readings of the code page 932 rows are look-alikes, not written for them.
    for (const char16_t unit : {u'\u301C', u'\u2016', u'\u2212', u'\u00A2', u'\u00A3', u'\u00AC'})
        EXPECT_EQ(Encode(std::u16string(u"a") + unit), "failed") << static_cast<unsigned>(unit);
}

TEST_F(TextFileTest, EucJpReaderAndWriterCarryEveryPythonRow) {
    std::string file;
    std::u16string text;
    Lines expected;
    for (const Row& row : PythonRows()) {
        if (row.unit == u'\n' || row.unit == u'\r' || kCp932Readings.count(row.bytes))
            continue;
        file += row.bytes + "\r\n";
        expected.push_back(std::u16string(1, row.unit));
        text += std::u16string(1, row.unit) + u'\n';
    }
    WriteBytes("all.txt", file);
    ReadEucJpLines(Path16("all.txt"));
    EXPECT_EQ(g_nError, 0);
    EXPECT_EQ(g_vFileLines, expected);
    WriteEucJpText(Path16("out.txt"), text);
    EXPECT_EQ(g_nError, 0);
    ReadEucJpLines(Path16("out.txt"));
    EXPECT_EQ(g_vFileLines, expected);
}

} // namespace
