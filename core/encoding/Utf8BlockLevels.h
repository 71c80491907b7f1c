// The block converters of each instruction-set level, behind Utf8Blocks.h, which picks one.
// Each keeps that header's contract; a level may hand what it does not take to a lower one.
#pragma once

#include "core/encoding/Utf8Blocks.h"

#include <cstddef>
#include <optional>

namespace utf8_blocks {

Utf8BlocksDecoded DecodeSse41(const unsigned char* in, const unsigned char* end, char16_t* out,
                              char16_t* outEnd, bool keepSurrogates);
Utf8BlocksEncoded EncodeSse41(const char16_t* in, const char16_t* end, char* out,
                              bool stopAtLineEnds);
std::optional<bool> CheckSse41(const unsigned char* in, const unsigned char* end);

Utf8BlocksDecoded DecodeAvx2(const unsigned char* in, const unsigned char* end, char16_t* out,
                             char16_t* outEnd, bool keepSurrogates);
Utf8BlocksEncoded EncodeAvx2(const char16_t* in, const char16_t* end, char* out,
                             bool stopAtLineEnds);
std::optional<bool> CheckAvx2(const unsigned char* in, const unsigned char* end);

// No check of its own: the AVX2 one runs at memory speed already.
Utf8BlocksDecoded DecodeAvx512(const unsigned char* in, const unsigned char* end, char16_t* out,
                               char16_t* outEnd, bool keepSurrogates);
Utf8BlocksEncoded EncodeAvx512(const char16_t* in, const char16_t* end, char* out,
                               bool stopAtLineEnds);

} // namespace utf8_blocks
