// What the shared line lists can get wrong: a list that shares units must see the same lines
// whatever becomes of the list it took them from, and sharing must never change a line.
#include "TextFileFixture.h"
#include "core/base/OperationProgress.h"
#include "core/document/DocumentRun.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/TextCodecs.h"
#include "core/files/EncodedTextFiles.h"
#include "core/lines/BoxBufferLines.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/JoinLines.h"
#include "core/lines/LineBytes.h"

#include <random>
#include <tuple>

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

// Open A, Run, Open C, a split of C, Save: the text lines share the units of A's file lines and
// the result and work lists those of the text lines, and each list they came from has since
// been replaced, its memory reused for C's lines.
TEST_F(TextFileTest, RunListsOutliveTheListsTheyShare) {
    std::mt19937 random(11);
    const Strings a = RandomLines(random, 60000);
    WriteBytes("a.txt", Utf16LE(JoinLines(a, a.size(), u"\r\n")));
    const Strings c = RandomLines(random, 60000);
    WriteBytes("c.txt", Utf16LE(JoinLines(c, c.size(), u"\r\n")));

    ReadUtf16LELines(Path16("a.txt"));
    RemoveDuplicateContentLines(JoinLines(g_vFileLines, a.size(), u"\r\n"));
    const Strings result(g_vResultLines.begin(), g_vResultLines.end());
    ReadUtf16LELines(Path16("c.txt"));
    EXPECT_EQ(g_vTextLines, a);
    SplitContentLines(JoinLines(c, c.size(), u"\n"));
    ASSERT_EQ(g_nError, 0);
    EXPECT_EQ(g_vResultLines, result);
    EXPECT_EQ(g_vWorkLines, result);
    ASSERT_TRUE(WriteFileLines(Path16("saved.txt"), kEncodingChoices[kUtf16LEChoice],
                               g_vResultLines, nullptr)
                    .Succeeded());
    EXPECT_EQ(ReadBytes("saved.txt"),
              "\xFF\xFE" + Utf16LE(JoinLines(result, result.size(), u"\r\n")));
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
        if (text == file) { // then no line of the text is held twice
            for (std::size_t i = 0; i < text.size(); ++i)
                ASSERT_EQ(g_vTextLines[i].data(), g_vFileLines[i].data()) << "round " << round;
        }
    }
    g_vFileLines.clear();
}

std::string Utf8(std::u16string_view line) {
    std::string bytes(line.size() * kMaxEncodedBytesPerUnit, '\0');
    bytes.resize(static_cast<std::size_t>(EncodeUtf8(line, bytes.data()) - bytes.data()));
    return bytes;
}

// Lines as RandomLines makes them, of whole characters (UTF-8 has no form for an unpaired
// surrogate), with now and then one long enough for the box to cut it into rows.
Strings RandomUtf8Lines(std::mt19937& random, std::size_t count) {
    const std::u16string pieces[] = {u"a", u"b", u"\r", u"\u3042", u"\U0001F600"};
    Strings lines(count);
    for (auto& line : lines) {
        for (std::size_t k = random() % 50 == 0 ? kBoxRowUnits : random() % 40; k > 0; --k)
            line += pieces[random() % std::size(pieces)];
        while (!line.empty() && line.back() == u'\r') // as a split leaves them
            line.pop_back();
    }
    return lines;
}

