#include "core/encoding/EncodingGuess.h"

#include "core/base/OperationProgress.h"
#include "core/encoding/CanonicalCodes.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/JapaneseTextCost.h"
#include "core/encoding/TextCodecs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kAnsi = static_cast<int>(kAnsiChoice);
constexpr int kUtf8 = static_cast<int>(kUtf8Choice);
constexpr int kUtf16LE = static_cast<int>(kUtf16LEChoice);
constexpr int kUtf8NoMark = static_cast<int>(kUtf8NoMarkChoice);
constexpr int kEucJp = static_cast<int>(kEucJpChoice);

// The marks of the encodings no reader takes, longest first where one starts another.
constexpr std::pair<std::string_view, std::string_view> kRefusedMarks[] = {
    {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
    {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
    {"\xFE\xFF", "UTF-16BE"},
};

// A reading's check for an encoding whose C1 control characters rule it out: from the codec's
// own codes, without decoding the bytes.
template <const TextCodec& codec> bool ReadsWithoutControls(std::string_view bytes) {
    return CanonicalCodes::Of(codec).ReadsWithoutControls(bytes);
}

} // namespace

// One encoding's reading of the bytes so far: whether they are valid, and what the text costs.
// A character cut by the end of a piece waits in carry for the next piece.
struct EncodingGuesser::Reading {
    char16_t* (*decode)(std::string_view, char16_t*); // none for units read in place
    // Whether decode takes the bytes (without a C1 control, where those rule it out), when that
    // is quicker to tell than to decode them; a refusal is left to decode.
    bool (*check)(std::string_view);
    std::size_t longestCharacter;
    // Whether a C1 control character makes the reading invalid. Code page 932 and EUC-JP give
    // one for a stray byte 80-9F, which is how other encodings' bytes look to them, not text;
    // UTF-8 spells one out in two bytes on purpose, so the character stands.
    bool controlInvalid;
    // Whether the bytes are the units already (UTF-16LE), costed where they lie, uncopied.
    bool unitsInPlace;
    bool valid = true;
    long long cost = 0;
    std::uint8_t lastClass = ClassOfUnit(u'\n');
    std::string carry{};

    // units: room for the decoded text, shared by the readings. Without costed, only whether
    // the bytes read counts (a byte-order mark decided the rest).
    void Feed(std::string_view piece, std::vector<char16_t>& units, bool costed) {
        if (!valid || piece.empty()) // nothing to decode, and no room to decode it into
            return;
        if (unitsInPlace) {
            FeedUnits(piece, costed);
            return;
        }
        std::string joined;
        if (!carry.empty())
            joined = carry + std::string(piece);
        const std::string_view all = carry.empty() ? piece : std::string_view(joined);
        if (!costed && check) {
            for (std::size_t cut = 0; cut < longestCharacter && cut <= all.size(); ++cut) {
                if (check(all.substr(0, all.size() - cut))) {
                    carry = all.substr(all.size() - cut);
                    return;
                }
            }
            // The check may refuse what the decoder takes: the decoder decides.
        }
        units.resize(std::max(units.size(), all.size()));
        for (std::size_t cut = 0; cut < longestCharacter && cut <= all.size(); ++cut) {
            const char16_t* end = decode(all.substr(0, all.size() - cut), units.data());
            if (end != nullptr) {
                carry = all.substr(all.size() - cut);
                if (!costed) {
                    const char16_t* const begin = units.data();
                    valid = !controlInvalid || std::none_of(begin, end, [](char16_t unit) {
                        return static_cast<unsigned>(unit - 0x80) < 0x20;
                    });
                    return;
                }
                Add(CostOfUnits(units.data(), static_cast<std::size_t>(end - units.data()),
                                lastClass));
                return;
            }
        }
        valid = false;
    }
    bool ValidAtEnd() const { return valid && carry.empty(); }

private:
    void Add(const JapaneseTextCost& text) {
        cost += text.bits;
        lastClass = text.lastClass;
        valid = valid && !(text.control && controlInvalid);
    }
    // Every pair of bytes is a unit; an odd byte at the end waits in carry for its other half.
    void FeedUnits(std::string_view piece, bool costed) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
        std::size_t size = piece.size();
        if (!carry.empty()) {
            const unsigned char unit[2] = {static_cast<unsigned char>(carry[0]), bytes[0]};
            if (costed)
                Add(CostOfUtf16LEBytes(unit, 1, lastClass));
            carry.clear();
            ++bytes;
            --size;
        }
        if (costed)
            Add(CostOfUtf16LEBytes(bytes, size / 2, lastClass));
        if (size % 2 != 0)
            carry.assign(1, static_cast<char>(bytes[size - 1]));
    }
};

