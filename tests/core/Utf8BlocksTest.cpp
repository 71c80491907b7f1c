// The block converters must change nothing: every converter that uses them gives, at each of
// their levels and without them, the same result, and the UTF-8 ones the same as glibc's iconv;
// the UTF-8 check says what the decoders say. Inputs put each kind of trouble (cut-off, overlong
// and four-byte forms, surrogates, stray bytes, the box's own bytes) at every offset of a
// 64-byte stretch of mixed ASCII, Japanese and other text, ending the input or followed by
// ASCII or more text of every length.
#include "core/encoding/Utf8Blocks.h"

#include "core/encoding/TextCodecs.h"
#include "core/lines/BoxTextCodec.h"
#include "core/lines/LineList.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

std::optional<std::string> Iconv(const char* to, const char* from, std::string bytes) {
    const iconv_t cd = iconv_open(to, from);
    std::string out(bytes.size() * 2 + 8, '\0');
    char* in = bytes.data();
    char* at = out.data();
    std::size_t inLeft = bytes.size(), outLeft = out.size();
    const std::size_t done = iconv(cd, &in, &inLeft, &at, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string AsBytes(std::u16string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
}

std::string NameOf(Utf8BlocksLevel level) {
    constexpr const char* kNames[] = {"None", "Sse41", "Avx2", "Avx512"};
    return kNames[static_cast<int>(level)];
}

// Every level with block converters.
const auto kLevels =
    testing::ValuesIn(std::begin(kUtf8BlocksLevels) + 1, std::end(kUtf8BlocksLevels));

// Runs convert with the block converters of a level and without them; both results.
template <class Convert> auto BothWays(Utf8BlocksLevel level, Convert&& convert) {
    UseUtf8BlocksLevel(level);
    auto blocks = convert();
    UseUtf8BlocksLevel(Utf8BlocksLevel::kNone);
    auto plain = convert();
    UseUtf8BlocksLevel(Utf8BlocksBestLevel());
    return std::pair{blocks, plain};
}

void SkipUnlessRun(Utf8BlocksLevel level) {
    if (level > Utf8BlocksBestLevel())
        GTEST_SKIP() << "the processor does not run " << NameOf(level);
}

// A form that may go wrong, put among plain text, at a level.
class Utf8Blocks : public testing::TestWithParam<std::tuple<Utf8BlocksLevel, std::string>> {
protected:
    void SetUp() override { SkipUnlessRun(Level()); }
    static Utf8BlocksLevel Level() { return std::get<0>(GetParam()); }
    static const std::string& Form() { return std::get<1>(GetParam()); }
};

// Whether IsUtf8 (with the block check and without) and the decoder agree on bytes.
void ExpectCheckAgrees(Utf8BlocksLevel level, const std::string& bytes) {
    const auto [checked, plain] = BothWays(level, [&] { return IsUtf8(bytes); });
    std::u16string text(bytes.size(), u'\0');
    const bool decodes =
        BothWays(level, [&] { return DecodeUtf8(bytes, text.data()) != nullptr; }).second;
    ASSERT_EQ(checked, plain) << testing::PrintToString(bytes);
    ASSERT_EQ(checked, decodes) << testing::PrintToString(bytes);
}

TEST_P(Utf8Blocks, DecodeAgreesWithPlainDecoderAndIconv) {
    // Words of one to three bytes a character, now and then one of four.
    static constexpr const char* kWords[] = {"\xE3\x81\x82", "\xE6\x9D\xB1\xE4\xBA\xAC",
                                             "\xC3\xA9t\xC3\xA9", " ", "\r\n"};
    std::mt19937 random(7);
    for (int round = 0; round < 150; ++round) {
        std::string plain;
        while (plain.size() < 200)
            plain += random() % 2    ? std::string(1 + random() % 5, 'a' + random() % 26)
                     : random() % 50 ? kWords[random() % std::size(kWords)]
                                     : "\xF0\x9F\x98\x80";
        for (std::size_t at = 0; at <= 64; ++at) {
            // After the form: nothing, so that it ends the input, ASCII, which the checks
            // skip a block at a time, or more text.
            const std::string rest = round % 3 == 0   ? ""
                                     : round % 3 == 1 ? std::string(random() % 100, 'x')
                                                      : plain.substr(at, random() % 100);
            const std::string bytes = plain.substr(0, at) + Form() + rest;
            const auto [blocks, scalar] = BothWays(Level(), [&] {
                std::u16string text(bytes.size(), u'\0');
                const char16_t* end = DecodeUtf8(bytes, text.data());
                return end ? std::optional(AsBytes({text.data(), end})) : std::nullopt;
            });
            ASSERT_EQ(blocks, scalar) << testing::PrintToString(bytes);
            ASSERT_EQ(blocks, Iconv("UTF-16LE", "UTF-8", bytes)) << testing::PrintToString(bytes);
            ExpectCheckAgrees(Level(), bytes);
            const auto [boxBlocks, boxPlain] =
                BothWays(Level(), [&] { return DecodeBoxText(bytes); });
            ASSERT_EQ(boxBlocks, boxPlain) << testing::PrintToString(bytes);
        }
    }
}

// Called directly, the decoder takes whole characters, as the plain decoders decode them, reads
// only its input and writes only within the room its callers give: the units the bytes decode
// to. The input is held in a block of its own size, where the sanitizer sees a read past it.
TEST_P(Utf8Blocks, DecoderTakesWholeCharactersWithinItsRoom) {
    std::mt19937 random(5);
    for (int round = 0; round < 400; ++round) {
        static constexpr const char* kPieces[] = {"a", "abcdefgh", "\xE3\x81\x82", "\xC3\xA9",
                                                  "\n"};
        std::string bytes;
        for (std::size_t size = random() % 150; bytes.size() < size;)
            bytes += kPieces[random() % std::size(kPieces)];
        bytes.insert(random() % (bytes.size() + 1), Form());
        for (const bool keepSurrogates : {false, true}) {
            UseUtf8BlocksLevel(Utf8BlocksLevel::kNone);
            const std::size_t room = DecodeBoxText(bytes).size();
            constexpr char16_t kMark = u'\xFDFD';
            std::u16string out(room + 64, kMark);
            const std::vector<unsigned char> input(bytes.begin(), bytes.end());
            const unsigned char* in = input.data();
            UseUtf8BlocksLevel(Level());
            const Utf8BlocksDecoded done = DecodeUtf8Blocks(in, in + bytes.size(), out.data(),
                                                            out.data() + room, keepSurrogates);
            UseUtf8BlocksLevel(Utf8BlocksBestLevel());
            const std::string taken = bytes.substr(0, static_cast<std::size_t>(done.in - in));
            const std::u16string units(out.data(), done.out);
            // What the plain decoders make of it: the box's keeps surrogates, DecodeUtf8 takes
            // none.
            UseUtf8BlocksLevel(Utf8BlocksLevel::kNone);
            std::u16string plain = DecodeBoxText(taken);
            if (!keepSurrogates) {
                std::u16string text(taken.size(), u'\0');
                const char16_t* end = DecodeUtf8(taken, text.data());
                plain = end ? text.substr(0, end - text.data()) : u"(malformed)";
            }
            UseUtf8BlocksLevel(Utf8BlocksBestLevel());
            ASSERT_EQ(units, plain) << testing::PrintToString(bytes);
            ASSERT_EQ(out.find_first_not_of(kMark, room), std::u16string::npos)
                << testing::PrintToString(bytes);
        }
    }
}

// Where a long text is checked a piece at a time, around the cut of the first piece.
TEST_P(Utf8Blocks, CheckAgreesAroundPieceCuts) {
    std::string plain;
    while (plain.size() < 70'000)
        plain += plain.size() % 7 ? "\xE3\x81\x82" : "a";
    for (std::size_t at = 65'520; at <= 65'552; ++at)
        ExpectCheckAgrees(Level(), plain.substr(0, at) + Form() + plain.substr(at));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Utf8Blocks,
    testing::Combine(kLevels,
                     testing::Values("", "\xE0\xA0", "\xE3", "\x80", "\xC1\xBF", "\xE0\x9F\xBF",
                                     "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBF\xBF",
                                     "\xF0\x9F\x98\x80", "\xF4\x90\x80\x80", "\xC2\x80", "\xF5",
                                     "\xFE", "\xFF\n\xFF", "\r\n", "\xC0", "\xF0\x8F\xBF\xBF",
                                     "\xF5\x80\x80\x80")),
    [](const auto& info) {
        return NameOf(std::get<0>(info.param)) + "_" + std::to_string(info.index);
    });

// Text of every kind of unit, for the encoders and the box's split.
std::u16string RandomText(std::mt19937& random, std::size_t size) {
    // Each length's first and last units among them, where a wrong bound shows.
    static constexpr char16_t kUnits[] = {u'a',      u'\r',     u'\n',     u'\u00E9',
                                          u'\u3042', u'\x7F',   u'\x80',   u'\u07FF',
                                          u'\u0800', u'\uFFFF', u'\xD83D', u'\xDE00'};
    std::u16string text;
    while (text.size() < size) {
        const std::size_t kind = random() % (random() % 4 == 0 ? std::size(kUnits) : 9);
        text.append(1 + random() % 6, kUnits[kind] + (kind == 0 || kind == 4 ? random() % 20 : 0));
    }
    return text;
}

class Utf8BlocksText : public testing::TestWithParam<Utf8BlocksLevel> {
protected:
    void SetUp() override { SkipUnlessRun(GetParam()); }
};

TEST_P(Utf8BlocksText, EncodersAgreeWithPlainEncodersAndIconv) {
    std::mt19937 random(11);
    for (int round = 0; round < 3'000; ++round) {
        std::u16string text = RandomText(random, random() % (round % 10 == 0 ? 2'500 : 60));
        if (round % 20 == 0) // long lines, in rows
            std::erase(text, u'\n');
        const auto [blocks, plain] = BothWays(GetParam(), [&] {
            std::string bytes(text.size() * kMaxEncodedBytesPerUnit, '\0');
            const char* end = EncodeUtf8(text, bytes.data());
            return end ? std::optional(bytes.substr(0, end - bytes.data())) : std::nullopt;
        });
        ASSERT_EQ(blocks, plain) << testing::PrintToString(text);
        ASSERT_EQ(blocks, Iconv("UTF-8", "UTF-16LE", AsBytes(text)));

        const auto [box, boxPlain] = BothWays(GetParam(), [&] { return EncodeBoxText(text); });
        ASSERT_EQ(box, boxPlain) << testing::PrintToString(text);
        const auto [decoded, decodedPlain] =
            BothWays(GetParam(), [&] { return DecodeBoxText(box); });
        ASSERT_EQ(decoded, text);
        ASSERT_EQ(decodedPlain, text);
        const auto [lines, linesPlain] = BothWays(GetParam(), [&] {
            LineList split;
            SplitBoxText(box, split, nullptr);
            return std::vector<std::u16string>(split.begin(), split.end());
        });
        ASSERT_EQ(lines, linesPlain) << testing::PrintToString(text);
    }
}

// Called directly, the encoder stops at the first surrogate (or line end, when asked), encodes
// what it takes as the plain encoder does, reads only its input (held as the decoder's above)
// and writes no further than those bytes and one byte for each unit after them.
TEST_P(Utf8BlocksText, EncoderStopsAtTheFirstStopWithinItsRoom) {
    std::mt19937 random(13);
    for (int round = 0; round < 3'000; ++round) {
        // Units of every size mixed one by one, and now and then one to stop at.
        static constexpr char16_t kUnits[] = {u'a',      u'b',      u'c',      u'd',
                                              u'\u00E9', u'\u3042', u'\u3044', u'\r',
                                              u'\n',     u'\xD83D', u'\xDE00'};
        std::u16string text(random() % 70, u'\0');
        for (char16_t& unit : text)
            unit = kUnits[random() % (random() % 16 == 0 ? std::size(kUnits) : 7)];
        for (const bool stopAtLineEnds : {false, true}) {
            constexpr char kMark = '\xFD';
            std::string out(text.size() * 3 + 64, kMark);
            const std::vector<char16_t> input(text.begin(), text.end());
            UseUtf8BlocksLevel(GetParam());
            const Utf8BlocksEncoded done = EncodeUtf8Blocks(
                input.data(), input.data() + input.size(), out.data(), stopAtLineEnds);
            UseUtf8BlocksLevel(Utf8BlocksBestLevel());
            const std::u16string_view taken(text.data(), done.in - input.data());
            const std::size_t stop =
                std::u16string_view(text).find_first_of(stopAtLineEnds ? u"\r\n" : u"", 0);
            const auto firstSurrogate = std::find_if(text.begin(), text.end(), [](char16_t unit) {
                return unit >= 0xD800 && unit <= 0xDFFF;
            });
            ASSERT_EQ(taken.size(), std::min<std::size_t>(std::min(stop, text.size()),
                                                          firstSurrogate - text.begin()))
                << testing::PrintToString(text);
            ASSERT_EQ(std::optional(std::string(out.data(), done.out)),
                      Iconv("UTF-8", "UTF-16LE", AsBytes(taken)))
                << testing::PrintToString(text);
            ASSERT_EQ(
                out.find_first_not_of(kMark, done.out - out.data() + (text.size() - taken.size())),
                std::string::npos)
                << testing::PrintToString(text);
        }
    }
}

// Runs of ASCII, which the converters take a whole block at a time, of every length around a
// block's, with a character of each other length after them and a rest of every length.
TEST_P(Utf8BlocksText, ConvertersAgreeAfterAsciiRuns) {
    for (const char16_t other : {u'\u00E9', u'\u3042', u'\xD83D'}) {
        for (std::size_t run = 0; run <= 140; ++run) {
            for (std::size_t rest = 0; rest <= 20; rest += 3) {
                std::u16string text(run, u'x');
                text += other;
                if (other == u'\xD83D')
                    text += u'\xDE00';
                text.append(rest, rest % 2 ? u'y' : u'\u3044');
                const auto [bytes, plainBytes] = BothWays(GetParam(), [&] {
                    std::string out(text.size() * kMaxEncodedBytesPerUnit, '\0');
                    return std::string(out.data(), EncodeUtf8(text, out.data()));
                });
                ASSERT_EQ(bytes, plainBytes) << run << " " << rest;
                ASSERT_EQ(bytes, Iconv("UTF-8", "UTF-16LE", AsBytes(text)));
                const auto [units, plainUnits] = BothWays(GetParam(), [&] {
                    std::u16string out(bytes.size(), u'\0');
                    return std::u16string(out.data(), DecodeUtf8(bytes, out.data()));
                });
                ASSERT_EQ(units, plainUnits) << run << " " << rest;
                ASSERT_EQ(units, text);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Utf8BlocksText, kLevels,
                         [](const auto& info) { return NameOf(info.param); });

} // namespace
