// The UTF-8 decoder's short cuts (ASCII a byte or eight at a time between longer forms) must
// accept and refuse exactly what glibc's iconv does, and give the same units. Inputs mix ASCII
// runs of every length with sequences of each form, some of them broken.
#include "core/encoding/TextCodecs.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <random>
#include <string>

namespace {

std::optional<std::u16string> IconvDecode(std::string bytes) {
    const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::u16string text(bytes.size() + 1, u'\0');
    char* in = bytes.data();
    auto* out = reinterpret_cast<char*>(text.data());
    std::size_t inLeft = bytes.size(), outLeft = text.size() * 2;
    const std::size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    text.resize(text.size() - outLeft / 2);
    return text;
}

// The share of ASCII among the pieces, in percent.
class Utf8DecoderEquivalence : public testing::TestWithParam<int> {};

TEST_P(Utf8DecoderEquivalence, AgreesWithIconv) {
    static const std::string kForms[] = {"\xC3\xA9", "\xE3\x81\x82", "\xF0\x9F\x98\x80",
                                         "\xE3\x81", "\xED\xA0\x80", "\xC0\x80",
                                         "\x80"};
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    for (int round = 0; round < 2'000; ++round) {
        std::string bytes;
        for (int piece = random() % 12; piece > 0; --piece) {
            if (static_cast<int>(random() % 100) < GetParam())
                bytes.append(random() % 20, static_cast<char>('!' + random() % 90));
            else // the broken forms, last in the list, come rarely
                bytes += kForms[random() % (random() % 8 == 0 ? std::size(kForms) : 3)];
        }
        std::u16string text(bytes.size(), u'\0');
        const char16_t* end = DecodeUtf8(bytes, text.data());
        const std::optional<std::u16string> expected = IconvDecode(bytes);
        ASSERT_EQ(end != nullptr, expected.has_value()) << ::testing::PrintToString(bytes);
        if (end) {
            ASSERT_EQ(std::u16string_view(text.data(), static_cast<std::size_t>(end - text.data())),
                      *expected)
                << ::testing::PrintToString(bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AsciiShares, Utf8DecoderEquivalence, testing::Values(20, 60, 95));

} // namespace
