#include "core/encoding/Utf8Blocks.h"

#include "core/encoding/AsciiFastPath.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>

// Decoding follows Lemire and Keiser's scheme: which of sixteen bytes start a character gives,
// through a table, a shuffle that gathers the bytes of the first (up to) four characters into
// four 32-bit lanes, last byte lowest. One formula then decodes every lane whatever its length,
// and the lengths, known from the table, say what each lead byte must look like and how small
// the value may be. Encoding runs the other way: each unit's one-, two- and three-byte forms are
// made side by side, its size selects one, and a table shuffle packs the four.

namespace {

// ---- Tables, made at compile time ---------------------------------------------------------

// A decoding step's shape: the lengths of up to four characters, each 1 to 3 (0 past the last).
// Its id reads the lengths as base-4 digits, lane 0 lowest; id 0 is no step at all.
constexpr unsigned kShapeCount = 256;

struct alignas(64) DecodeShape {
    std::uint8_t shuffle[16];   // lane j, byte b: the input byte at its b-th byte from the end
    std::uint32_t leadMask[4];  // a lane's lead byte, masked, must equal leadValue
    std::uint32_t leadValue[4];
    std::uint32_t minimum[4];   // a smaller value is an overlong form
    std::uint8_t ends[4];       // input bytes used by the first j + 1 lanes; 0 past the last
    std::uint8_t lanes;
};

constexpr unsigned LaneLength(unsigned id, unsigned lane) {
    return id >> (2 * lane) & 3;
}

constexpr std::array<DecodeShape, kShapeCount> MakeDecodeShapes() {
    std::array<DecodeShape, kShapeCount> shapes{};
    for (unsigned id = 0; id < kShapeCount; ++id) {
        DecodeShape& shape = shapes[id];
        for (std::uint8_t& byte : shape.shuffle)
            byte = 0x80; // pshufb writes a zero
        unsigned start = 0;
        for (unsigned lane = 0; lane < 4; ++lane) {
            const unsigned length = LaneLength(id, lane);
            if (length == 0)
                break;
            for (unsigned b = 0; b < length; ++b)
                shape.shuffle[4 * lane + b] = static_cast<std::uint8_t>(start + length - 1 - b);
            constexpr std::uint32_t kMasks[4] = {0, 0x80, 0xE000, 0xF00000};
            constexpr std::uint32_t kValues[4] = {0, 0x00, 0xC000, 0xE00000};
            constexpr std::uint32_t kMinimum[4] = {0, 0, 0x80, 0x800};
            shape.leadMask[lane] = kMasks[length];
            shape.leadValue[lane] = kValues[length];
            shape.minimum[lane] = kMinimum[length];
            start += length;
            shape.ends[lane] = static_cast<std::uint8_t>(start);
            shape.lanes = static_cast<std::uint8_t>(lane + 1);
        }
    }
    return shapes;
}

// By the twelve bits that say which of bytes 1 to 12 start a character (bit i: byte i + 1),
// the shape of the characters that end within the first twelve bytes, at most four, stopping
// before one longer than three bytes.
constexpr std::array<std::uint8_t, 4096> MakeShapeOfStarts() {
    std::array<std::uint8_t, 4096> shapeOf{};
    for (unsigned starts = 0; starts < 4096; ++starts) {
        unsigned id = 0, begin = 0;
        for (unsigned lane = 0; lane < 4; ++lane) {
            unsigned last = begin;
            while (last < 12 && !(starts >> last & 1))
                ++last;
            const unsigned length = last - begin + 1;
            if (last == 12 || length > 3)
                break;
            id |= length << (2 * lane);
            begin = last + 1;
        }
        shapeOf[starts] = static_cast<std::uint8_t>(id);
    }
    return shapeOf;
}

constexpr std::array<DecodeShape, kShapeCount> kDecodeShapes = MakeDecodeShapes();
constexpr std::array<std::uint8_t, 4096> kShapeOfStarts = MakeShapeOfStarts();

// By which of four units are at least U+0080 (bits 0-3) and at least U+0800 (bits 4-7): the
// shuffle that packs their forms (lead byte lowest in each lane), and the bytes the first
// j + 1 units take.
struct alignas(32) EncodeShape {
    std::uint8_t shuffle[16];
    std::uint8_t ends[4];
};

constexpr std::array<EncodeShape, 256> MakeEncodeShapes() {
    std::array<EncodeShape, 256> shapes{};
    for (unsigned index = 0; index < 256; ++index) {
        EncodeShape& shape = shapes[index];
        for (std::uint8_t& byte : shape.shuffle)
            byte = 0x80;
        unsigned at = 0;
        for (unsigned lane = 0; lane < 4; ++lane) {
            const unsigned length = 1 + (index >> lane & 1) + (index >> (lane + 4) & 1);
            for (unsigned b = 0; b < length; ++b)
                shape.shuffle[at++] = static_cast<std::uint8_t>(4 * lane + b);
            shape.ends[lane] = static_cast<std::uint8_t>(at);
        }
    }
    return shapes;
}

constexpr std::array<EncodeShape, 256> kEncodeShapes = MakeEncodeShapes();

// Entry k moves sixteen bytes down by k, filling with zeros: byte i is i + k, or 0x80 (zero).
struct alignas(16) ByteShift {
    std::uint8_t shuffle[16];
};
constexpr std::array<ByteShift, 17> MakeShiftsDown() {
    std::array<ByteShift, 17> shifts{};
    for (unsigned k = 0; k <= 16; ++k)
        for (unsigned i = 0; i < 16; ++i)
            shifts[k].shuffle[i] = static_cast<std::uint8_t>(i + k < 16 ? i + k : 0x80);
    return shifts;
}
constexpr std::array<ByteShift, 17> kShiftsDown = MakeShiftsDown();

} // namespace

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

