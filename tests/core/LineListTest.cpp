// What the shared line lists can get wrong: a list that shares units must see the same lines
// whatever becomes of the list it took them from, and sharing must never change a line.
#include "TextFileFixture.h"
#include "core/DuplicateLines.h"
#include "core/EncodedTextFiles.h"
#include "core/JoinLines.h"

#include <random>

namespace {

using Strings = std::vector<std::u16string>;

// count lines of 1 to 40 units over a small alphabet, so that many repeat; enough of them
// to fill several blocks.
Strings RandomLines(std::mt19937& random, std::size_t count) {
    const std::u16string alphabet = u"ab\r\u3042\U0001F600";
    Strings lines(count);
    for (auto& line : lines) {
        line.resize(1 + random() % 40);
        for (char16_t& unit : line)
            unit = alphabet[random() % alphabet.size()];
        while (!line.empty() && line.back() == u'\r') // as a split leaves them
            line.pop_back();
    }
    return lines;
}

// The bytes of text in UTF-16LE, which holds any units, unpaired surrogates included.
std::string Utf16LE(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text)
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

// Open A, Run, Open B, Open C, Save: the text and result lists share the units of A's file
// lines, which two readings have since replaced, their memory reused by C's lines.
TEST_F(TextFileTest, RunListsOutliveTheFileLinesTheyShare) {
    std::mt19937 random(11);
    const Strings a = RandomLines(random, 60000);
    WriteBytes("a.txt", Utf16LE(JoinLines(a, a.size(), u"\r\n")));
    WriteBytes("b.txt", Utf16LE(u"b\r\n"));
    const Strings c = RandomLines(random, 60000);
    WriteBytes("c.txt", Utf16LE(JoinLines(c, c.size(), u"\r\n")));

    ReadUtf16LELines(Path16("a.txt"));
    ASSERT_EQ(g_vFileLines, a);
    RemoveDuplicateContentLines(JoinLines(g_vFileLines, a.size(), u"\r\n"));
    const Strings result(g_vResultLines.begin(), g_vResultLines.end());
    ReadUtf16LELines(Path16("b.txt"));
    ReadUtf16LELines(Path16("c.txt"));
    ASSERT_EQ(g_nError, 0);
    EXPECT_EQ(g_vTextLines, a);
    EXPECT_EQ(g_vResultLines, result);
    EXPECT_EQ(g_vWorkLines, result);
    ASSERT_TRUE(WriteFileLines(Path16("saved.txt"), TextEncoding::kUtf16LE, g_vResultLines, nullptr)
                    .Succeeded());
    EXPECT_EQ(ReadBytes("saved.txt"),
              "\xFF\xFE" + Utf16LE(JoinLines(result, result.size(), u"\r\n")));
}

// Copies, picks and lists that follow another keep their lines when that list is cleared,
// refilled or destroyed.
TEST(LineList, SharingListsOutliveTheirSource) {
    std::mt19937 random(12);
    const Strings lines = RandomLines(random, 50000);
    std::vector<std::uint32_t> picks;
    for (std::uint32_t i = 0; i < lines.size(); i += 1 + random() % 3)
        picks.push_back(i);
    Strings picked;
    for (const std::uint32_t i : picks)
        picked.push_back(lines[i]);
    const struct {
        const char* name;
        LineList (*derive)(const LineList&, const Strings&, const std::vector<std::uint32_t>&);
        const Strings& expected;
    } ways[] = {
        {"copy", [](const LineList& source, const Strings&, const auto&) { return source; }, lines},
        {"pick",
         [](const LineList& source, const Strings&, const auto& picks) {
             return source.Pick(picks);
         },
         picked},
        {"follow",
         [](const LineList& source, const Strings& lines, const auto&) {
             LineList following;
             following.FollowLinesOf(source);
             for (const auto& line : lines)
                 following.push_back(line);
             return following;
         },
         lines},
    };
    for (const auto& way : ways) {
        auto source = std::make_unique<LineList>(lines);
        const LineList derived = way.derive(*source, lines, picks);
        source->clear();
        for (const auto& line : RandomLines(random, 50000))
            source->push_back(line); // in memory the cleared blocks may have held
        source.reset();
        const LineList other(RandomLines(random, 50000));
        EXPECT_EQ(derived, way.expected) << way.name;
    }
}

// A text edited after it was loaded splits into the same lines beside its file lines as
// without them, whatever was inserted, deleted or replaced.
TEST(LineList, FollowingFileLinesGivesTheSameSplit) {
    std::mt19937 random(13);
    for (int round = 0; round < 300; ++round) {
        const Strings file = RandomLines(random, random() % 60);
        Strings text = file;
        for (int edit = random() % 4; edit > 0; --edit) {
            const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
            const Strings one = RandomLines(random, 1);
            if (random() % 3 == 0 || text.empty() || at == text.size())
                text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), one[0]);
            else if (random() % 2 == 0)
                text.erase(text.begin() + static_cast<std::ptrdiff_t>(at));
            else
                text[at] = one[0];
        }
        g_vFileLines = file;
        SplitContentLines(JoinLines(text, text.size(), u"\n"));
        ASSERT_EQ(g_vTextLines, text) << "round " << round;
        if (text == file) // then no line of the text is held twice
            for (std::size_t i = 0; i < text.size(); ++i)
                ASSERT_EQ(g_vTextLines[i].data(), g_vFileLines[i].data()) << "round " << round;
    }
    g_vFileLines.clear();
}

} // namespace
