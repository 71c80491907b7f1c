// The block converters for processors with AVX2.
//
// Decoding takes 64 bytes a block, as Lemire and Muła describe: the block is checked whole
// (Utf8BlockTables.h) and which of its bytes start a character is found for all 64 at once;
// then its characters are decoded four a step as the SSE4.1 version does, but with no check per
// step and no fresh look at the bytes to find the next one: a step waits only on one table
// load, the previous one's. A block with anything those steps cannot take (four-byte forms,
// malformed bytes, the box's own bytes) goes to the SSE4.1 version, which stops at it or takes
// it; so do the last few bytes.
//
// Encoding takes sixteen units a step: the SSE4.1 version's forms and shuffles for four groups
// of four at once, stored one after the other.
#include "core/encoding/UnicodeScalars.h"
#include "core/encoding/Utf8BlockLevels.h"
#include "core/encoding/Utf8BlockTables.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define TANDREL_AVX2 __attribute__((target("avx2")))

namespace utf8_blocks {

namespace {

struct PairTables {
    __m256i firstHigh, firstLow, secondHigh;
};

TANDREL_AVX2 inline __m256i Broadcast(const NibbleTable& table) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(&table)));
}

// Encoded surrogates are errors unless they are kept.
TANDREL_AVX2 inline PairTables LoadPairTables(bool keepSurrogates) {
    const auto kept = static_cast<char>(keepSurrogates ? ~kSurrogate : 0xFF);
    return {_mm256_and_si256(Broadcast(kFirstHighErrors), _mm256_set1_epi8(kept)),
            Broadcast(kFirstLowErrors), Broadcast(kSecondHighErrors)};
}

// The errors among the 32 bytes of input that follow those of previous: a byte not zero for
// each, but for characters that the end of input cuts off.
TANDREL_AVX2 inline __m256i PairErrors(__m256i input, __m256i previous, const PairTables& tables) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    // input moved up by one lane: previous's upper half, then input's lower.
    const __m256i before = _mm256_permute2x128_si256(previous, input, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(input, before, 15);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(tables.firstHigh,
                                             _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                         _mm256_shuffle_epi8(tables.firstLow, _mm256_and_si256(prev1, nibble))),
        _mm256_shuffle_epi8(tables.secondHigh,
                            _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
    const __m256i third = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 14),
                                           _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 13),
                                            _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i must =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(must, special);
}

// Writes the 32 bytes of ASCII as 32 units.
TANDREL_AVX2 inline void WidenAscii(__m256i ascii, char16_t* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_cvtepu8_epi16(_mm256_castsi256_si128(ascii)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16),
                        _mm256_cvtepu8_epi16(_mm256_extracti128_si256(ascii, 1)));
}

} // namespace

TANDREL_AVX2 Utf8BlocksDecoded DecodeAvx2(const unsigned char* in, const unsigned char* end,
                                          char16_t* out, char16_t* outEnd, bool keepSurrogates) {
    // A step sees which of the twelve bytes after its first start a character, and reads
    // sixteen bytes: steps start no further into a block than this.
    constexpr std::size_t kLastStep = 64 - 13;
    // Blocks this long read only input; a shorter rest is copied, with zeros after it.
    constexpr std::size_t kWholeBlock = 80;
    const PairTables tables = LoadPairTables(keepSurrogates);
    const __m256i lastLead = _mm256_set1_epi8(static_cast<char>(0xEF));
    const __m256i continuationBelow = _mm256_set1_epi8(static_cast<char>(0xC0));
    alignas(32) unsigned char padded[96];
    for (;;) {
        const auto left = static_cast<std::size_t>(end - in);
        const unsigned char* block = in;
        std::size_t lastStep = kLastStep;
        if (left < kWholeBlock) {
            if (left < 16)
                break;
            std::memcpy(padded, in, left);
            std::memset(padded + left, 0, sizeof padded - left);
            block = padded;
            // Four characters of the last step end before the last byte at the latest.
            lastStep = std::min(kLastStep, left - 12);
        }
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
        if (left >= 64 && _mm256_movemask_epi8(_mm256_or_si256(low, high)) == 0) {
            WidenAscii(low, out);
            WidenAscii(high, out + 32);
            in += 64;
            out += 64;
            continue;
        }
        // The block starts a character, as if after ASCII; bytes from F0 up count as errors,
        // since the steps take no four-byte forms. What ends the block is checked with the next.
        const __m256i errors = _mm256_or_si256(
            _mm256_or_si256(PairErrors(low, _mm256_setzero_si256(), tables),
                            PairErrors(high, low, tables)),
            _mm256_or_si256(_mm256_subs_epu8(low, lastLead), _mm256_subs_epu8(high, lastLead)));
        if (!_mm256_testz_si256(errors, errors))
            break;
        // Compared as signed bytes, 0x80 to 0xBF are those below 0xC0.
        const std::uint64_t starts =
            ~(std::uint64_t{static_cast<std::uint32_t>(
                  _mm256_movemask_epi8(_mm256_cmpgt_epi8(continuationBelow, low)))} |
              std::uint64_t{static_cast<std::uint32_t>(
                  _mm256_movemask_epi8(_mm256_cmpgt_epi8(continuationBelow, high)))}
                  << 32);
        std::size_t at = 0;
        do {
            const unsigned step = kFourCharacterSteps[starts >> (at + 1) & 0xFFF];
            const DecodeShape& shape = kDecodeShapes[step >> 4];
            const __m128i chars =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at)),
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(shape.shuffle)));
            const __m128i value = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(chars, _mm_set1_epi32(0x7F)),
                             _mm_and_si128(_mm_srli_epi32(chars, 2), _mm_set1_epi32(0x0FC0))),
                _mm_and_si128(_mm_srli_epi32(chars, 4), _mm_set1_epi32(0xF000)));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi32(value, value));
            out += 4;
            at += step & 0xF;
        } while (at <= lastStep);
        in += at;
        if (block == padded)
            break;
    }
    return DecodeSse41(in, end, out, outEnd, keepSurrogates);
}

