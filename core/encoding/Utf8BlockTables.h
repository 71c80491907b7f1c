// The tables the block converters of every instruction-set level share (Utf8Blocks.h), made
// at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace utf8_blocks {

// ---- Tables, made at compile time ---------------------------------------------------------

// A decoding step's shape: the lengths of up to four characters, each 1 to 3 (0 past the last).
// Its id reads the lengths as base-4 digits, lane 0 lowest; id 0 is no step at all.
inline constexpr unsigned kShapeCount = 256;

struct alignas(64) DecodeShape {
    std::uint8_t shuffle[16];  // lane j, byte b: the input byte at its b-th byte from the end
    std::uint32_t leadMask[4]; // a lane's lead byte, masked, must equal leadValue
    std::uint32_t leadValue[4];
    std::uint32_t minimum[4]; // a smaller value is an overlong form
    std::uint8_t ends[4];     // input bytes used by the first j + 1 lanes; 0 past the last
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

inline constexpr std::array<DecodeShape, kShapeCount> kDecodeShapes = MakeDecodeShapes();
inline constexpr std::array<std::uint8_t, 4096> kShapeOfStarts = MakeShapeOfStarts();

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

inline constexpr std::array<EncodeShape, 256> kEncodeShapes = MakeEncodeShapes();

// Shuffles that move sixteen bytes by -16 to 16 places, up (to higher addresses) when the
// number is positive, filling with zeros: byte i is i - shift, or 0x80 (zero).
struct alignas(16) ByteShift {
    std::uint8_t shuffle[16];
};
inline constexpr int kLongestShift = 16;
constexpr std::array<ByteShift, 2 * kLongestShift + 1> MakeByteShifts() {
    std::array<ByteShift, 2 * kLongestShift + 1> shifts{};
    for (int shift = -kLongestShift; shift <= kLongestShift; ++shift)
        for (int i = 0; i < 16; ++i)
            shifts[shift + kLongestShift].shuffle[i] =
                static_cast<std::uint8_t>(i - shift >= 0 && i - shift < 16 ? i - shift : 0x80);
    return shifts;
}
inline constexpr std::array<ByteShift, 2 * kLongestShift + 1> kByteShifts = MakeByteShifts();

// The shuffle that moves bytes by shift places; beyond sixteen, all of them out.
constexpr const ByteShift& ByteShiftOf(int shift) {
    return kByteShifts[shift < -kLongestShift  ? 0
                       : shift > kLongestShift ? 2 * kLongestShift
                                               : shift + kLongestShift];
}

// A decoding step of four whole characters (1 to 3 bytes each) in text known to be well
// formed, by the same twelve bits as kShapeOfStarts: the step's shape id in the high bits, the
// bytes it takes in the low four. One load gives both, and the bytes are the only part the
// next step waits for.
constexpr std::array<std::uint16_t, 4096> MakeFourCharacterSteps() {
    std::array<std::uint16_t, 4096> steps{};
    const std::array<std::uint8_t, 4096> shapeOf = MakeShapeOfStarts();
    for (unsigned starts = 0; starts < 4096; ++starts) {
        const unsigned id = shapeOf[starts];
        unsigned bytes = 0;
        for (unsigned lane = 0; lane < 4; ++lane)
            bytes += LaneLength(id, lane);
        steps[starts] = static_cast<std::uint16_t>(id << 4 | bytes);
    }
    return steps;
}
inline constexpr std::array<std::uint16_t, 4096> kFourCharacterSteps = MakeFourCharacterSteps();

// The units an encoder compares each unit with to stop at line ends: CR and LF when it does, a
// surrogate (at which it stops anyway) when it does not.
struct LineEndStops {
    short carriageReturn, lineFeed;
};
constexpr LineEndStops LineEndStopsOf(bool stopAtLineEnds) {
    constexpr auto kFirstSurrogate = static_cast<short>(0xD800);
    return stopAtLineEnds ? LineEndStops{u'\r', u'\n'} : LineEndStops{kFirstSurrogate, kFirstSurrogate};
}

// Checking follows Keiser and Lemire's scheme ("Validating UTF-8 in less than one instruction
// per byte"): every malformed pair of bytes is found through three table lookups, by the high
// and low nibble of the first and the high nibble of the second, each giving the set of errors
// that nibble allows; a bit left in all three is an error. The third and fourth bytes of long
// characters are checked by where the last lead byte stands.
inline constexpr std::uint8_t kTooShort = 1 << 0;  // a lead or ASCII where a continuation must be
inline constexpr std::uint8_t kTooLong = 1 << 1;   // a continuation after ASCII
inline constexpr std::uint8_t kOverlong3 = 1 << 2; // E0 80..9F
inline constexpr std::uint8_t kTooLarge = 1 << 3;  // F4 90..BF, F5..FF
inline constexpr std::uint8_t kSurrogate = 1 << 4; // ED A0..BF
inline constexpr std::uint8_t kOverlong2 = 1 << 5; // C0, C1
inline constexpr std::uint8_t kTooLarge1000 = 1 << 6; // F5..FF 80..8F
inline constexpr std::uint8_t kOverlong4 = 1 << 6;    // F0 80..8F
inline constexpr std::uint8_t kTwoContinuations = 1 << 7;
inline constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;
inline constexpr std::uint8_t kLarge = kCarry | kTooLarge | kTooLarge1000;
inline constexpr std::uint8_t kContinuation = kTooLong | kOverlong2 | kTwoContinuations;

struct alignas(16) NibbleTable {
    std::uint8_t errors[16];
};
// By the high nibble of the first byte of a pair.
inline constexpr NibbleTable kFirstHighErrors{
    {kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
     kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
     kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
     kTooShort | kTooLarge | kTooLarge1000 | kOverlong4}};
// By the low nibble of the first byte.
inline constexpr NibbleTable kFirstLowErrors{
    {kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
     kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
     kLarge | kSurrogate, kLarge, kLarge}};
// By the high nibble of the second byte.
inline constexpr NibbleTable kSecondHighErrors{
    {kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
     kContinuation | kOverlong3 | kTooLarge1000 | kOverlong4,
     kContinuation | kOverlong3 | kTooLarge, kContinuation | kSurrogate | kTooLarge,
     kContinuation | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort}};

} // namespace utf8_blocks
