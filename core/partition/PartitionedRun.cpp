#include "core/partition/PartitionedRun.h"

#include "core/base/OperationProgress.h"
#include "core/compare/KeyTable.h"
#include "core/compare/LineKeys.h"
#include "core/document/RunSummary.h"
#include "core/files/CException.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/FileSystemNames.h"
#include "core/lines/LineHash.h"
#include "core/lines/LineSplit.h"
#include "core/partition/KeyRecords.h"
#include "core/partition/SpillFile.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// The first split makes at most 2^8 partitions; a partition whose distinct keys still do not fit
// is split again, 2^4 ways, by the next bits of the same hash, down to the 32 bits below them,
// which KeyTable takes for its tags.
constexpr int kFirstBitsMost = 8;
constexpr int kSplitBits = 4;
constexpr int kHashBitsForSplits = 32;
constexpr std::uint64_t kCachedPartitionBytes = 8 * kMiB;
constexpr std::uint64_t kBucketsMost = 256;
// What a group of KeyTable and the vectors beside it take at most, growth included, besides
// its key's copy.
constexpr std::uint64_t kGroupBytes = 128;

// The progress bar's shares of the three passes, in thousandths of what is left of it.
constexpr int kSplitShare = 450, kSettleShare = 250;

// The kept line of a group and the number of lines it stands for.
struct KeptLine {
    std::uint64_t line;
    std::uint32_t count;
    std::uint32_t padding = 0; // written to the disk as it is
};

// A failure to read the input again in the last pass, which the writer must not take for its
// own.
struct InputFailure {
    FileResult result;
};

// Each input's size; 0 where it cannot be told.
std::vector<std::uint64_t> FileSizes(const std::vector<PartitionedInput>& inputs) {
    std::vector<std::uint64_t> sizes;
    for (const PartitionedInput& input : inputs) {
        struct stat status;
        sizes.push_back(stat(FileSystemPath(input.path).c_str(), &status) == 0
                            ? static_cast<std::uint64_t>(status.st_size)
                            : 0);
    }
    return sizes;
}

std::size_t BufferBytes(std::uint64_t share, std::size_t files) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(share / files, 4096, kMiB));
}

// The partition of a hash among 2^bits, taken at the bits below the first `used`.
std::size_t PartOf(std::uint64_t hash, int used, int bits) {
    return bits == 0 ? 0 : static_cast<std::size_t>((hash << used) >> (64 - bits));
}

class PartitionedRunner {
public:
    PartitionedRunner(const PartitionedRequest& request, OperationProgress* progress, int from)
        : request_(request), progress_(progress), from_(from),
          hashKey_(tandrel::ProcessLineHashKey()) {}

    PartitionedOutcome Run();

private:
    // The next pass, share thousandths of what the bar had left at the start (the rest: -1).
    void Step(int share) {
        const int whole = OperationProgress::kWhole - from_;
        stepFrom_ = stepTo_;
        stepTo_ = share < 0 ? OperationProgress::kWhole : stepFrom_ + whole * share / 1000;
        if (progress_)
            progress_->BeginStep(stepFrom_, stepTo_);
    }
    // Within a pass that reads the inputs, the share of the one at index, by its bytes: each
    // input reports its bytes read of its own size, and the bar goes on from one input to the
    // next instead of starting over at each.
    void InputStep(std::size_t index) const {
        const std::uint64_t bytes = std::accumulate(sizes_.begin(), sizes_.end(), std::uint64_t{0});
        if (!progress_ || bytes == 0)
            return;
        const std::uint64_t before = std::accumulate(
            sizes_.begin(), sizes_.begin() + static_cast<std::ptrdiff_t>(index), std::uint64_t{0});
        const auto at = [&](std::uint64_t done) {
            return stepFrom_ + static_cast<int>(static_cast<double>(done) /
                                                static_cast<double>(bytes) * (stepTo_ - stepFrom_));
        };
        progress_->BeginStep(at(before), at(before + sizes_[index]));
    }
    std::uint64_t Hash(std::u16string_view key) const { return tandrel::HashLine(key, hashKey_); }
    std::vector<SpillFile> MakeFiles(std::size_t count, std::size_t bufferBytes) const {
        std::vector<SpillFile> files;
        files.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            files.emplace_back(request_.temporaryFolder, bufferBytes);
        return files;
    }
    void Split();
    void Settle(SpillFile& part, int used);
    bool SettleInMemory(SpillFile& part, bool mustFit);
    void SplitAgain(SpillFile& part, int used);
    void Write();

