// UTF-8 to and from UTF-16 a block at a time, for the stretches of text where that is simple:
// characters of one to three bytes (every Japanese character, every BMP character but the
// surrogates). Japanese text mixes one- and three-byte forms every few characters, so a
// byte-by-byte converter mispredicts a branch on nearly every character; these take four
// characters or more (sixteen units, or up to 64 bytes) a step with no branch on their lengths.
//
// Each returns how far it got. It stops at the first step it cannot take whole, before
// anything of that step counts as done: near the end of its input, or at a character it leaves
// to the caller (four-byte forms, malformed bytes, and what the caller asked it to stop at).
// The caller converts that character its own way, byte by byte, and may call again after it.
// They come in one version per instruction-set level (SSE4.1, AVX2, AVX-512), the best the
// processor runs chosen at start; where it has no SSE4.1 they convert nothing, and the caller's
// own loop does all.
#pragma once

#include <cstddef>
#include <optional>

struct Utf8BlocksDecoded {
    const unsigned char* in; // the first byte not decoded
    char16_t* out;           // the end of the units written
};

// Decodes well-formed UTF-8 from [in, end) to [out, outEnd), which has room for what the bytes
// decode to. Encoded surrogates (ED A0..BF xx) are malformed UTF-8; keepSurrogates takes them
// as the units they spell, as the box buffer's form does.
Utf8BlocksDecoded DecodeUtf8Blocks(const unsigned char* in, const unsigned char* end,
                                   char16_t* out, char16_t* outEnd, bool keepSurrogates);

struct Utf8BlocksEncoded {
    const char16_t* in; // the first unit not encoded
    char* out;          // the end of the bytes written
};

// Encodes the units of [in, end) to out as UTF-8. Writes no further than the bytes encoded,
// plus one a unit for the units after them: within the room of any caller that holds the whole
// text's UTF-8 form. Stops at every surrogate, and at CR and LF when stopAtLineEnds is set.
Utf8BlocksEncoded EncodeUtf8Blocks(const char16_t* in, const char16_t* end, char* out,
                                   bool stopAtLineEnds);

// Whether [in, end) is well-formed UTF-8 as DecodeUtf8 takes it (no surrogates), checked a
// block of bytes a step with no branch on the characters; none where the block code does not run.
std::optional<bool> CheckUtf8Blocks(const unsigned char* in, const unsigned char* end);

// The versions of the block converters, lowest first; kNone converts nothing.
enum class Utf8BlocksLevel { kNone, kSse41, kAvx2, kAvx512 };
inline constexpr Utf8BlocksLevel kUtf8BlocksLevels[] = {
    Utf8BlocksLevel::kNone, Utf8BlocksLevel::kSse41, Utf8BlocksLevel::kAvx2,
    Utf8BlocksLevel::kAvx512};

// The highest level the processor runs.
Utf8BlocksLevel Utf8BlocksBestLevel();
// The level the converters run at: the best, unless set lower. Setting it is for the tests and
// the benchmarks, which compare every level with the byte-by-byte converters; a level the
// processor does not run is taken as the best it does.
Utf8BlocksLevel Utf8BlocksLevelInUse();
void UseUtf8BlocksLevel(Utf8BlocksLevel level);
// Whether the block converters run at all.
bool Utf8BlocksEnabled();
