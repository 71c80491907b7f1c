// The canonical code of every code of code page 932 and EUC-JP against tables made by glibc's
// CP932 and EUC-JP-MS converters, called directly (CanonicalReference.h), and the check against
// the codec's own decoder: it takes exactly the codes the decoder reads as one character (and
// the encoding guess's check, those that are not C1 controls).
#include "core/encoding/CanonicalCodes.h"

#include "tests/support/CanonicalReference.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

struct Table {
    const char* name;
    const TextCodec* codec;
    const char* path;
};

class CanonicalCodesTest : public testing::TestWithParam<Table> {};

TEST_P(CanonicalCodesTest, MakesEachCodeWhatTheEncoderWritesForItsCharacter) {
    const TextCodec& codec = *GetParam().codec;
    const std::map<std::string, std::string> reference = LoadCanonicalReference(GetParam().path);
    ASSERT_FALSE(reference.empty()) << GetParam().path;

    const CanonicalCodes& codes = CanonicalCodes::Of(codec);
    EXPECT_TRUE(codes.LineEndsAlone());
    std::size_t valid = 0, notCanonical = 0;
    for (unsigned first = 0; first < 256; ++first) {
        const std::size_t length = codec.characterBytes(static_cast<unsigned char>(first));
        for (unsigned rest = 0; rest < 1u << (8 * (length - 1)); ++rest) {
            std::string code(1, static_cast<char>(first));
            for (std::size_t k = length - 1; k > 0; --k)
                code += static_cast<char>(rest >> (8 * (k - 1)));
            char16_t units[4];
            const char16_t* end = codec.decode(code, units);
            CanonicalCodes::Findings findings;
            const bool taken = codes.Check(code, findings);
            ASSERT_EQ(taken, end == units + 1) << testing::PrintToString(code);
            // The encoding guess's check takes the same codes but those read as C1 controls; it
            // refuses nothing else that the decoder takes, as no code reads as more than one
            // unit.
            ASSERT_TRUE(end == nullptr || end == units + 1) << testing::PrintToString(code);
            EXPECT_EQ(codes.ReadsWithoutControls(code),
                      taken && static_cast<unsigned>(units[0] - 0x80) >= 0x20)
                << testing::PrintToString(code);
            if (!taken)
                continue;
            ++valid;
            std::string canonical;
            codes.AppendCanonical(code, canonical);
            const auto expected = reference.find(code);
            EXPECT_EQ(canonical, expected == reference.end() ? code : expected->second)
                << testing::PrintToString(code);
            EXPECT_EQ(findings.notCanonical.size(), canonical == code ? 0u : 1u);
            EXPECT_FALSE(findings.notWrittenAsRead) << testing::PrintToString(code);
            notCanonical += canonical != code;
            // A code cut short is refused.
            EXPECT_EQ(codes.Check(code.substr(0, length - 1), findings), length == 1);
        }
    }
    EXPECT_EQ(notCanonical, reference.size());
    EXPECT_GT(valid, reference.size());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, CanonicalCodesTest,
    testing::Values(Table{"Cp932", &kCp932Codec, TANDREL_CP932_TABLE_DIR "/cp932-canonical.tsv"},
                    Table{"EucJp", &kEucJpCodec, TANDREL_EUCJP_TABLE_DIR "/eucjp-canonical.tsv"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
