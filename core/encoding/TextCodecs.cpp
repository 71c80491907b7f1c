#include "core/encoding/TextCodecs.h"

#include "core/encoding/Cp932Tables.h"
#include "core/encoding/UnicodeScalars.h"

using namespace std::string_view_literals;

const TextCodec kCp932Codec{
    .name = "code page 932",
    .unitBytes = 1,
    .decode = DecodeCp932,
    .encode = EncodeCp932,
    .characterBytes = [](unsigned char lead) -> std::size_t {
        return cp932::kSingleByte[lead] == cp932::kLeadByte ? 2 : 1;
    },
    .lineEnd = "\r\n"sv,
    .mark = ""sv, // code page 932 has no U+FEFF
};

const TextCodec kUtf8Codec{
    .name = "UTF-8",
    .unitBytes = 1,
    .decode = DecodeUtf8,
    .encode = EncodeUtf8,
    .characterBytes = [](unsigned char lead) -> std::size_t { return Utf8SequenceLength(lead); },
    .lineEnd = "\r\n"sv,
    .mark = "\xEF\xBB\xBF"sv,
};

const TextCodec kUtf16LECodec{
    .name = "UTF-16LE",
    .unitBytes = 2,
    .decode = DecodeUtf16LE,
    .encode = EncodeUtf16LE,
    .characterBytes = [](unsigned char) -> std::size_t { return 2; },
    .lineEnd = "\r\0\n\0"sv,
    .mark = "\xFF\xFE"sv,
};

const TextCodec kEucJpCodec{
    .name = "EUC-JP",
    .unitBytes = 1,
    .decode = DecodeEucJp,
    .encode = EncodeEucJp,
    // 8F starts three bytes (JIS X 0212), 8E and the row bytes A1 to FE two, the rest one.
    .characterBytes = [](unsigned char lead) -> std::size_t {
        return lead == 0x8F ? 3 : lead == 0x8E || (lead >= 0xA1 && lead <= 0xFE) ? 2 : 1;
    },
    .lineEnd = "\r\n"sv,
    .mark = ""sv, // neither has EUC-JP
};
