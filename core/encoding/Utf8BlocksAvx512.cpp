// The block converters for processors with AVX-512 and its byte instructions (VBMI, VBMI2),
// which take 64 bytes or sixteen units a step with no table at all. Byte masks load and store
// exactly the bytes there are, so the last bytes take a step like any other.
//
// Decoding works out, for every byte as if it ended a character, the unit that character would
// be, from the byte and the two before it; which bytes do end one (those before a byte that
// starts one) picks the units, which a compress packs. The block is checked whole as the AVX2
// version does; a block that is not plain UTF-8 of one to three bytes a character goes to the
// SSE4.1 version, which stops at what the block converters leave to the caller.
//
// Encoding makes every unit's three-byte form and keeps one, two or three of its bytes, again
// by a compress.
#include "core/encoding/Utf8BlockLevels.h"
#include "core/encoding/Utf8BlockTables.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#if !defined(__clang__)
// GCC 12 takes the deliberately undefined values of its own AVX-512 intrinsics for mistakes.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define TANDREL_AVX512                                                                             \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,popcnt")))

namespace utf8_blocks {

namespace {

// The first `count` bits, up to 64.
constexpr std::uint64_t FirstBits(std::size_t count) {
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

TANDREL_AVX512 inline __m512i Broadcast(const NibbleTable& table) {
    return _mm512_broadcast_i32x4(_mm_load_si128(reinterpret_cast<const __m128i*>(&table)));
}

// Byte i of the result is byte i - by of bytes, zero before the first.
TANDREL_AVX512 inline __m512i MoveUp(__m512i bytes, unsigned by) {
    const __m512i index = _mm512_sub_epi8(
        _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                        44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26,
                        25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                        5, 4, 3, 2, 1, 0),
        _mm512_set1_epi8(static_cast<char>(by)));
    return _mm512_maskz_permutexvar_epi8(~FirstBits(by), index, bytes);
}

// The units of the characters that end at 32 bytes, from the bytes, the bytes before each and
// the bytes two before, widened; continuation says which of the bytes are continuation bytes,
// and continuationBefore which of the bytes before them.
TANDREL_AVX512 inline __m512i UnitsEndingAt(__m256i bytes, __m256i before, __m256i twoBefore,
                                            std::uint32_t continuation,
                                            std::uint32_t continuationBefore) {
    const __m512i last = _mm512_cvtepu8_epi16(bytes);
    const __m512i middle = _mm512_cvtepu8_epi16(before);
    const __m512i first = _mm512_cvtepu8_epi16(twoBefore);
    // The bits of each part never overlap, so adding them puts them together.
    __m512i unit = _mm512_and_si512(last, _mm512_set1_epi16(0x7F));
    unit = _mm512_mask_add_epi16(
        unit, continuation, unit,
        _mm512_slli_epi16(_mm512_and_si512(middle, _mm512_set1_epi16(0x3F)), 6));
    unit = _mm512_mask_add_epi16(
        unit, continuation & continuationBefore, unit,
        _mm512_slli_epi16(_mm512_and_si512(first, _mm512_set1_epi16(0x0F)), 12));
    return unit;
}

} // namespace

TANDREL_AVX512 Utf8BlocksDecoded DecodeAvx512(const unsigned char* in, const unsigned char* end,
                                              char16_t* out, char16_t* outEnd,
                                              bool keepSurrogates) {
    const auto kept = static_cast<char>(keepSurrogates ? ~kSurrogate : 0xFF);
    const __m512i firstHigh = _mm512_and_si512(Broadcast(kFirstHighErrors), _mm512_set1_epi8(kept));
    const __m512i firstLow = Broadcast(kFirstLowErrors);
    const __m512i secondHigh = Broadcast(kSecondHighErrors);
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    while (in != end) {
        const auto left = static_cast<std::size_t>(end - in);
        // Past the end, zeros: a zero starts a character, so one that the end cuts off shows
        // as too short.
        const std::uint64_t present = FirstBits(left);
        const __m512i bytes = _mm512_maskz_loadu_epi8(present, in);
        if (_mm512_movepi8_mask(bytes) == 0) {
            const std::size_t ascii = left < 64 ? left : 64;
            _mm512_mask_storeu_epi16(out, static_cast<__mmask32>(FirstBits(ascii)),
                                     _mm512_cvtepu8_epi16(_mm512_castsi512_si256(bytes)));
            _mm512_mask_storeu_epi16(out + 32, static_cast<__mmask32>(FirstBits(ascii) >> 32),
                                     _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(bytes, 1)));
            in += ascii;
            out += ascii;
            continue;
        }
        // The block starts a character, as if after ASCII.
        const __m512i before = MoveUp(bytes, 1);
        const __m512i twoBefore = MoveUp(bytes, 2);
        const __m512i special = _mm512_and_si512(
            _mm512_and_si512(_mm512_shuffle_epi8(
                                 firstHigh, _mm512_and_si512(_mm512_srli_epi16(before, 4), nibble)),
                             _mm512_shuffle_epi8(firstLow, _mm512_and_si512(before, nibble))),
            _mm512_shuffle_epi8(secondHigh, _mm512_and_si512(_mm512_srli_epi16(bytes, 4), nibble)));
        // A byte two after a lead of E0 and up must be a continuation (the pair check takes it
        // for a second one of two); bytes from F0 up, which start four-byte forms, are left.
        const __m512i must = _mm512_and_si512(
            _mm512_subs_epu8(twoBefore, _mm512_set1_epi8(static_cast<char>(0xE0 - 0x80))),
            _mm512_set1_epi8(static_cast<char>(0x80)));
        const __m512i errors =
            _mm512_or_si512(_mm512_xor_si512(must, special),
                            _mm512_subs_epu8(bytes, _mm512_set1_epi8(static_cast<char>(0xEF))));
        if (_mm512_test_epi8_mask(errors, errors) != 0)
            break;
        // Compared as signed bytes, 0x80 to 0xBF are those below 0xC0.
        const std::uint64_t continuation =
            _mm512_cmplt_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(0xC0)));
        // A byte ends a character when the next one starts one; whether the last of 64 does
        // is known only from the next block.
        const std::uint64_t ends = ~continuation >> 1 & (present >> 1 | (left < 64 ? present : 0));
        if (ends == 0) // never, after the check above; but a slip there must not loop for ever
            break;
        const auto endsLow = static_cast<std::uint32_t>(ends);
        const auto endsHigh = static_cast<std::uint32_t>(ends >> 32);
        const auto low = static_cast<unsigned>(__builtin_popcount(endsLow));
        const auto high = static_cast<unsigned>(__builtin_popcount(endsHigh));
        _mm512_mask_storeu_epi16(
            out, static_cast<__mmask32>(FirstBits(low)),
            _mm512_maskz_compress_epi16(
                endsLow,
                UnitsEndingAt(_mm512_castsi512_si256(bytes), _mm512_castsi512_si256(before),
                              _mm512_castsi512_si256(twoBefore),
                              static_cast<std::uint32_t>(continuation),
                              static_cast<std::uint32_t>(continuation << 1))));
        _mm512_mask_storeu_epi16(
            out + low, static_cast<__mmask32>(FirstBits(high)),
            _mm512_maskz_compress_epi16(
                endsHigh, UnitsEndingAt(_mm512_extracti64x4_epi64(bytes, 1),
                                        _mm512_extracti64x4_epi64(before, 1),
                                        _mm512_extracti64x4_epi64(twoBefore, 1),
                                        static_cast<std::uint32_t>(continuation >> 32),
                                        static_cast<std::uint32_t>(continuation >> 31))));
        in += 64 - static_cast<unsigned>(__builtin_clzll(ends));
        out += low + high;
    }
    return DecodeSse41(in, end, out, outEnd, keepSurrogates);
}

