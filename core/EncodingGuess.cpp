#include "core/EncodingGuess.h"

#include "core/EncodingChoices.h"
#include "core/TextCodecs.h"
#include "core/UnicodeScalars.h"

#include <algorithm>
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
        std::string bytes = carry;
        bytes.append(piece);
        units.resize(bytes.size());
        const std::string_view all = bytes;
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
    void Judge(const char16_t* unit, const char16_t* end) {
        for (; unit != end; ++unit) {
            if (*unit < 0x80)
                continue;
            if (*unit <= 0x9F) {
                valid = false; // C1 controls
                return;
            }
            if (scored)
                score += Ordinariness(*unit);
        }
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
    size_ += bytes.size();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        nonAscii_ |= byte >= 0x80;
        nul_ |= byte == 0;
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
    for (Reading* reading : {utf8_.get(), cp932_.get(), eucJp_.get()})
        reading->Feed(bytes);
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

FileEncodingGuess GuessFileEncoding(const std::string& path, const std::atomic<bool>& stop) {
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
    std::vector<char> block(1 << 20);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return {};
        const ssize_t count = read(fd, block.data(), block.size());
        if (count < 0)
            return {};
        if (count == 0)
            return {guesser.Finish(), guesser.AsciiOnly()};
        guesser.Feed(std::string_view(block.data(), static_cast<std::size_t>(count)));
    }
}