namespace {

// Eight units' UTF-8 forms, in two groups of four packed each into its half.
struct PackedGroups {
    __m256i bytes;
    unsigned first, second; // the groups' entries in kEncodeShapes
};

TANDREL_AVX2 inline PackedGroups PackEight(__m256i unit) {
    const __m256i two = _mm256_cmpgt_epi32(unit, _mm256_set1_epi32(0x7F));
    const __m256i three = _mm256_cmpgt_epi32(unit, _mm256_set1_epi32(0x7FF));
    const __m256i low6 =
        _mm256_or_si256(_mm256_and_si256(unit, _mm256_set1_epi32(0x3F)), _mm256_set1_epi32(0x80));
    const __m256i mid6 =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(unit, 6), _mm256_set1_epi32(0x3F)),
                        _mm256_set1_epi32(0x80));
    const __m256i formTwo =
        _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(unit, 6), _mm256_set1_epi32(0xC0)),
                        _mm256_slli_epi32(low6, 8));
    const __m256i formThree =
        _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(unit, 12), _mm256_set1_epi32(0xE0)),
                        _mm256_or_si256(_mm256_slli_epi32(mid6, 8), _mm256_slli_epi32(low6, 16)));
    const __m256i form =
        _mm256_blendv_epi8(_mm256_blendv_epi8(unit, formTwo, two), formThree, three);
    const auto twos = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(two)));
    const auto threes = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(three)));
    const unsigned first = (twos & 0xF) | (threes & 0xF) << 4;
    const unsigned second = twos >> 4 | (threes & 0xF0);
    const __m256i shuffle = _mm256_inserti128_si256(
        _mm256_castsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kEncodeShapes[first].shuffle))),
        _mm_load_si128(reinterpret_cast<const __m128i*>(kEncodeShapes[second].shuffle)), 1);
    return {_mm256_shuffle_epi8(form, shuffle), first, second};
}

// Sixteen units' forms: four groups of four, each packed from its first byte, zeros after.
struct SixteenForms {
    __m128i groups[4];
    unsigned shapes[4]; // entries in kEncodeShapes
    unsigned lengths[4];

    // The bytes of the first `units` units.
    std::size_t BytesOf(unsigned units) const {
        std::size_t bytes = 0;
        for (unsigned g = 0; g < units / 4; ++g)
            bytes += lengths[g];
        if (units % 4 != 0)
            bytes += kEncodeShapes[shapes[units / 4]].ends[units % 4 - 1];
        return bytes;
    }
};

TANDREL_AVX2 inline SixteenForms FormsOf(__m256i units) {
    const PackedGroups low = PackEight(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(units)));
    const PackedGroups high = PackEight(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(units, 1)));
    return {{_mm256_castsi256_si128(low.bytes), _mm256_extracti128_si256(low.bytes, 1),
             _mm256_castsi256_si128(high.bytes), _mm256_extracti128_si256(high.bytes, 1)},
            {low.first, low.second, high.first, high.second},
            {kEncodeShapes[low.first].ends[3], kEncodeShapes[low.second].ends[3],
             kEncodeShapes[high.first].ends[3], kEncodeShapes[high.second].ends[3]}};
}

// Writes the first `bytes` bytes of the forms (sixteen or more) to out and nothing after them:
// each group whole where its sixteen bytes fit, then the last sixteen, gathered from the groups
// moved into place, over what the whole ones left unfinished.
TANDREL_AVX2 inline void StoreExactly(const SixteenForms& forms, char* out, std::size_t bytes) {
    __m128i last = _mm_setzero_si128();
    std::size_t at = 0;
    for (unsigned g = 0; g < 4; ++g) {
        if (at + 16 <= bytes)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), forms.groups[g]);
        const ByteShift& shift = ByteShiftOf(static_cast<int>(at + 16) - static_cast<int>(bytes));
        last = _mm_or_si128(
            last, _mm_shuffle_epi8(forms.groups[g],
                                   _mm_load_si128(reinterpret_cast<const __m128i*>(&shift))));
        at += forms.lengths[g];
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + bytes - 16), last);
}

} // namespace

