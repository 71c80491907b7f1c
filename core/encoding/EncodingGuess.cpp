#include "core/encoding/EncodingGuess.h"

#include "core/encoding/EncodingChoices.h"
#include "core/base/OperationProgress.h"
#include "core/encoding/TextCodecs.h"
#include "core/encoding/UnicodeScalars.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kAnsi = static_cast<int>(kAnsiChoice);
constexpr int kUtf8 = static_cast<int>(kUtf8Choice);
constexpr int kUtf16LE = static_cast<int>(kUtf16LEChoice);
constexpr int kUtf8NoMark = static_cast<int>(kUtf8NoMarkChoice);
constexpr int kEucJp = static_cast<int>(kEucJpChoice);

// How much a character says that a reading is ordinary Japanese text: +1 for hiragana,
// katakana and the kanji of JIS level 1, -1 for half-width katakana, other kanji and
// user-defined characters, 0 for the rest (ASCII, punctuation, full-width letters).
int Ordinariness(char16_t unit) {
    if ((unit >= 0x3041 && unit <= 0x3096) || (unit >= 0x30A1 && unit <= 0x30FC))
        return 1;
    if (unit >= 0xFF61 && unit <= 0xFF9F)
        return -1;
    if (unit >= 0xE000 && unit <= 0xF8FF)
        return -1;
    if (unit >= 0x4E00 && unit <= 0x9FFF) {
        // Level 1 is the block of code page 932 codes 889F to 9872, in reading order.
        char bytes[kMaxEncodedBytesPerUnit * 1];
        const char16_t text[1] = {unit};
        const char* end = EncodeCp932(std::u16string_view(text, 1), bytes);
        if (end != nullptr && end - bytes == 2) {
            const unsigned code =
                static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
            return code >= 0x889F && code <= 0x9872 ? 1 : -1;
        }
        return -1;
    }
    return 0;
}

} // namespace

// One encoding's reading of the bytes so far: whether they are valid, and how ordinary the
// text is. A character cut by the end of a piece waits in carry for the next piece.
struct EncodingGuesser::Reading {
    char16_t* (*decode)(std::string_view, char16_t*);
    std::size_t longestCharacter;
    bool scored;
    bool valid = true;
    long long score = 0;
    std::string carry{};
    std::vector<char16_t> units{};

    void Feed(std::string_view piece) {
        if (!valid)
            return;
        std::string joined;
        if (!carry.empty())
            joined = carry + std::string(piece);
        const std::string_view all = carry.empty() ? piece : std::string_view(joined);
        units.resize(std::max(units.size(), all.size()));
        for (std::size_t cut = 0; cut < longestCharacter && cut <= all.size(); ++cut) {
            const char16_t* end = decode(all.substr(0, all.size() - cut), units.data());
            if (end != nullptr) {
                carry = all.substr(all.size() - cut);
                Judge(units.data(), end);
                return;
            }
        }
        valid = false;
    }
    void Judge(const char16_t* first, const char16_t* end) {
        bool control = false; // C1, branch-free so that many units are checked at a time
        for (const char16_t* unit = first; unit != end; ++unit)
            control |= static_cast<unsigned>(*unit - 0x80) < 0x20;
        if (control) {
            valid = false;
            return;
        }
        for (const char16_t* unit = first; scored && unit != end; ++unit)
            if (*unit >= 0x80)
                score += Ordinariness(*unit);
    }
    bool ValidAtEnd() const { return valid && carry.empty(); }
};

EncodingGuesser::EncodingGuesser()
    : utf8_(new Reading{DecodeUtf8, 4, false}), cp932_(new Reading{DecodeCp932, 2, true}),
      eucJp_(new Reading{DecodeEucJp, 3, true}) {}

EncodingGuesser::~EncodingGuesser() = default;