    const PartitionedRequest& request_;
    OperationProgress* progress_;
    const int from_;
    int stepFrom_ = from_, stepTo_ = from_; // the bar's part for the current pass
    const std::vector<std::uint64_t> sizes_ = FileSizes(request_.inputs);
    const tandrel::LineHashKey hashKey_;
    PartitionedOutcome outcome_;
    LineEndCounts lineEnds_;

    int firstBits_ = 0;
    std::vector<SpillFile> parts_;
    std::optional<SpillFile> keptEmpties_;    // the numbers of the empty lines kept
    std::uint64_t settled_ = 0, spilled_ = 0; // partition bytes, for the progress bar
    std::uint64_t bucketLines_ = 1;
    std::vector<SpillFile> buckets_;        // the kept lines, by their numbers' ranges
    std::vector<std::uint64_t> firstLines_; // the number of each input's first line
};

PartitionedOutcome PartitionedRunner::Run() {
    try {
        Split();
        if (outcome_.failedAt != PartitionedOutcome::Stage::kDone)
            return outcome_;
        Step(kSettleShare);
        // The kept lines go to buckets by their numbers, each small enough to sort in memory,
        // and few enough that the files open at once stay far below the usual limit of 1024.
        bucketLines_ =
            std::max<std::uint64_t>({1, request_.memory / 2 / sizeof(KeptLine),
                                     (outcome_.lineCount + kBucketsMost - 1) / kBucketsMost});
        const std::size_t bucketCount = (outcome_.lineCount + bucketLines_ - 1) / bucketLines_;
        buckets_ = MakeFiles(bucketCount, BufferBytes(request_.memory / 8, bucketCount));
        for (SpillFile& part : parts_) {
            Settle(part, firstBits_);
            part.Clear();
        }
        parts_.clear();
        Step(-1);
        Write();
        // The writer stops after the last kept line, which may come before the last input.
        if (progress_ && outcome_.failedAt == PartitionedOutcome::Stage::kDone)
            progress_->BeginStep(OperationProgress::kWhole, OperationProgress::kWhole);
    } catch (const SpillFailure& failure) {
        outcome_.failedAt = PartitionedOutcome::Stage::kTemporary;
        outcome_.result = failure.result;
        outcome_.temporaryFolder = failure.folder;
    } catch (const InputFailure& failure) {
        outcome_.failedAt = PartitionedOutcome::Stage::kRead;
        outcome_.result = failure.result;
    }
    return outcome_;
}

// The first pass: every line's key to its partition, by the first bits of the key's hash; the
// empty lines --keep-empty keeps to a list of their own.
void PartitionedRunner::Split() {
    Step(kSplitShare);
    const std::uint64_t bytes = std::accumulate(sizes_.begin(), sizes_.end(), std::uint64_t{0});
    // Wide enough that each partition's distinct keys, at two bytes a unit and their groups'
    // room, most likely fit half the memory at once; and its table a few megabytes, which the
    // processor's caches serve far better than a table of the whole half.
    const std::uint64_t expected = std::max(
        bytes * 4 / std::max<std::uint64_t>(request_.memory / 2, 1), bytes / kCachedPartitionBytes);
    firstBits_ = std::min(kFirstBitsMost, static_cast<int>(std::bit_width(expected)));
    const std::size_t count = std::size_t{1} << firstBits_;
    parts_ = MakeFiles(count, BufferBytes(request_.memory / 4, count));
    std::vector<KeyRecordWriter> writers(count);
    keptEmpties_.emplace(request_.temporaryFolder, 64 * 1024);
    KeyRecordWriter emptyWriter;
    LineKeyMaker maker(request_.compare);
    std::u16string text;
    std::uint64_t number = 0;
    for (const PartitionedInput& each : request_.inputs) {
        outcome_.input = firstLines_.size();
        firstLines_.push_back(number);
        InputStep(outcome_.input);
        try {
            TextFileLines input(each.path, *each.encoding, progress_);
            bool firstEndsInLoneCrs = false;
            for (; input.Next(text); ++number) {
                // Only an input of one line may be lines ended in lone CRs, which nothing split.
                if (number == firstLines_.back())
                    firstEndsInLoneCrs = EndsLinesInLoneCrs(text);
                const std::u16string_view line = TrimCarriageReturns(text);
                if (maker.IsEmpty(line)) {
                    if (request_.compare.keepEmpty) {
                        emptyWriter.Put(*keptEmpties_, number, {});
                        ++outcome_.keptCount;
                    } else {
                        ++outcome_.emptyCount;
                    }
                    continue;
                }
                const std::u16string_view key = maker.Key(line);
                const std::size_t part = PartOf(Hash(key), 0, firstBits_);
                writers[part].Put(parts_[part], number, key);
            }
            lineEnds_.crLf += input.LineEnds().crLf;
            lineEnds_.lf += input.LineEnds().lf;
            outcome_.loneCrLineEnds |= firstEndsInLoneCrs && number == firstLines_.back() + 1;
        } catch (const CException& e) {
            outcome_.failedAt = PartitionedOutcome::Stage::kRead;
            outcome_.result = e.Result();
            return;
        }
    }
    outcome_.input = 0;
    outcome_.lineCount = number;
    for (SpillFile& part : parts_) {
        part.Rewind();
        spilled_ += part.Size();
    }
    keptEmpties_->Rewind();
}

