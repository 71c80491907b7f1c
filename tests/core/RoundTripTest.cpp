// Random text written by each writer and read back by the reader of the same encoding comes
// back as exactly the lines that were written.
#include "TextFileFixture.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/StdioFile.h"

#include <random>

namespace {

using Reader = void (*)(std::u16string);
using Writer = void (*)(std::u16string, std::u16string);

// Picks random code units from a weighted mix of line ends, the awkward control characters
// and the ranges of an encoding.
class TextMaker {
public:
    explicit TextMaker(unsigned seed) : random_(seed) {}

    // Text of at least `units` code units in lines ending with LF; `draw` gives one character
    // (one or two units).
    template <class Draw> std::u16string Make(std::size_t units, Draw draw) {
        std::u16string text;
        while (text.size() < units) {
            const int lineLength = Pick(0, 3) == 0 ? Pick(0, 2) : Pick(0, 80);
            for (int i = 0; i < lineLength; ++i) {
                switch (Pick(0, 19)) {
                case 0:
                    text += u'\r';
                    break;
                case 1:
                    text += u'\0';
                    break;
                case 2:
                    text += u'\x1A';
                    break;
                default:
                    text += draw(*this);
                    break;
                }
            }
            text += u'\n';
        }
        return text;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

private:
    std::mt19937 random_;
};

// The lines a reader gives back for a text whose lines all end with LF.
Lines LinesOf(const std::u16string& text) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u'\n', start)) != std::u16string::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

class RoundTripTest : public TextFileTest {
protected:
    void ExpectRoundTrip(Writer writer, Reader reader, const std::u16string& text) {
        writer(Path16("round.txt"), text);
        ASSERT_EQ(g_nError, 0);
        reader(Path16("round.txt"));
        ASSERT_EQ(g_nError, 0);
        const Lines expected = LinesOf(text);
        ASSERT_EQ(g_vFileLines.size(), expected.size());
        EXPECT_EQ(g_nLineCount, static_cast<int>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(g_vFileLines[i], expected[i]) << "line " << i;
        }
    }
};

std::u16string AnyCharacter(TextMaker& maker) {
    // Mostly ASCII and Japanese, some of everything else the BMP holds, some pairs.
    switch (maker.Pick(0, 5)) {
    case 0:
    case 1:
        return std::u16string(1, static_cast<char16_t>(maker.Pick(0x20, 0x7E)));
    case 2:
        return std::u16string(1, static_cast<char16_t>(maker.Pick(0x3040, 0x30FF)));
    case 3:
        return std::u16string(1, static_cast<char16_t>(maker.Pick(0x4E00, 0x9FFF)));
    case 4: {
        char16_t unit;
        do {
            unit = static_cast<char16_t>(maker.Pick(1, 0xFFFF));
        } while (unit >= 0xD800 && unit <= 0xDFFF);
        return std::u16string(1, unit);
    }
    default: {
        const int scalar = maker.Pick(0x10000, 0x10FFFF) - 0x10000;
        return {static_cast<char16_t>(0xD800 + (scalar >> 10)),
                static_cast<char16_t>(0xDC00 + (scalar & 0x3FF))};
    }
    }
}

TEST_F(RoundTripTest, Utf8RandomText) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TextMaker maker(seed);
        ExpectRoundTrip(WriteUtf8Text, ReadUtf8Lines, maker.Make(seed * 500, AnyCharacter));
    }
}

TEST_F(RoundTripTest, Utf16LERandomTextWithUnpairedSurrogates) {
    const auto anyUnit = [](TextMaker& maker) {
        return maker.Pick(0, 9) == 0
                   ? std::u16string(1, static_cast<char16_t>(maker.Pick(0xD800, 0xDFFF)))
                   : AnyCharacter(maker);
    };
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TextMaker maker(seed);
        ExpectRoundTrip(WriteUtf16LEText, ReadUtf16LELines, maker.Make(seed * 500, anyUnit));
    }
}

TEST_F(RoundTripTest, MarkedFilesReadAlikeByTheOtherMarkReader) {
    TextMaker maker(7);
    const std::u16string text = maker.Make(20000, AnyCharacter);
    ExpectRoundTrip(WriteUtf8Text, ReadUtf16LELines, text);
    ExpectRoundTrip(WriteUtf16LEText, ReadUtf8Lines, text);
}

TEST_F(RoundTripTest, AnsiRandomTextFromTheEncodeTable) {
    // Every character with a code, read from the reference file so that the test does not
    // depend on the codec it checks.
    std::vector<char16_t> encodable;
    std::ifstream table(std::string(TANDREL_CP932_TABLE_DIR) + "/cp932-encode.tsv");
    for (std::string row; std::getline(table, row);) {
        if (!row.empty() && row[0] != '#') {
            const auto unit =
                static_cast<char16_t>(std::stoul(row.substr(0, row.find('\t')), nullptr, 16));
            if (unit != u'\n') {
                encodable.push_back(unit);
            }
        }
    }
    ASSERT_EQ(encodable.size(), 9401u);
    const auto anyEncodable = [&](TextMaker& maker) {
        return std::u16string(1, encodable[static_cast<std::size_t>(
                                     maker.Pick(0, static_cast<int>(encodable.size()) - 1))]);
    };
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TextMaker maker(seed);
        ExpectRoundTrip(WriteAnsiText, ReadAnsiLines, maker.Make(seed * 500, anyEncodable));
    }
}

TEST_F(RoundTripTest, TextsLongerThanSeveralReadBlocks) {
    TextMaker maker(99);
    const std::u16string text = maker.Make(3 * CStdioFile::kReadBlockBytes, AnyCharacter);
    ExpectRoundTrip(WriteUtf8Text, ReadUtf8Lines, text);
    ExpectRoundTrip(WriteUtf16LEText, ReadUtf16LELines, text);
    const auto japanese = [](TextMaker& maker) {
        return maker.Pick(0, 1)
                   ? std::u16string(1, static_cast<char16_t>(maker.Pick(0x3041, 0x3093)))
                   : std::u16string(1, static_cast<char16_t>(maker.Pick(0x21, 0x7E)));
    };
    ExpectRoundTrip(WriteAnsiText, ReadAnsiLines,
                    maker.Make(3 * CStdioFile::kReadBlockBytes, japanese));
}

} // namespace
