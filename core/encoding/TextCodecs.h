// Conversions between the on-disk encodings and UTF-16 text. They convert exactly and
// refuse what they cannot convert exactly, so that nothing read or written is silently
// altered. Line ends are not their business: the stream layer (StdioFile) translates them,
// with what each codec's TextCodec below says of its line end.
//
// Decoders write at most bytes.size() code units to out and return the end of what they
// wrote, or nullptr when the bytes are not valid in the encoding. Encoders write at most
// kMaxEncodedBytesPerUnit * text.size() bytes to out and return the end of what they wrote, or
// nullptr when the text holds a character the encoding cannot represent.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kMaxEncodedBytesPerUnit = 3;

// Code page 932 (Microsoft's Shift_JIS): one or two bytes per character, each character one
// UTF-16 code unit. Bytes without a character, such as a lead byte without a valid trail byte,
// fail; so does a character without an exact code (no look-alikes are substituted).
char16_t* DecodeCp932(std::string_view bytes, char16_t* out);
char* EncodeCp932(std::u16string_view text, char* out);

// UTF-8. Decoding accepts only well-formed UTF-8: no overlong forms, no encoded surrogates,
// nothing above U+10FFFF, no cut-off sequence. Encoding fails on an unpaired surrogate.
char16_t* DecodeUtf8(std::string_view bytes, char16_t* out);
// Whether DecodeUtf8 takes bytes, found without decoding them where the processor allows.
bool IsUtf8(std::string_view bytes);
char* EncodeUtf8(std::u16string_view text, char* out);

// UTF-16 little-endian. Any sequence of code units is accepted in both directions, unpaired
// surrogates included, so such text survives a round trip; an odd number of bytes fails.
char16_t* DecodeUtf16LE(std::string_view bytes, char16_t* out);
char* EncodeUtf16LE(std::u16string_view text, char* out);

// EUC-JP (glibc's EUC-JP-MS: JIS X 0208, half-width katakana after 8E, JIS X 0212 after 8F, with
// the vendor rows code page 932 users have), each character one UTF-16 code unit. Bytes
// without a character fail, and so does a character without a code that reads back as itself.
char16_t* DecodeEucJp(std::string_view bytes, char16_t* out);
char* EncodeEucJp(std::u16string_view text, char* out);

// One on-disk encoding as the stream layer uses it: its conversions and how a line end looks
// in it. Whether a file carries a byte-order mark is the encoding's choice (EncodingChoices.h):
// UTF-8 is written with one and without.
struct TextCodec {
    const char* name;      // for messages
    std::size_t unitBytes; // size of one CR or LF on disk
    char16_t* (*decode)(std::string_view, char16_t*);
    char* (*encode)(std::u16string_view, char*);
    // The bytes of the character that a byte starts, as far as that byte tells.
    std::size_t (*characterBytes)(unsigned char);
    std::string_view lineEnd; // CR LF
    std::string_view mark;    // U+FEFF, where a file may start with it to name the encoding
};

extern const TextCodec kCp932Codec;
extern const TextCodec kUtf8Codec;
extern const TextCodec kUtf16LECodec;
extern const TextCodec kEucJpCodec;