void PartitionedRunner::Settle(SpillFile& part, int used) {
    if (progress_) {
        progress_->ThrowIfCancelled();
        progress_->Report(settled_, spilled_);
    }
    const bool mustFit = used + kSplitBits > kHashBitsForSplits;
    if (!SettleInMemory(part, mustFit))
        SplitAgain(part, used);
    else if (used == firstBits_)
        settled_ += part.Size();
}

// Settles the partition's groups in a table of their keys and sends each group's kept line to
// its bucket; false, with nothing sent, when the distinct keys outgrow half the memory and
// mustFit does not say that they must be settled all the same.
bool PartitionedRunner::SettleInMemory(SpillFile& part, bool mustFit) {
    part.Rewind();
    KeyTable groups(1024);
    std::vector<KeptLine> kept;
    std::uint64_t keyBytes = 0;
    KeyRecordReader reader;
    // Records are read a batch ahead of their lookups, so that the lookups' first slots are
    // fetched meanwhile, as MapRunLines does.
    constexpr std::size_t kBatch = 16;
    std::u16string keys[kBatch];
    std::uint64_t numbers[kBatch];
    std::uint32_t tags[kBatch];
    for (std::size_t count = kBatch; count == kBatch;) {
        for (count = 0; count < kBatch && reader.Get(part, numbers[count], keys[count]); ++count) {
            tags[count] = groups.Tag(keys[count]);
            groups.Prefetch(tags[count]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t group = groups.Find(keys[i], tags[i], {}, 0);
            if (group < kept.size()) {
                ++kept[group].count;
                if (request_.compare.keepLast)
                    kept[group].line = numbers[i];
                continue;
            }
            kept.push_back({numbers[i], 1});
            keyBytes += keys[i].size() * sizeof(char16_t);
        }
        // Keys made to collide would make every lookup pass all the others; the next batch's
        // tags are taken under the table's new hash key.
        if (groups.Overworked())
            groups.Renew();
        if (!mustFit && kept.size() * kGroupBytes + keyBytes > request_.memory / 2)
            return false;
    }
    for (const KeptLine& line : kept)
        buckets_[line.line / bucketLines_].Append(&line, sizeof line);
    outcome_.keptCount += kept.size();
    return true;
}

void PartitionedRunner::SplitAgain(SpillFile& part, int used) {
    const std::size_t count = std::size_t{1} << kSplitBits;
    std::vector<SpillFile> smaller = MakeFiles(count, BufferBytes(request_.memory / 4, count));
    {
        std::vector<KeyRecordWriter> writers(count);
        part.Rewind();
        KeyRecordReader reader;
        std::uint64_t number = 0;
        std::u16string key;
        while (reader.Get(part, number, key)) {
            const std::size_t to = PartOf(Hash(key), used, kSplitBits);
            writers[to].Put(smaller[to], number, key);
        }
    }
    const std::uint64_t bytes = part.Size();
    part.Clear();
    for (SpillFile& file : smaller) {
        Settle(file, used + kSplitBits);
        file.Clear();
    }
    if (used == firstBits_)
        settled_ += bytes;
}

// The last pass: the inputs once more, each line that a bucket names written, in order.
void PartitionedRunner::Write() {
    const LineEnd lineEnd = LineEndFor(request_.lineEnd, lineEnds_);
    std::optional<TextFileLines> input;
    std::size_t inputIndex = 0;
    // The next line of the inputs, opening the next input where one ends.
    const auto nextLine = [&](std::u16string& text) {
        try {
            for (;;) {
                if (!input) {
                    if (inputIndex == request_.inputs.size())
                        throw CException("the input ended early", FileFailure::kOther);
                    const PartitionedInput& each = request_.inputs[inputIndex];
                    InputStep(inputIndex);
                    input.emplace(each.path, *each.encoding, progress_);
                }
                if (input->Next(text))
                    return;
                input.reset();
                ++inputIndex;
            }
        } catch (const CException& e) {
            outcome_.input = inputIndex;
            throw InputFailure{e.Result()};
        }
    };
    std::vector<KeptLine> bucket;
    std::size_t nextBucket = 0, nextKept = 0;
    KeyRecordReader emptyReader;
    std::uint64_t nextEmpty = 0;
    std::u16string unused;
    bool emptyLeft = emptyReader.Get(*keptEmpties_, nextEmpty, unused);
    std::uint64_t number = 0;
    std::u16string text;
    // The lines in the writer's piece not yet written, and how many lines were handed to it:
    // a character the output cannot hold is found in that piece, and the user looks for it in
    // the input. The writer starts each piece empty.
    std::vector<KeptLine> pieceLines;
    std::uint64_t handed = 0;
    const auto appendNext = [&](std::u16string& out) {
        while (nextKept == bucket.size() && nextBucket < buckets_.size()) {
            SpillFile& file = buckets_[nextBucket++];
            file.Rewind();
            bucket.resize(file.Size() / sizeof(KeptLine));
            file.Read(bucket.data(), bucket.size() * sizeof(KeptLine));
            file.Clear();
            std::sort(bucket.begin(), bucket.end(),
                      [](const KeptLine& a, const KeptLine& b) { return a.line < b.line; });
            nextKept = 0;
        }
        if (nextKept == bucket.size() && !emptyLeft)
            return false;
        if (out.empty())
            pieceLines.clear();
        for (;; ++number) {
            nextLine(text);
            const std::u16string_view line = TrimCarriageReturns(text);
            std::uint32_t count = 0;
            if (emptyLeft && nextEmpty == number) {
                emptyLeft = emptyReader.Get(*keptEmpties_, nextEmpty, unused);
                count = 1;
            } else if (nextKept < bucket.size() && bucket[nextKept].line == number) {
                count = bucket[nextKept++].count;
            } else {
                continue;
            }
            if (request_.counts)
                out += CountedLine(count, line);
            else
                out += line;
            pieceLines.push_back({number++, count});
            ++handed;
            return true;
        }
    };
    outcome_.result =
        WriteFileLines(request_.output, *request_.outputEncoding, appendNext, progress_, lineEnd);
    if (outcome_.result.Succeeded())
        return;
    outcome_.failedAt = PartitionedOutcome::Stage::kWrite;
    FileResult& result = outcome_.result;
    const std::uint64_t pieceFirst = handed - pieceLines.size() + 1;
    if (result.failure != FileFailure::kUnmappableCharacter || result.line < pieceFirst ||
        result.line > handed)
        return;
    const KeptLine& kept = pieceLines[result.line - pieceFirst];
    const std::uint64_t inputLine = kept.line;
    const auto first = std::upper_bound(firstLines_.begin(), firstLines_.end(), inputLine) - 1;
    outcome_.input = static_cast<std::size_t>(first - firstLines_.begin());
    result.line = inputLine - *first + 1;
    if (request_.counts) // the count's digits and the tab are ASCII, which every encoding holds
        result.column -= std::to_string(kept.count).size() + 1;
}

} // namespace

PartitionedOutcome RunPartitioned(const PartitionedRequest& request, OperationProgress* progress,
                                  int progressFrom) {
    return PartitionedRunner(request, progress, progressFrom).Run();
}