#define TANDREL_SSE41 __attribute__((target("sse4.1")))

// The last bytes (fewer than sixteen) of the input that starts at start, at p, followed by
// zeros. Read as the sixteen bytes that end with them, moved down, when those are all input:
// most lines are longer than a block, and a copy would cost more than the rest of their tail.
TANDREL_SSE41 inline __m128i LoadTail(const unsigned char* p, std::size_t bytes,
                                      const unsigned char* start) {
    if (static_cast<std::size_t>(p - start) + bytes >= 16) {
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + bytes - 16));
        return _mm_shuffle_epi8(
            last, _mm_load_si128(reinterpret_cast<const __m128i*>(kShiftsDown[16 - bytes].shuffle)));
    }
    alignas(16) unsigned char padded[16] = {};
    std::memcpy(padded, p, bytes);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
}

TANDREL_SSE41 Utf8BlocksDecoded DecodeSse41(const unsigned char* in, const unsigned char* end,
                                            char16_t* out, char16_t* outEnd,
                                            bool keepSurrogates) {
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
        const __m128i chars =
            _mm_shuffle_epi8(bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.shuffle)));
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
        const unsigned bad = ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(good))) &
                             ((1u << lanes) - 1);
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
    const __m128i carriageReturn = _mm_set1_epi16(stopAtLineEnds ? u'\r' : -1);
    const __m128i lineFeed = _mm_set1_epi16(stopAtLineEnds ? u'\n' : -1);
    const __m128i surrogateMask = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const auto* const start = reinterpret_cast<const unsigned char*>(in);
    for (;;) {
        const auto left = static_cast<std::size_t>(end - in);
        if (left == 0)
            break;
        const bool tail = left < 8;
        const __m128i units =
            tail ? LoadTail(reinterpret_cast<const unsigned char*>(in), left * sizeof(char16_t),
                            start)
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
        const __m128i low6 = _mm_or_si128(_mm_and_si128(unit, _mm_set1_epi32(0x3F)),
                                          _mm_set1_epi32(0x80));
        const __m128i mid6 = _mm_or_si128(
            _mm_and_si128(_mm_srli_epi32(unit, 6), _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
        const __m128i formTwo = _mm_or_si128(
            _mm_or_si128(_mm_srli_epi32(unit, 6), _mm_set1_epi32(0xC0)), _mm_slli_epi32(low6, 8));
        const __m128i formThree =
            _mm_or_si128(_mm_or_si128(_mm_srli_epi32(unit, 12), _mm_set1_epi32(0xE0)),
                         _mm_or_si128(_mm_slli_epi32(mid6, 8), _mm_slli_epi32(low6, 16)));
        const __m128i form =
            _mm_blendv_epi8(_mm_blendv_epi8(unit, formTwo, two), formThree, three);
        const unsigned index =
            static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(two)) |
                                  _mm_movemask_ps(_mm_castsi128_ps(three)) << 4);
        const EncodeShape& shape = kEncodeShapes[index];
        const __m128i packed = _mm_shuffle_epi8(
            form, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.shuffle)));
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