// A list of bytes is the lines it was made of, in every way a list of units is: its units, its
// picks and the picks of those, and which lines the box cannot take as their bytes. The lines
// come as a file's reader cuts them, ends CR LF or LF at random, a CR inside a line its own.
TEST(LineList, BytesAreTheLinesTheyWereMadeOf) {
    std::mt19937 random(19);
    for (int round = 0; round < 40; ++round) {
        const Strings lines = RandomUtf8Lines(random, random() % 400);
        LineEndCounts ends;
        std::string block;
        // Every other round keeps so few bits of each start that the text passes their span
        // again and again, within a line and across several.
        auto bytes = std::make_shared<LineBytes>(round % 2 ? 32 : 4 + random() % 8);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const bool crLf = random() % 2;
            block += Utf8(lines[i]) + (crLf ? "\r\n" : "\n");
            ++(crLf ? ends.crLf : ends.lf);
            if (random() % 30 == 0 || i + 1 == lines.size()) {
                const LineEndCounts added = bytes->AddLines(block);
                ends.crLf -= added.crLf, ends.lf -= added.lf;
                block.clear();
            }
        }
        ASSERT_EQ(ends.crLf + ends.lf, 0U);
        bytes->Finish();
        std::vector<std::uint32_t> unboxed;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (EncodeBoxText(lines[i]) != Utf8(lines[i]))
                unboxed.push_back(static_cast<std::uint32_t>(i));
        EXPECT_EQ(bytes->Unboxed(), unboxed);

        const LineList list(bytes);
        ASSERT_EQ(list.size(), lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            ASSERT_EQ(list.Bytes(i), Utf8(lines[i]));
        std::vector<std::uint32_t> some, fewer;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (random() % 3)
                some.push_back(static_cast<std::uint32_t>(i));
        for (std::size_t i = 0; i < some.size(); ++i)
            if (random() % 2)
                fewer.push_back(static_cast<std::uint32_t>(i));
        // In a box's buffer of these lines, made by the box's own encoder, the lines found
        // from where they start in the bytes are those found by reading it, in the same runs.
        std::string buffer;
        for (const std::u16string& line : lines)
            buffer += EncodeBoxText(line) + "\r\n";
        using Found = std::vector<std::pair<std::ptrdiff_t, std::size_t>>;
        Found byReading, byStarts;
        std::vector<std::size_t> readTicks, startTicks;
        const auto found = [&](Found& runs) {
            return [&](std::string_view run) {
                runs.emplace_back(run.data() - buffer.data(), run.size());
            };
        };
        const auto ticks = [](std::vector<std::size_t>& seen) {
            return [&](std::size_t line) { seen.push_back(line); };
        };
        PickBoxLines(buffer, some, found(byReading), ticks(readTicks));
        ASSERT_TRUE(PickBoxLinesOf(*bytes, buffer, some, found(byStarts), ticks(startTicks)));
        EXPECT_EQ(byStarts, byReading);
        EXPECT_EQ(startTicks, readTicks);
        EXPECT_FALSE(
            PickBoxLinesOf(*bytes, buffer + "\r\n", some, found(byStarts), ticks(startTicks)));

        const LineList picked = list.Pick(some);
        ASSERT_TRUE(picked.HoldsBytes() && !picked.HoldsAllBytes());
        const LineList units(lines);
        EXPECT_EQ(picked.Pick(fewer), units.Pick(some).Pick(fewer));
        EXPECT_EQ(picked, units.Pick(some));
        OperationProgress stopped;
        stopped.RequestCancel();
        if (!lines.empty()) {
            EXPECT_THROW(list.DecodeUnits(&stopped), OperationCancelled);
        }
        EXPECT_EQ(list, lines);
        EXPECT_EQ(list.Pick(some), units.Pick(some)); // picked from a list decoded
    }
}

// Copies share their index until one changes: after random copies, clears, reserves and
// appends, each list holds what a vector of strings treated alike holds.
TEST(LineList, CopiesChangeApartAsVectorsDo) {
    std::mt19937 random(17);
    std::vector<LineList> lists(3);
    std::vector<Strings> expected(3);
    for (int step = 0; step < 4000; ++step) {
        const std::size_t a = random() % 3, b = random() % 3, what = random() % 5;
        if (what == 4) { // a list of bytes, changed from now on as any other
            expected[a] = RandomUtf8Lines(random, random() % 5);
            auto bytes = std::make_shared<LineBytes>();
            for (const std::u16string& line : expected[a])
                bytes->Add(Utf8(line));
            lists[a] = LineList(bytes);
        }
        if (what == 0)
            std::tie(lists[a], expected[a]) = std::tie(lists[b], expected[b]);
        else if (what == 1)
            lists[a].clear(), expected[a].clear();
        else if (what == 2)
            lists[a].reserve(expected[a].size() + 1);
        for (const std::u16string& line : RandomLines(random, what == 3 ? 3 : 0))
            lists[a].push_back(line), expected[a].push_back(line);
        for (std::size_t i = 0; i < 3; ++i)
            ASSERT_EQ(lists[i], expected[i]) << "step " << step;
    }
}

} // namespace
