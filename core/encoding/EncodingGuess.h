// Which encoding a file is most likely in, judged from all of its bytes, so that the window can
// preselect it for the user and the command line can read a file without being told. Only clear
// evidence counts; anything else leaves the user's choice alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class OperationProgress;

// Takes a file's bytes piece by piece, in order, and then names its encoding. In order of
// precedence:
//   EF BB BF: UTF-8; FF FE: UTF-16LE;
//   NUL bytes, which no text in a one-byte encoding holds, in an even-sized file that is
//   well-formed UTF-16LE without U+0000: UTF-16LE;
//   ASCII only (or empty): no guess, since every encoding reads it alike;
//   well-formed UTF-8: UTF-8 without a mark;
//   valid code page 932 or EUC-JP, or both: the one that reads as ordinary Japanese (hiragana,
//   katakana and the common kanji of JIS level 1, rather than half-width katakana, rarer kanji
//   and user-defined characters); a tie is no guess;
//   anything else: no guess.
// A reading holding C1 control characters counts as invalid: text has none.
class EncodingGuesser {
public:
    EncodingGuesser();
    ~EncodingGuesser();
    EncodingGuesser(const EncodingGuesser&) = delete;
    EncodingGuesser& operator=(const EncodingGuesser&) = delete;

    void Feed(std::string_view bytes);
    // The guessed encoding index (a g_nEncoding value), or -1 for no guess.
    int Finish();
    // Whether a byte-order mark already decided the guess, so that the rest need not be fed.
    bool MarkFound() const;
    // Whether every byte so far was ASCII (so that every encoding but UTF-16LE reads it alike).
    bool AsciiOnly() const { return !nonAscii_; }

private:
    struct Reading;
    std::uint64_t size_ = 0;
    std::string start_; // the first bytes, for the marks
    bool nonAscii_ = false;
    bool nul_ = false;
    // UTF-16LE structure
    int pendingByte_ = -1;     // the first byte of a unit cut by the end of a piece
    bool pendingHigh_ = false; // a high surrogate waiting for its low one
    bool utf16Valid_ = true;
    std::unique_ptr<Reading> utf8_, cp932_, eucJp_;
};

// The guess for a whole text in memory.
int GuessEncoding(std::string_view bytes);

struct FileEncodingGuess {
    int encoding = -1;      // as Finish gives it
    bool asciiOnly = false; // the whole file was read and holds only ASCII (or nothing)
};
// The guess for the file at path (a file system path), read a block at a time, reporting the
// bytes read to progress (when given) and stopping (OperationCancelled) when it asks; no guess
// when the file cannot be read or is no regular file.
FileEncodingGuess GuessFileEncoding(const std::string& path, OperationProgress* progress);