// Checking follows Keiser and Lemire's scheme ("Validating UTF-8 in less than one instruction
// per byte"): every malformed pair of bytes is found through three table lookups, by the high
// and low nibble of the first and the high nibble of the second, each giving the set of errors
// that nibble allows; a bit left in all three is an error. The third and fourth bytes of long
// characters are checked by where the last lead byte stands.
constexpr std::uint8_t kTooShort = 1 << 0;  // a lead or ASCII where a continuation must be
constexpr std::uint8_t kTooLong = 1 << 1;   // a continuation after ASCII
constexpr std::uint8_t kOverlong3 = 1 << 2; // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;  // F4 90..BF, F5..FF
constexpr std::uint8_t kSurrogate = 1 << 4; // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5; // C0, C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6; // F5..FF 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;    // F0 80..8F
constexpr std::uint8_t kTwoContinuations = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;

#define TANDREL_BYTES16(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p)                          \
    _mm_setr_epi8(static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),             \
                  static_cast<char>(d), static_cast<char>(e), static_cast<char>(f),             \
                  static_cast<char>(g), static_cast<char>(h), static_cast<char>(i),             \
                  static_cast<char>(j), static_cast<char>(k), static_cast<char>(l),             \
                  static_cast<char>(m), static_cast<char>(n), static_cast<char>(o),             \
                  static_cast<char>(p))

TANDREL_SSE41 std::optional<bool> CheckSse41(const unsigned char* in, const unsigned char* end) {
    constexpr std::uint8_t kLarge = kCarry | kTooLarge | kTooLarge1000;
    const __m128i firstHigh = TANDREL_BYTES16(
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
        kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
        kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);
    const __m128i firstLow = TANDREL_BYTES16(
        kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
        kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
        kLarge | kSurrogate, kLarge, kLarge);
    constexpr std::uint8_t kContinuation = kTooLong | kOverlong2 | kTwoContinuations;
    const __m128i secondHigh = TANDREL_BYTES16(
        kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
        kContinuation | kOverlong3 | kTooLarge1000 | kOverlong4,
        kContinuation | kOverlong3 | kTooLarge, kContinuation | kSurrogate | kTooLarge,
        kContinuation | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort);
    // A lead byte this close to a block's end needs bytes of the next block.
    const __m128i lastAllowed =
        TANDREL_BYTES16(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                        0xFF, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1);
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
        const __m128i must = _mm_and_si128(_mm_or_si128(third, fourth),
                                           _mm_set1_epi8(static_cast<char>(0x80)));
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

#undef TANDREL_BYTES16

bool ProcessorHasSse41() {
    return __builtin_cpu_supports("sse4.1");
}

} // namespace

#else // no block code for this processor: the callers' own loops do all

namespace {

Utf8BlocksDecoded DecodeSse41(const unsigned char* in, const unsigned char*, char16_t* out,
                              char16_t*, bool) {
    return {in, out};
}
Utf8BlocksEncoded EncodeSse41(const char16_t* in, const char16_t*, char* out, bool) {
    return {in, out};
}
std::optional<bool> CheckSse41(const unsigned char*, const unsigned char*) {
    return std::nullopt;
}
bool ProcessorHasSse41() {
    return false;
}

} // namespace

#endif

namespace {

std::atomic<bool> g_enabled{ProcessorHasSse41()};

} // namespace

Utf8BlocksDecoded DecodeUtf8Blocks(const unsigned char* in, const unsigned char* end,
                                   char16_t* out, char16_t* outEnd, bool keepSurrogates) {
    if (!g_enabled.load(std::memory_order_relaxed))
        return {in, out};
    return DecodeSse41(in, end, out, outEnd, keepSurrogates);
}

Utf8BlocksEncoded EncodeUtf8Blocks(const char16_t* in, const char16_t* end, char* out,
                                   bool stopAtLineEnds) {
    if (!g_enabled.load(std::memory_order_relaxed))
        return {in, out};
    return EncodeSse41(in, end, out, stopAtLineEnds);
}

std::optional<bool> CheckUtf8Blocks(const unsigned char* in, const unsigned char* end) {
    if (!g_enabled.load(std::memory_order_relaxed))
        return std::nullopt;
    return CheckSse41(in, end);
}

bool Utf8BlocksEnabled() {
    return g_enabled.load(std::memory_order_relaxed);
}

void EnableUtf8Blocks(bool enabled) {
    g_enabled.store(enabled && ProcessorHasSse41(), std::memory_order_relaxed);
}