EncodingGuesser::EncodingGuesser() : EncodingGuesser(Pass::kEverything) {}

EncodingGuesser::EncodingGuesser(Pass pass)
    : pass_(pass), utf8_(new Reading{DecodeUtf8, IsUtf8, 4, false, false}),
      cp932_(new Reading{DecodeCp932, ReadsWithoutControls<kCp932Codec>, 2, true, false}),
      eucJp_(new Reading{DecodeEucJp, ReadsWithoutControls<kEucJpCodec>, 3, true, false}),
      utf16_(new Reading{nullptr, nullptr, 2, false, true}) {
    utf16_->valid = pass != Pass::kCostsOfValid;
}

EncodingGuesser::~EncodingGuesser() = default;

std::unique_ptr<EncodingGuesser> EncodingGuesser::Fresh() const {
    std::unique_ptr<EncodingGuesser> fresh(new EncodingGuesser(pass_));
    fresh->utf8_->valid = utf8_->valid;
    fresh->cp932_->valid = cp932_->valid;
    fresh->eucJp_->valid = eucJp_->valid;
    fresh->utf16_->valid = utf16_->valid;
    return fresh;
}

bool EncodingGuesser::RivalsLeft() const {
    return !GuessByMark() && OpenReadings().size() > 1;
}

std::unique_ptr<EncodingGuesser> EncodingGuesser::RivalsToCost() const {
    std::unique_ptr<EncodingGuesser> costed(new EncodingGuesser(Pass::kCostsOfValid));
    // Those that OpenReadings lists: ASCII reads alike in every one-byte encoding.
    costed->utf8_->valid = utf8_->ValidAtEnd();
    costed->cp932_->valid = nonAscii_ && cp932_->ValidAtEnd();
    costed->eucJp_->valid = nonAscii_ && eucJp_->ValidAtEnd();
    return costed;
}

void EncodingGuesser::TakeCosts(const EncodingGuesser& costed) {
    const std::pair<Reading*, const Reading*> pairs[] = {{utf8_.get(), costed.utf8_.get()},
                                                         {cp932_.get(), costed.cp932_.get()},
                                                         {eucJp_.get(), costed.eucJp_.get()}};
    for (const auto& [reading, cost] : pairs) {
        reading->cost = cost->cost;
        // Read again from a file, the bytes may have changed in between.
        reading->valid = reading->valid && cost->ValidAtEnd();
    }
}

void EncodingGuesser::Feed(std::string_view bytes) {
    if (start_.size() < 4)
        start_.append(bytes.substr(0, 4 - start_.size()));
    if (MarkFound())
        return;
    if (!nonAscii_) {
        bool nonAscii = false; // branch-free, so that the compiler checks many bytes at a time
        for (const char c : bytes)
            nonAscii |= static_cast<unsigned char>(c) >= 0x80;
        nonAscii_ = nonAscii;
    }
    size_ += static_cast<long long>(bytes.size());
    // A mark that decides (Finish) leaves only whether its encoding reads the rest.
    const Reading* const decided = MarkedReading();
    for (Reading* reading : {utf8_.get(), cp932_.get(), eucJp_.get()}) {
        if (!decided || reading == decided)
            reading->Feed(bytes, units_, !decided && pass_ != Pass::kChecksFirst);
    }
    if (!decided || utf16_.get() == decided)
        utf16_->Feed(bytes, units_, !decided);
}

const EncodingGuesser::Reading* EncodingGuesser::MarkedReading() const {
    return start_.starts_with("\xEF\xBB\xBF") ? utf8_.get()
           : start_.starts_with("\xFF\xFE")   ? utf16_.get()
                                              : nullptr;
}

bool EncodingGuesser::MarkFound() const {
    // UTF-32LE's mark starts with UTF-16LE's, and UTF-32BE's with NULs: four bytes tell.
    return start_.starts_with("\xFE\xFF") ||
           (start_.size() == 4 && (start_.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
                                   start_.starts_with(std::string_view("\0\0\xFE\xFF", 4))));
}

std::optional<EncodingGuess> EncodingGuesser::GuessByMark() const {
    EncodingGuess guess;
    for (const auto& [mark, name] : kRefusedMarks)
        if (start_.starts_with(mark)) {
            guess.refusedMark = name;
            return guess;
        }
    // The marks decide, as long as the rest reads in their encoding.
    if (start_.starts_with("\xEF\xBB\xBF")) {
        guess.encoding = utf8_->ValidAtEnd() ? kUtf8 : -1;
        return guess;
    }
    if (start_.starts_with("\xFF\xFE")) {
        guess.encoding = utf16_->ValidAtEnd() ? kUtf16LE : -1;
        return guess;
    }
    return std::nullopt;
}