TANDREL_AVX512 Utf8BlocksEncoded EncodeAvx512(const char16_t* in, const char16_t* end, char* out,
                                              bool stopAtLineEnds) {
    const LineEndStops lineEnds = LineEndStopsOf(stopAtLineEnds);
    const __m256i carriageReturn = _mm256_set1_epi16(lineEnds.carriageReturn);
    const __m256i lineFeed = _mm256_set1_epi16(lineEnds.lineFeed);
    while (in != end) {
        const auto left = static_cast<std::size_t>(end - in);
        const auto present = static_cast<__mmask16>(FirstBits(left));
        const __m256i units = _mm256_maskz_loadu_epi16(present, in);
        // Past the end counts as a stop.
        const unsigned stops =
            _mm256_cmpeq_epi16_mask(
                _mm256_and_si256(units, _mm256_set1_epi16(static_cast<short>(0xF800))),
                _mm256_set1_epi16(static_cast<short>(0xD800))) |
            _mm256_cmpeq_epi16_mask(units, carriageReturn) |
            _mm256_cmpeq_epi16_mask(units, lineFeed) | static_cast<unsigned>(~present);
        const auto usable = static_cast<unsigned>(__builtin_ctz(stops | 0x10000));
        if (usable == 0)
            break;
        if (_mm256_test_epi16_mask(units, _mm256_set1_epi16(static_cast<short>(0xFF80))) == 0) {
            _mm_mask_storeu_epi8(out, static_cast<__mmask16>(FirstBits(usable)),
                                 _mm256_cvtepi16_epi8(units));
            in += usable;
            out += usable;
            continue;
        }
        const __m512i unit = _mm512_cvtepu16_epi32(units);
        const __mmask16 two = _mm512_cmpgt_epu32_mask(unit, _mm512_set1_epi32(0x7F));
        const __mmask16 three = _mm512_cmpgt_epu32_mask(unit, _mm512_set1_epi32(0x7FF));
        const __m512i low6 = _mm512_or_si512(_mm512_and_si512(unit, _mm512_set1_epi32(0x3F)),
                                             _mm512_set1_epi32(0x80));
        const __m512i mid6 =
            _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(unit, 6), _mm512_set1_epi32(0x3F)),
                            _mm512_set1_epi32(0x80));
        const __m512i formTwo =
            _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(unit, 6), _mm512_set1_epi32(0xC0)),
                            _mm512_slli_epi32(low6, 8));
        const __m512i formThree = _mm512_or_si512(
            _mm512_or_si512(_mm512_srli_epi32(unit, 12), _mm512_set1_epi32(0xE0)),
            _mm512_or_si512(_mm512_slli_epi32(mid6, 8), _mm512_slli_epi32(low6, 16)));
        const __m512i form =
            _mm512_mask_blend_epi32(three, _mm512_mask_blend_epi32(two, unit, formTwo), formThree);
        // Which bytes of each unit's four to keep: one, two or three, none of units not taken.
        const __m512i length = _mm512_mask_blend_epi32(
            three, _mm512_mask_blend_epi32(two, _mm512_set1_epi32(0xFF), _mm512_set1_epi32(0xFFFF)),
            _mm512_set1_epi32(0xFFFFFF));
        const std::uint64_t keep = _mm512_test_epi8_mask(length, length) & FirstBits(4 * usable);
        const auto bytes = static_cast<std::size_t>(__builtin_popcountll(keep));
        _mm512_mask_storeu_epi8(out, FirstBits(bytes), _mm512_maskz_compress_epi8(keep, form));
        in += usable;
        out += bytes;
    }
    return {in, out};
}

} // namespace utf8_blocks

#endif