void EncodingGuesser::Feed(std::string_view bytes) {
    if (start_.size() < 3)
        start_.append(bytes.substr(0, 3 - start_.size()));
    const bool oddBefore = size_ % 2 != 0;
    size_ += bytes.size();
    // Three questions about every byte, asked branch-free so that the compiler checks many
    // bytes at a time: most files need no more than this.
    bool nul = false, nonAscii = false, surrogateHigh = false;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        nul |= byte == 0;
        nonAscii |= byte >= 0x80;
        surrogateHigh |= (byte & 0xF8) == 0xD8;
    }
    nul_ |= nul;
    nonAscii_ |= nonAscii;
    if (nul || surrogateHigh || pendingHigh_) {
        // The bytes as UTF-16LE units: none may be U+0000, every high surrogate needs a low one.
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (pendingByte_ < 0) {
                pendingByte_ = byte;
                continue;
            }
            const unsigned unit = static_cast<unsigned>(pendingByte_) | byte << 8;
            pendingByte_ = -1;
            if (unit == 0 || pendingHigh_ != IsLowSurrogate(unit))
                utf16Valid_ = false;
            pendingHigh_ = IsHighSurrogate(unit);
        }
    } else if (!bytes.empty()) {
        // No unit here is U+0000 or a surrogate; only the cut unit at the end carries over.
        const bool oddAfter = oddBefore != (bytes.size() % 2 != 0);
        pendingByte_ = oddAfter ? static_cast<unsigned char>(bytes.back()) : -1;
    }
    for (Reading* reading : {utf8_.get(), cp932_.get(), eucJp_.get()})
        reading->Feed(bytes);
}

bool EncodingGuesser::MarkFound() const {
    return start_.starts_with("\xEF\xBB\xBF") || start_.starts_with("\xFF\xFE");
}

int EncodingGuesser::Finish() {
    if (start_.starts_with("\xEF\xBB\xBF"))
        return kUtf8;
    if (start_.starts_with("\xFF\xFE"))
        return kUtf16LE;
    const bool utf16 = utf16Valid_ && size_ % 2 == 0 && !pendingHigh_ && size_ > 0;
    if (nul_ && utf16)
        return kUtf16LE;
    if (!nonAscii_)
        return -1;
    if (utf8_->ValidAtEnd() && !nul_)
        return kUtf8NoMark;
    const bool cp932 = cp932_->ValidAtEnd() && !nul_;
    const bool eucJp = eucJp_->ValidAtEnd() && !nul_;
    if (cp932 && eucJp) {
        if (cp932_->score == eucJp_->score)
            return -1;
        return cp932_->score > eucJp_->score ? kAnsi : kEucJp;
    }
    if (cp932)
        return kAnsi;
    if (eucJp)
        return kEucJp;
    return -1;
}

int GuessEncoding(std::string_view bytes) {
    EncodingGuesser guesser;
    guesser.Feed(bytes);
    return guesser.Finish();
}

FileEncodingGuess GuessFileEncoding(const std::string& path, OperationProgress* progress) {
    // Non-blocking for the opening only: a FIFO without a writer must not hang the worker.
    struct File {
        int fd;
        ~File() {
            if (fd >= 0)
                close(fd);
        }
    } const file{open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    const int fd = file.fd;
    if (fd < 0)
        return {};
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    EncodingGuesser guesser;
    // Fed up to the last line feed of each block, which no encoding but UTF-16LE puts inside a
    // character, so that the readings rarely have a cut character to carry over.
    // Small blocks: each reading decodes a block into units of its own, and what a worker frees
    // stays in the process's heap (HeapTuning.h), where it would only sit idle.
    std::vector<char> block(64 * 1024);
    std::size_t kept = 0; // bytes after the last line feed, moved to the block's front
    std::uint64_t bytesRead = 0;
    for (;;) {
        if (progress)
            progress->ThrowIfCancelled();
        const ssize_t count = read(fd, block.data() + kept, block.size() - kept);
        if (count < 0)
            return {};
        bytesRead += static_cast<std::uint64_t>(count);
        if (progress)
            progress->Report(bytesRead, static_cast<std::uint64_t>(status.st_size));
        if (count == 0) {
            guesser.Feed(std::string_view(block.data(), kept));
            return {guesser.Finish(), guesser.AsciiOnly()};
        }
        const std::string_view filled(block.data(), kept + static_cast<std::size_t>(count));
        const std::size_t lineFeed = filled.rfind('\n');
        const std::size_t fed =
            lineFeed == std::string_view::npos || filled.size() < block.size() / 2 ? filled.size()
                                                                                   : lineFeed + 1;
        guesser.Feed(filled.substr(0, fed));
        if (guesser.MarkFound())
            return {guesser.Finish(), false};
        kept = filled.size() - fed;
        std::memmove(block.data(), block.data() + fed, kept);
    }
}