std::vector<std::pair<long long, int>> EncodingGuesser::OpenReadings() const {
    // Each valid reading with its cost; ASCII reads alike in all but UTF-16LE, so once.
    std::vector<std::pair<long long, int>> readings;
    const Reading* const oneByte[] = {utf8_.get(), cp932_.get(), eucJp_.get()};
    const int oneByteEncoding[] = {kUtf8NoMark, kAnsi, kEucJp};
    for (std::size_t i = 0; i < std::size(oneByte) && (nonAscii_ || i == 0); ++i)
        if (oneByte[i]->ValidAtEnd())
            readings.emplace_back(oneByte[i]->cost, oneByteEncoding[i]);
    // Any even number of bytes reads as UTF-16LE, so its validity says nothing: its text must
    // also cost less than the bytes would as noise, 8 bits a byte.
    if (utf16_->ValidAtEnd() && utf16_->cost < 8 * size_)
        readings.emplace_back(utf16_->cost, kUtf16LE);
    return readings;
}

EncodingGuess EncodingGuesser::Finish() const {
    if (std::optional<EncodingGuess> byMark = GuessByMark())
        return *byMark;
    EncodingGuess guess;
    std::vector<std::pair<long long, int>> readings = OpenReadings();
    if (readings.empty())
        return guess;
    // Cheapest first; on equal costs, the encoding with the lower index.
    std::sort(readings.begin(), readings.end());
    guess.encoding = readings.front().second;
    if (readings.size() > 1)
        guess.marginBits = readings[1].first - readings.front().first;
    for (std::size_t i = 1; i < readings.size(); ++i)
        if (readings[i].first - readings.front().first < kCloseBits)
            guess.others.push_back(readings[i].second);
    // ASCII that UTF-16LE does not come close to is read alike by every other encoding.
    if (!nonAscii_ && guess.encoding == kUtf8NoMark && !guess.Close()) {
        guess.encoding = -1;
        guess.asciiOnly = true;
    }
    return guess;
}

void EncodingGuesser::ContinueAfter(std::string_view before) {
    start_ = before.substr(0, 4);
    const auto* const end = reinterpret_cast<const unsigned char*>(before.data() + before.size());
    for (Reading* reading : {utf8_.get(), cp932_.get(), eucJp_.get()})
        reading->lastClass = ClassOfUnit(end[-1]);
    utf16_->lastClass = ClassOfUnit(static_cast<char16_t>(end[-2] | end[-1] << 8));
}

void EncodingGuesser::Join(const EncodingGuesser& later) {
    size_ += later.size_;
    nonAscii_ = nonAscii_ || later.nonAscii_;
    const std::pair<Reading*, const Reading*> pairs[] = {{utf8_.get(), later.utf8_.get()},
                                                         {cp932_.get(), later.cp932_.get()},
                                                         {eucJp_.get(), later.eucJp_.get()},
                                                         {utf16_.get(), later.utf16_.get()}};
    for (const auto& [reading, rest] : pairs) {
        // A character left unfinished before the ASCII byte at the end never finishes.
        reading->valid = reading->valid && reading->carry.empty() && rest->valid;
        reading->cost += rest->cost;
        reading->lastClass = rest->lastClass;
        reading->carry = rest->carry;
    }
}

namespace {

void FeedInPieces(EncodingGuesser& guesser, std::string_view bytes) {
    // In pieces of whole lines: each reading decodes a piece into room of the piece's size,
    // which for the whole text at once would be twice its size.
    constexpr std::size_t kPieceBytes = 64 * 1024;
    for (std::string_view rest = bytes; !rest.empty() && !guesser.MarkFound();) {
        const std::size_t lineFeed = rest.rfind('\n', kPieceBytes);
        const std::size_t piece = rest.size() <= kPieceBytes           ? rest.size()
                                  : lineFeed == std::string_view::npos ? kPieceBytes
                                                                       : lineFeed + 1;
        guesser.Feed(rest.substr(0, piece));
        rest.remove_prefix(piece);
    }
}

} // namespace

std::size_t EncodingGuesser::HalfwayCut(std::string_view bytes) {
    constexpr std::size_t kSmallest = 8 << 20; // below this a thread costs more than it saves
    constexpr std::size_t kSearched = 64 * 1024;
    if (bytes.size() < kSmallest)
        return 0;
    EncodingGuesser start;
    start.Feed(bytes.substr(0, 4));
    if (start.MarkFound() || start.MarkedReading() != nullptr)
        return 0;
    for (std::size_t cut = bytes.size() / 2 & ~std::size_t{1}; cut < bytes.size() / 2 + kSearched;
         cut += 2)
        if (static_cast<unsigned char>(bytes[cut - 1]) < 0x40)
            return cut;
    return 0;
}

