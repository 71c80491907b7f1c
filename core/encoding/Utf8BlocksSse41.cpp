// The block converters for processors with SSE4.1 (every x86-64 one of the last fifteen
// years), sixteen bytes a step.
//
// Decoding follows Lemire and Keiser's scheme: which of sixteen bytes start a character gives,
// through a table, a shuffle that gathers the bytes of the first (up to) four characters into
// four 32-bit lanes, last byte lowest. One formula then decodes every lane whatever its length,
// and the lengths, known from the table, say what each lead byte must look like and how small
// the value may be. Encoding runs the other way: each unit's one-, two- and three-byte forms are
// made side by side, its size selects one, and a table shuffle packs the four.
#include "core/encoding/AsciiFastPath.h"
#include "core/encoding/Utf8BlockLevels.h"
#include "core/encoding/Utf8BlockTables.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define TANDREL_SSE41 __attribute__((target("sse4.1")))

namespace utf8_blocks {

namespace {

// The last bytes (fewer than sixteen) of the input that starts at start, at p, followed by
// zeros. Read as the sixteen bytes that end with them, moved down, when those are all input:
// most lines are longer than a block, and a copy would cost more than the rest of their tail.
TANDREL_SSE41 inline __m128i LoadTail(const unsigned char* p, std::size_t bytes,
                                      const unsigned char* start) {
    if (static_cast<std::size_t>(p - start) + bytes >= 16) {
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + bytes - 16));
        const ByteShift& down = ByteShiftOf(static_cast<int>(bytes) - 16);
        return _mm_shuffle_epi8(last, _mm_load_si128(reinterpret_cast<const __m128i*>(&down)));
    }
    alignas(16) unsigned char padded[16] = {};
    std::memcpy(padded, p, bytes);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
}

} // namespace

TANDREL_SSE41 Utf8BlocksDecoded DecodeSse41(const unsigned char* in, const unsigned char* end,
                                            char16_t* out, char16_t* outEnd, bool keepSurrogates) {
    const __m128i continuationBelow = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i surrogateMask = _mm_set1_epi32(0xF800);
    const __m128i surrogate = _mm_set1_epi32(keepSurrogates ? -1 : 0xD800); // -1: never equal
    const unsigned char* const start = in;
    for (;;) {
        const auto left = static_cast<std::size_t>(end - in);
        if (left == 0)
            break;
        // The last bytes are followed by zeros: a zero starts a character, so a sequence cut
        // off by the end shows as too short, and what is past the end is never counted as
        // decoded.
        const bool tail = left < 16;
        const __m128i bytes = tail ? LoadTail(in, left, start)
                                   : _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (!tail && (high & 0xF) == 0) {
            // Four ASCII bytes or more: all sixteen are widened, as many as are ASCII kept.
            std::size_t ascii;
            if (outEnd - out >= 16) {
                ascii = WidenAsciiPrefix(in, out);
            } else {
                alignas(16) char16_t sixteen[16];
                ascii = WidenAsciiPrefix(in, sixteen);
                std::memcpy(out, sixteen, ascii * sizeof(char16_t));
            }
            in += ascii;
            out += ascii;
            continue;
        }
        // Compared as signed bytes, 0x80 to 0xBF are those below 0xC0.
        const auto continuation =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(bytes, continuationBelow)));
        const unsigned starts = ~continuation >> 1 & 0xFFF;
        const DecodeShape& shape = kDecodeShapes[kShapeOfStarts[starts]];
        unsigned lanes = shape.lanes;
        while (lanes > 0 && shape.ends[lanes - 1] > left)
            --lanes;
        if (lanes == 0)
            break;
        const __m128i chars = _mm_shuffle_epi8(
            bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.shuffle)));
        const __m128i value = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(chars, _mm_set1_epi32(0x7F)),
                         _mm_and_si128(_mm_srli_epi32(chars, 2), _mm_set1_epi32(0x0FC0))),
            _mm_and_si128(_mm_srli_epi32(chars, 4), _mm_set1_epi32(0xF000)));
        const __m128i leadMask = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.leadMask));
        const __m128i leadValue = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.leadValue));
        const __m128i minimum = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.minimum));
        const __m128i good = _mm_andnot_si128(
            _mm_or_si128(_mm_cmplt_epi32(value, minimum),
                         _mm_cmpeq_epi32(_mm_and_si128(value, surrogateMask), surrogate)),
            _mm_cmpeq_epi32(_mm_and_si128(chars, leadMask), leadValue));
        const unsigned bad =
            ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(good))) & ((1u << lanes) - 1);
        if (bad != 0) {
            lanes = static_cast<unsigned>(__builtin_ctz(bad)); // those before the bad one
            if (lanes == 0)
                break;
        }
        const __m128i units = _mm_packus_epi32(value, value);
        if (outEnd - out >= 4) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), units);
        } else {
            alignas(16) char16_t four[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(four), units);
            std::memcpy(out, four, lanes * sizeof(char16_t));
        }
        in += shape.ends[lanes - 1];
        out += lanes;
    }
    return {in, out};
}