TANDREL_AVX2 Utf8BlocksEncoded EncodeAvx2(const char16_t* in, const char16_t* end, char* out,
                                          bool stopAtLineEnds) {
    const LineEndStops lineEnds = LineEndStopsOf(stopAtLineEnds);
    const __m256i carriageReturn = _mm256_set1_epi16(lineEnds.carriageReturn);
    const __m256i lineFeed = _mm256_set1_epi16(lineEnds.lineFeed);
    const __m256i surrogateMask = _mm256_set1_epi16(static_cast<short>(0xF800));
    const __m256i surrogate = _mm256_set1_epi16(static_cast<short>(0xD800));
    const __m256i nonAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
    // The box's line ends and surrogate pairs come one at a time: nothing to load for them.
    if (in != end && (IsSurrogate(*in) || (stopAtLineEnds && (*in == u'\r' || *in == u'\n'))))
        return {in, out};
    const char16_t* const start = in;
    while (in != end) {
        const auto left = static_cast<std::size_t>(end - in);
        // Fewer than sixteen units left: the sixteen that end the text, when this call encoded
        // the first of them already; encoded again, they give the same bytes again.
        unsigned done = 0;
        if (left < 16) {
            if (end - start < 16)
                break;
            done = static_cast<unsigned>(16 - left);
        }
        const char16_t* const from = in - done;
        const __m256i units = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
        const __m256i stop =
            _mm256_or_si256(_mm256_cmpeq_epi16(_mm256_and_si256(units, surrogateMask), surrogate),
                            _mm256_or_si256(_mm256_cmpeq_epi16(units, carriageReturn),
                                            _mm256_cmpeq_epi16(units, lineFeed)));
        // Two mask bits a unit; none among those done.
        const auto stops = static_cast<std::uint32_t>(_mm256_movemask_epi8(stop));
        if (stops == 0 && done == 0 && _mm256_testz_si256(units, nonAscii)) {
            // Packed within each half; the two halves' first eight bytes brought together.
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(units, units),
                                                            _MM_SHUFFLE(3, 1, 2, 0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
            in += 16;
            out += 16;
            continue;
        }
        const unsigned usable = stops == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(stops)) / 2;
        if (usable == done)
            return {in, out}; // at a stop
        const SixteenForms forms = FormsOf(units);
        // Each group stored as sixteen bytes: the rest of the text takes at least a byte a
        // unit, so with sixteen units taken the last store stays within the text's bytes when
        // those after it make up for what the last group leaves of sixteen.
        if (usable == 16 && done == 0 && left - 16 + forms.lengths[3] >= 16) {
            for (unsigned g = 0; g < 4; ++g) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), forms.groups[g]);
                out += forms.lengths[g];
            }
            in += 16;
            continue;
        }
        const std::size_t before = forms.BytesOf(done);
        const std::size_t bytes = forms.BytesOf(usable);
        if (bytes >= 16) {
            StoreExactly(forms, out - before, bytes);
        } else {
            alignas(16) char buffer[64];
            std::size_t at = 0;
            for (unsigned g = 0; g < 4; ++g) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(buffer + at), forms.groups[g]);
                at += forms.lengths[g];
            }
            std::memcpy(out, buffer + before, bytes - before);
        }
        in = from + usable;
        out += bytes - before;
        if (usable < 16)
            return {in, out}; // at a stop
    }
    return EncodeSse41(in, end, out, stopAtLineEnds);
}

TANDREL_AVX2 std::optional<bool> CheckAvx2(const unsigned char* in, const unsigned char* end) {
    const PairTables tables = LoadPairTables(false);
    // A lead byte this close to a block's end needs bytes of the next block.
    const __m256i lastAllowed =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                         static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
    __m256i errors = _mm256_setzero_si256();
    __m256i previous = _mm256_setzero_si256();
    __m256i incomplete = _mm256_setzero_si256();
    const auto check = [&](__m256i input) TANDREL_AVX2 {
        if (_mm256_movemask_epi8(input) != 0) {
            errors = _mm256_or_si256(errors, PairErrors(input, previous, tables));
            incomplete = _mm256_subs_epu8(input, lastAllowed);
        } else {
            errors = _mm256_or_si256(errors, incomplete);
            incomplete = _mm256_setzero_si256();
        }
        previous = input;
    };
    for (; end - in >= 32; in += 32)
        check(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
    // The rest, followed by zeros, which end any character cut off.
    alignas(32) unsigned char padded[32] = {};
    std::memcpy(padded, in, static_cast<std::size_t>(end - in));
    check(_mm256_load_si256(reinterpret_cast<const __m256i*>(padded)));
    errors = _mm256_or_si256(errors, incomplete);
    return _mm256_testz_si256(errors, errors) != 0;
}

} // namespace utf8_blocks

#endif