void EncodingGuesser::ReadThrough(std::string_view bytes, std::size_t cut) {
    // The guess reads the whole text, which takes as long as the job's other steps together;
    // the second core halves that.
    std::future<std::unique_ptr<EncodingGuesser>> later;
    if (cut != 0) {
        try {
            later = std::async(std::launch::async, [rest = Fresh(), bytes, cut]() mutable {
                rest->ContinueAfter(bytes.substr(0, cut));
                FeedInPieces(*rest, bytes.substr(cut));
                return std::move(rest);
            });
            bytes = bytes.substr(0, cut);
        } catch (const std::system_error&) {
            // No thread to be had: the whole text on this one.
        }
    }
    FeedInPieces(*this, bytes);
    if (later.valid())
        Join(*later.get());
}

EncodingGuess GuessEncoding(std::string_view bytes) {
    const std::size_t cut = EncodingGuesser::HalfwayCut(bytes);
    EncodingGuesser checked(EncodingGuesser::Pass::kChecksFirst);
    checked.ReadThrough(bytes, cut);
    if (checked.RivalsLeft()) {
        const std::unique_ptr<EncodingGuesser> costed = checked.RivalsToCost();
        costed->ReadThrough(bytes, cut);
        checked.TakeCosts(*costed);
    }
    return checked.Finish();
}

namespace {

// Feeds the file from where it stands to its end, checking for cancel before each block and
// reporting the bytes read of size when told to; false when it cannot be read.
bool FeedFile(int fd, EncodingGuesser& guesser, OperationProgress* progress, std::uint64_t size,
              bool report) {
    // Fed up to the last line feed of each block, which no encoding but UTF-16LE puts inside a
    // character, so that the readings rarely have a cut character to carry over.
    // Small blocks: the readings decode a block into units of their own, and what a worker frees
    // stays in the process's heap (HeapTuning.h), where it would only sit idle.
    std::vector<char> block(64 * 1024);
    std::size_t kept = 0; // bytes after the last line feed, moved to the block's front
    std::uint64_t bytesRead = 0;
    for (;;) {
        if (progress)
            progress->ThrowIfCancelled();
        const ssize_t count = read(fd, block.data() + kept, block.size() - kept);
        if (count < 0)
            return false;
        bytesRead += static_cast<std::uint64_t>(count);
        if (progress && report)
            progress->Report(bytesRead, size);
        if (count == 0) {
            guesser.Feed(std::string_view(block.data(), kept));
            return true;
        }
        const std::string_view filled(block.data(), kept + static_cast<std::size_t>(count));
        const std::size_t lineFeed = filled.rfind('\n');
        const std::size_t fed =
            lineFeed == std::string_view::npos || filled.size() < block.size() / 2 ? filled.size()
                                                                                   : lineFeed + 1;
        guesser.Feed(filled.substr(0, fed));
        if (guesser.MarkFound())
            return true;
        kept = filled.size() - fed;
        std::memmove(block.data(), block.data() + fed, kept);
    }
}

} // namespace

EncodingGuess GuessFileEncoding(const std::string& path, OperationProgress* progress) {
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
    const auto size = static_cast<std::uint64_t>(status.st_size);
    EncodingGuesser checked(EncodingGuesser::Pass::kChecksFirst);
    if (!FeedFile(fd, checked, progress, size, true))
        return {};
    if (checked.RivalsLeft()) {
        // Seldom a large file: the bar, already full, stays so.
        const std::unique_ptr<EncodingGuesser> costed = checked.RivalsToCost();
        if (lseek(fd, 0, SEEK_SET) != 0 || !FeedFile(fd, *costed, progress, size, false))
            return {};
        checked.TakeCosts(*costed);
    }
    return checked.Finish();
}

std::u16string EncodingGuessNote(const EncodingGuess& guess) {
    const auto name = [](int encoding) {
        return std::u16string(FindEncodingChoice(encoding)->itemText);
    };
    if (!guess.refusedMark.empty()) {
        const std::u16string mark(guess.refusedMark.begin(), guess.refusedMark.end());
        return u"ファイルの先頭に " + mark + u" のバイト順マークがあります。" + mark +
               u" には対応していません。";
    }
    if (!guess.Close())
        return {};
    std::u16string others;
    for (const int other : guess.others)
        others += (others.empty() ? u"" : u"、") + name(other);
    return u"文字コードは " + name(guess.encoding) + u" と推定しました（" + others +
           u" の可能性もあります）。";
}