TANDREL_SSE41 Utf8BlocksEncoded EncodeSse41(const char16_t* in, const char16_t* end, char* out,
                                            bool stopAtLineEnds) {
    const LineEndStops lineEnds = LineEndStopsOf(stopAtLineEnds);
    const __m128i carriageReturn = _mm_set1_epi16(lineEnds.carriageReturn);
    const __m128i lineFeed = _mm_set1_epi16(lineEnds.lineFeed);
    const __m128i surrogateMask = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const auto* const start = reinterpret_cast<const unsigned char*>(in);
    for (;;) {
        const auto left = static_cast<std::size_t>(end - in);
        if (left == 0)
            break;
        const bool tail = left < 8;
        const __m128i units = tail ? LoadTail(reinterpret_cast<const unsigned char*>(in),
                                              left * sizeof(char16_t), start)
                                   : _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i stop = _mm_or_si128(
            _mm_cmpeq_epi16(_mm_and_si128(units, surrogateMask), surrogate),
            _mm_or_si128(_mm_cmpeq_epi16(units, carriageReturn), _mm_cmpeq_epi16(units, lineFeed)));
        // Two mask bits a unit; past the end counts as a stop.
        const unsigned stops =
            static_cast<unsigned>(_mm_movemask_epi8(stop)) | (tail ? ~0u << (2 * left) : 0u);
        const unsigned usable = stops == 0 ? 8 : static_cast<unsigned>(__builtin_ctz(stops)) / 2;
        if (usable == 0)
            break;
        if (usable == 8 &&
            _mm_testz_si128(units, nonAscii)) { // eight ASCII units, no stop among them
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            in += 8;
            out += 8;
            continue;
        }
        const unsigned lanes = usable < 4 ? usable : 4;
        const __m128i unit = _mm_cvtepu16_epi32(units);
        const __m128i two = _mm_cmpgt_epi32(unit, _mm_set1_epi32(0x7F));
        const __m128i three = _mm_cmpgt_epi32(unit, _mm_set1_epi32(0x7FF));
        const __m128i low6 =
            _mm_or_si128(_mm_and_si128(unit, _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
        const __m128i mid6 = _mm_or_si128(
            _mm_and_si128(_mm_srli_epi32(unit, 6), _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
        const __m128i formTwo = _mm_or_si128(
            _mm_or_si128(_mm_srli_epi32(unit, 6), _mm_set1_epi32(0xC0)), _mm_slli_epi32(low6, 8));
        const __m128i formThree =
            _mm_or_si128(_mm_or_si128(_mm_srli_epi32(unit, 12), _mm_set1_epi32(0xE0)),
                         _mm_or_si128(_mm_slli_epi32(mid6, 8), _mm_slli_epi32(low6, 16)));
        const __m128i form = _mm_blendv_epi8(_mm_blendv_epi8(unit, formTwo, two), formThree, three);
        const unsigned index = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(two)) |
                                                     _mm_movemask_ps(_mm_castsi128_ps(three)) << 4);
        const EncodeShape& shape = kEncodeShapes[index];
        const __m128i packed =
            _mm_shuffle_epi8(form, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.shuffle)));
        const std::size_t bytes = shape.ends[lanes - 1];
        // The rest of the text takes at least a byte a unit: room for sixteen when that and
        // these bytes make sixteen.
        if (bytes + (left - lanes) >= 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
        } else {
            alignas(16) char sixteen[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(sixteen), packed);
            std::memcpy(out, sixteen, bytes);
        }
        in += lanes;
        out += bytes;
    }
    return {in, out};
}

// Pairs of bytes are checked as Utf8BlockTables.h describes.
TANDREL_SSE41 std::optional<bool> CheckSse41(const unsigned char* in, const unsigned char* end) {
    const __m128i firstHigh = _mm_load_si128(reinterpret_cast<const __m128i*>(&kFirstHighErrors));
    const __m128i firstLow = _mm_load_si128(reinterpret_cast<const __m128i*>(&kFirstLowErrors));
    const __m128i secondHigh = _mm_load_si128(reinterpret_cast<const __m128i*>(&kSecondHighErrors));
    // A lead byte this close to a block's end needs bytes of the next block.
    const __m128i lastAllowed = _mm_setr_epi8(
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
        static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    __m128i errors = _mm_setzero_si128();
    __m128i previous = _mm_setzero_si128();
    __m128i incomplete = _mm_setzero_si128();
    const auto check = [&](__m128i input) TANDREL_SSE41 {
        if (_mm_movemask_epi8(input) == 0) {
            errors = _mm_or_si128(errors, incomplete);
            incomplete = _mm_setzero_si128();
            previous = input;
            return;
        }
        const __m128i prev1 = _mm_alignr_epi8(input, previous, 15);
        const __m128i special = _mm_and_si128(
            _mm_and_si128(
                _mm_shuffle_epi8(firstHigh, _mm_and_si128(_mm_srli_epi16(prev1, 4), nibble)),
                _mm_shuffle_epi8(firstLow, _mm_and_si128(prev1, nibble))),
            _mm_shuffle_epi8(secondHigh, _mm_and_si128(_mm_srli_epi16(input, 4), nibble)));
        // Only a byte two after a lead of E0 and up, or three after F0 and up, must be a
        // continuation that the pair check above takes for a second one of two.
        const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 14),
                                            _mm_set1_epi8(static_cast<char>(0xE0 - 0x80)));
        const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 13),
                                             _mm_set1_epi8(static_cast<char>(0xF0 - 0x80)));
        const __m128i must =
            _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(static_cast<char>(0x80)));
        errors = _mm_or_si128(errors, _mm_xor_si128(must, special));
        incomplete = _mm_subs_epu8(input, lastAllowed);
        previous = input;
    };
    for (; end - in >= 16; in += 16)
        check(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
    // The rest, followed by zeros, which end any character cut off.
    alignas(16) unsigned char padded[16] = {};
    std::memcpy(padded, in, static_cast<std::size_t>(end - in));
    check(_mm_load_si128(reinterpret_cast<const __m128i*>(padded)));
    errors = _mm_or_si128(errors, incomplete);
    return _mm_testz_si128(errors, errors) != 0;
}

} // namespace utf8_blocks

#endif
