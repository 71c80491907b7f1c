// The codes of a multi-byte encoding whose characters are one UTF-16 code unit each (code page
// 932, EUC-JP), as lines kept as their bytes need them. Such an encoding may read several codes
// as one character (code page 932 has the IBM extensions twice, in rows ED-EE and FA-FC, and
// some symbols of the NEC row 13 once more elsewhere), and writes each character in one of them.
// Two lines are the same text exactly when their codes are the same once each is replaced by
// its character's canonical code: the one the encoder writes for it, when that reads back as the
// character.
//
// Everything here is asked of the codec itself, once for every code, so that it cannot differ
// from what the codec reads and writes.
#pragma once

#include "core/encoding/TextCodecs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CanonicalCodes {
public:
    // The codes of codec, made on first use and kept for the process.
    static const CanonicalCodes& Of(const TextCodec& codec);

    explicit CanonicalCodes(const TextCodec& codec);

    // What a check of bytes found, besides whether the decoder takes them.
    struct Findings {
        // Where each code that is not its character's canonical one starts, from the start of
        // the bytes checked, in order.
        std::vector<std::size_t> notCanonical;
        // Whether a character is written otherwise than as its canonical code (the encoder
        // writes another code for it, or none: it cannot be saved in this encoding).
        bool notWrittenAsRead = false;
    };
    // Whether the codec's decoder takes bytes whole; on the way, adds to findings. Runs of
    // ASCII are taken sixteen bytes at a time.
    bool Check(std::string_view bytes, Findings& findings) const;

    // Whether the codec's decoder takes bytes whole, reading none of them as a C1 control
    // character (U+0080 to U+009F): a quick check for a reading of the encoding guess, which
    // such characters rule out (EncodingGuess.h). Runs of ASCII are taken as Check takes them.
    // False means only that the codes here do not tell: for codes the decoder reads otherwise
    // than as one character each, and for an encoding of codes of one length (UTF-16LE).
    bool ReadsWithoutControls(std::string_view bytes) const;

    // Whether the codes of LF and CR (the codec's line end) are always those characters, and
    // never part of another code where a unit of the encoding (TextCodec::unitBytes) starts: then
    // text can be cut into lines at them, found at unit boundaries, before it is read.
    bool LineEndsAlone() const { return lineEndsAlone_; }

    // Appends the codes of bytes, which Check took, to out, each as its character's canonical
    // code.
    void AppendCanonical(std::string_view bytes, std::string& out) const;

private:
    enum Class : std::uint8_t {
        kCanonical = 0,
        kInvalid = 1,
        kNotCanonical = 2,
        kNotWrittenAsRead = 4,
        kControl = 8, // read as a C1 control character
    };
    // Bytes of a code, first byte highest, and their number above them.
    static std::uint32_t Packed(std::string_view code);

    // The class of the code that starts at p, whose first byte tells it is length bytes long.
    std::uint8_t ClassAt(const unsigned char* p, unsigned length) const {
        if (length == 1)
            return single_[p[0]];
        if (length == 2)
            return pairs_[p[0] << 8 | p[1]];
        return triples_[tripleRow_[p[0]]][p[1] << 8 | p[2]];
    }

    // The class of code, whatever its length; kInvalid for no code.
    std::uint8_t ClassOf(std::string_view code) const;
    // Passes the class of every code of bytes that is not kCanonical, and where it starts, to
    // found, until found returns false; false when a code is invalid or cut off, or found
    // stopped.
    template <class Found> bool Walk(std::string_view bytes, Found&& found) const;

    std::array<std::uint8_t, 256> length_{}; // of a code, by its first byte (1 to 3)
    std::array<std::uint8_t, 256> single_{}; // Class of a one-byte code
    // Class of two-byte codes, by first byte * 256 + second byte.
    std::unique_ptr<std::uint8_t[]> pairs_;
    // Class of three-byte codes: a table by the last two bytes for each first byte that starts
    // them (tripleRow_[first]; table 0 holds nothing but kInvalid).
    std::array<std::uint8_t, 256> tripleRow_{};
    std::vector<std::unique_ptr<std::uint8_t[]>> triples_;
    bool asciiAlone_ = false; // every byte below 80 is a canonical code of its own
    bool lineEndsAlone_ = false;
    // When every code is this long and canonical, and every sequence of such codes is one
    // (UTF-16LE); 0 otherwise.
    std::size_t fixedLength_ = 0;
    std::unordered_map<std::uint32_t, std::string> canonical_; // of each code not canonical
};
