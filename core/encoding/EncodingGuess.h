// Which encoding a file is most likely in, judged from all of its bytes, so that the window can
// preselect it and the command line can read a file without being told. Both ask the same
// function, so that they reach the same guess for the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class OperationProgress;

// What the bytes say of their encoding.
struct EncodingGuess {
    int encoding = -1;       // the most likely g_nEncoding value; -1 for none
    std::vector<int> others; // other encodings that read the bytes almost as well, likeliest first
    bool asciiOnly = false;  // only ASCII (or nothing): every encoding but UTF-16LE reads it alike
    std::string_view refusedMark; // the unsupported encoding the file's byte-order mark names
                                  // ("UTF-16BE", "UTF-32LE", "UTF-32BE"), or empty

    // How many bits cheaper the winner's reading is than the next one's: the log2 of how many
    // times likelier it is. kNoRival when no other encoding reads the bytes.
    static constexpr long long kNoRival = 1LL << 62;
    long long marginBits = kNoRival;

    // Whether the evidence leaves more than one encoding open.
    bool Close() const { return !others.empty(); }
};

// Takes a file's bytes piece by piece, in order, and then names its encoding:
//   a byte-order mark decides: EF BB BF is UTF-8, FF FE is UTF-16LE (as long as the rest reads
//   in them); the marks of UTF-16BE and UTF-32 are refused, since no reader takes them;
//   otherwise every encoding whose reader takes the bytes (UTF-8 without a mark, code page 932,
//   EUC-JP, UTF-16LE without a mark) is a candidate, and the candidates are weighed by how
//   likely their text is as Japanese (JapaneseCharacterCosts.h): each character costs the bits
//   that tell it, and the cheapest reading wins. Candidates within kCloseBits of the winner
//   stay open (EncodingGuess::others). Since UTF-16LE reads almost any bytes, its reading must
//   also cost less than the bytes as noise; code page 932 and EUC-JP readings must be free of
//   C1 controls, which stray bytes give them.
// Only ASCII, unless UTF-16LE reads it better or nearly as well, gives no encoding but
// asciiOnly. Whatever encoding the guess gives reads the bytes without error.
class EncodingGuesser {
public:
    // A likelihood ratio of 2^kCloseBits: twice the least margin at which the benchmark
    // (bench/guess) found no wrong guess, at any size, on its corpus and on held-out text.
    static constexpr long long kCloseBits = 16;

    EncodingGuesser();
    ~EncodingGuesser();
    EncodingGuesser(const EncodingGuesser&) = delete;
    EncodingGuesser& operator=(const EncodingGuesser&) = delete;

    void Feed(std::string_view bytes);
    EncodingGuess Finish() const;
    // Whether a byte-order mark of an encoding no reader takes already decided the guess, so
    // that the rest need not be fed.
    bool MarkFound() const;

private:
    friend EncodingGuess GuessEncoding(std::string_view bytes);
    friend EncodingGuess GuessFileEncoding(const std::string& path, OperationProgress* progress);

    // What Feed costs. A reading's cost only counts against another reading's, and most texts
    // leave one reading open: the one-byte readings of a Japanese text in one of them fail
    // within its first lines, and its UTF-16LE reading costs more than noise. So the whole-text
    // guesses first only check the one-byte readings, and cost them in a second pass over the
    // bytes when more than one reading is left (RivalsLeft).
    enum class Pass {
        kEverything,   // every reading costed as it is read
        kChecksFirst,  // the one-byte readings only checked; UTF-16LE costed
        kCostsOfValid, // only the one-byte readings left open costed (RivalsToCost)
    };
    explicit EncodingGuesser(Pass pass);
    // A guesser for bytes that follow or repeat this one's, reading what this one was set to
    // read at its start.
    std::unique_ptr<EncodingGuesser> Fresh() const;
    // Whether more than one reading is left open after a kChecksFirst pass, so that their costs
    // decide; and a guesser to cost them in a second pass, whose costs TakeCosts takes in.
    bool RivalsLeft() const;
    std::unique_ptr<EncodingGuesser> RivalsToCost() const;
    void TakeCosts(const EncodingGuesser& costed);

    // For a guesser that is fed the bytes after before, which ends after a byte below 0x40 at
    // an even offset: there every reading is between two characters, or (ASCII after an
    // unfinished character) already invalid, so the two halves' readings add up.
    void ContinueAfter(std::string_view before);
    // Takes in what a guesser that continued after this one's bytes read.
    void Join(const EncodingGuesser& later);
    // Where GuessEncoding cuts bytes in two, near the middle, for the halves to be read side by
    // side; 0 for bytes that are small, start with a mark or have no such place near the middle.
    static std::size_t HalfwayCut(std::string_view bytes);
    // Feeds bytes, the part after cut (HalfwayCut; 0 for none) to a Fresh guesser on another
    // thread, joined at the end.
    void ReadThrough(std::string_view bytes, std::size_t cut);

    struct Reading;
    // The reading whose byte-order mark starts the bytes, if one does.
    const Reading* MarkedReading() const;
    // The guess a byte-order mark makes, if one does.
    std::optional<EncodingGuess> GuessByMark() const;
    // Each reading the bytes leave open, with its cost, in the order of the encoding list.
    std::vector<std::pair<long long, int>> OpenReadings() const;
    Pass pass_ = Pass::kEverything;
    std::string start_; // the first bytes, for the marks
    long long size_ = 0;
    bool nonAscii_ = false;
    std::unique_ptr<Reading> utf8_, cp932_, eucJp_, utf16_;
    // One buffer for every reading's decoded text: what the guess frees stays in the heap
    // (HeapTuning.h), so the less it takes the better.
    std::vector<char16_t> units_;
};

// The guess for a whole text in memory, the same as for a file of those bytes.
EncodingGuess GuessEncoding(std::string_view bytes);

// The guess for the file at path (a file system path), read a block at a time, reporting the
// bytes read to progress (when given) and stopping (OperationCancelled) when it asks; no guess
// when the file cannot be read or is no regular file.
EncodingGuess GuessFileEncoding(const std::string& path, OperationProgress* progress);

// The window's line under a loaded file for a guess that is close or refused a mark, naming
// the encodings; empty for any other guess.
std::u16string EncodingGuessNote(const EncodingGuess& guess);
