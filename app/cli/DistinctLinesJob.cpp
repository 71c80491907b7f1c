#include "app/cli/DistinctLinesJob.h"

#include "core/base/OperationProgress.h"
#include "core/compare/RunFilter.h"
#include "core/document/ByteRun.h"
#include "core/document/RunSummary.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/CException.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/FileSystemNames.h"
#include "core/lines/LineSplit.h"
#include "core/partition/MemoryBudget.h"
#include "core/partition/PartitionedRun.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Whether path names a regular file, which can be read line by line as often as need be. A
// name that cannot be used counts as one: the reader says why.
bool IsRegularFile(std::u16string_view path) {
    struct stat status;
    try {
        return stat(FileSystemPath(path).c_str(), &status) != 0 || S_ISREG(status.st_mode);
    } catch (const CException&) {
        return true;
    }
}

// One input read into lines, in its own encoding: the one named, or its own guess.
struct InputLines {
    FileLines file;
    int encoding = -1;
    EncodingGuess guess; // when the encoding was guessed
    JobOutcome::Stage failedAt = JobOutcome::Stage::kDone;
    // Or an input whose lines went to the caller's list as bytes: its bytes (file then holds no
    // lines).
    std::optional<InputBytes> bytes;
    bool loneCrLineEnds = false; // of bytes
};

// Reads the input at path; into: where its lines go as bytes, when Run under options can take
// them so and they are in the encoding of the lines there.
InputLines ReadInput(std::u16string_view path, int encoding, ByteLines* into,
                     const CompareOptions& options, OperationProgress* progress, int readFrom,
                     int readTo) {
    InputLines read;
    read.encoding = encoding;
    const bool guessed = encoding < 0;
    const auto takes = [&](const TextCodec& codec) {
        return into && (!into->codec || into->codec == &codec) && RunsOnBytes(options, codec);
    };
    const bool asBytes = guessed ? into != nullptr : takes(*FindEncodingChoice(encoding)->codec);
    const int bytesRead = readFrom + (readTo - readFrom) * 7 / 11;

    // The input is read once. A regular file in a named encoding is read line by line, unless
    // its lines may stay bytes; otherwise its bytes are taken whole first, so that the guess
    // and the lines come from the same bytes, and a pipe, which cannot be read twice, is read
    // like a file.
    if (!guessed && !asBytes && IsRegularFile(path)) {
        if (progress)
            progress->BeginStep(readFrom, readTo);
        read.file = ReadFileLines(path, *FindEncodingChoice(encoding), progress);
    } else {
        if (progress)
            progress->BeginStep(readFrom, bytesRead);
        FileBytes input = ReadFileBytes(path, progress);
        if (!input.result.Succeeded()) {
            read.failedAt = JobOutcome::Stage::kRead;
            read.file.result = input.result;
            return read;
        }
        if (guessed) {
            read.guess = GuessEncoding(input.bytes.View());
            read.encoding =
                read.guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice) : read.guess.encoding;
            // A close guess is no guess here: nobody is there to see which was taken.
            if (read.encoding < 0 || read.guess.Close()) {
                read.failedAt = JobOutcome::Stage::kGuess;
                return read;
            }
        }
        if (progress)
            progress->BeginStep(bytesRead, readTo);
        const EncodingChoice& choice = *FindEncodingChoice(read.encoding);
        if (const EncodedText text = TextOf(input.bytes.View(), choice);
            asBytes && takes(*text.codec)) {
            const std::size_t before = into->lines.size();
            const LineEndCounts endsBefore = into->lineEnds;
            // A guess of UTF-8 has found every byte well formed already.
            if (SplitByteLines(text.text, *text.codec, *into, progress,
                               guessed ? Utf8Check::kKnownWellFormed : Utf8Check::kCheck)) {
                into->codec = text.codec;
                read.loneCrLineEnds = into->lines.size() == before + 1 && EndsLinesInLoneCrs(text);
                read.bytes = std::move(input.bytes);
                return read;
            }
            // Bytes the decoder refuses: the reader says where.
            into->lines.resize(before);
            into->lineEnds = endsBefore;
        }
        read.file = ReadBytesLines(std::move(input.bytes), path, choice, progress);
    }
    if (!read.file.result.Succeeded())
        read.failedAt = JobOutcome::Stage::kRead;
    return read;
}

// A character the output cannot hold is found on a line of the result, which the user has not
// seen; the same character stands on the input line the result line was kept from, which the
// user can find. --counts writes a count and a tab before the line.
void PlaceInInput(JobOutcome& outcome, const RunLineMap& map,
                  const std::vector<std::size_t>& firstLines, bool counts) {
    FileResult& result = outcome.result;
    if (result.failure != FileFailure::kUnmappableCharacter || result.line == 0 ||
        result.line > map.kept.size() || firstLines.empty())
        return;
    const std::size_t kept = result.line - 1;
    const std::size_t line = map.kept[kept];
    const auto first = std::upper_bound(firstLines.begin(), firstLines.end(), line) - 1;
    outcome.input = static_cast<std::size_t>(first - firstLines.begin());
    result.line = line - *first + 1;
    if (counts) // the count's digits and the tab are ASCII, which every encoding holds
        result.column -= std::to_string(map.counts[kept]).size() + 1;
}

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// What the scratch files' run takes beyond its data's share of the memory: reading and writing
// buffers, a block of key copies, the output's pieces.
constexpr std::uint64_t kPartitionedFixedBytes = 16 * kMiB;
constexpr std::uint64_t kAlwaysThereBytes = 256 * kMiB;

// The memory the scratch files' run may give its data, when the job in memory would take more
// than the job may; none when the job fits in memory, or an input is a stream, which the job in
// memory reads once. The bytes of a guessed input, read whole for the guess, count once more.
std::optional<std::uint64_t> PartitionedMemory(const JobRequest& request) {
    std::uint64_t need = 0;
    for (const std::u16string& input : request.inputs) {
        if (!IsRegularFile(input))
            return std::nullopt;
        const std::string path = FileSystemPath(input);
        struct stat status;
        const std::uint64_t bytes = stat(path.c_str(), &status) == 0 ? status.st_size : 0;
        need += InMemoryRunBytes(path, request.compare.ChangesKeys(), request.counts) +
                (request.inputEncoding < 0 ? bytes : 0);
    }
    // Any machine the program runs on has this much: a small input asks the system nothing.
    if (!request.memory && need <= kAlwaysThereBytes)
        return std::nullopt;
    const std::uint64_t limit = request.memory ? *request.memory : UsableMemory();
    if (need <= limit)
        return std::nullopt;
    return std::max(limit / 2, limit - std::min(limit, kPartitionedFixedBytes));
}

// The job through scratch files: the guess reads each input on its own, then the partitioned
// run reads them twice more.
JobOutcome RunPartitionedJob(const JobRequest& request, std::uint64_t memory,
                             OperationProgress* progress) {
    JobOutcome outcome;
    std::vector<PartitionedInput> inputs;
    const bool guessed = request.inputEncoding < 0;
    const int guessShare = guessed ? 150 : 0;
    const int inputCount = static_cast<int>(std::max<std::size_t>(request.inputs.size(), 1));
    for (std::size_t i = 0; i < request.inputs.size(); ++i) {
        int encoding = request.inputEncoding;
        if (guessed) {
            const int index = static_cast<int>(i);
            if (progress)
                progress->BeginStep(guessShare * index / inputCount,
                                    guessShare * (index + 1) / inputCount);
            outcome.guess = GuessFileEncoding(FileSystemPath(request.inputs[i]), progress);
            encoding = outcome.guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice)
                                               : outcome.guess.encoding;
            // A close guess is no guess here: nobody is there to see which was taken.
            if (encoding < 0 || outcome.guess.Close()) {
                outcome.failedAt = JobOutcome::Stage::kGuess;
                outcome.input = i;
                return outcome;
            }
        }
        if (i == 0)
            outcome.inputEncoding = encoding;
        inputs.push_back({request.inputs[i], FindEncodingChoice(encoding)});
    }
    const PartitionedRequest partitioned{
        .inputs = std::move(inputs),
        .output = request.output,
        .outputEncoding = FindEncodingChoice(request.outputEncoding < 0 ? outcome.inputEncoding
                                                                        : request.outputEncoding),
        .lineEnd = request.lineEnd,
        .compare = request.compare,
        .counts = request.counts,
        .memory = memory,
        .temporaryFolder = request.temporaryFolder,
    };
    const PartitionedOutcome run = RunPartitioned(partitioned, progress, guessShare);
    using Stage = PartitionedOutcome::Stage;
    outcome.failedAt = run.failedAt == Stage::kRead        ? JobOutcome::Stage::kRead
                       : run.failedAt == Stage::kTemporary ? JobOutcome::Stage::kTemporary
                       : run.failedAt == Stage::kWrite     ? JobOutcome::Stage::kWrite
                                                           : JobOutcome::Stage::kDone;
    outcome.result = run.result;
    outcome.input = run.input;
    outcome.temporaryFolder = run.temporaryFolder;
    outcome.loneCrLineEnds = run.loneCrLineEnds;
    outcome.lineCount = run.lineCount;
    outcome.keptCount = run.keptCount;
    outcome.emptyCount = run.emptyCount;
    return outcome;
}

} // namespace

JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress) {
    if (const std::optional<std::uint64_t> memory = PartitionedMemory(request))
        return RunPartitionedJob(request, *memory, progress);
    JobOutcome outcome;
    outcome.inputEncoding = request.inputEncoding;

    // Open each input, and make their lines one text, in their order. firstLines[i] is the
    // index in it of input i's first line. While every input is in one encoding whose lines Run
    // can compare as bytes, their lines stay bytes; the first input that is not turns those read
    // before it into lines too.
    FileLines file;
    std::vector<std::size_t> firstLines;
    ByteLines byteLines;
    struct KeptBytes {
        InputBytes bytes;
        int encoding;
    };
    std::vector<KeptBytes> byteInputs;
    const auto fail = [&](JobOutcome::Stage stage, const FileResult& result, std::size_t input) {
        outcome.failedAt = stage;
        outcome.result = result;
        outcome.input = input;
        return outcome;
    };
    const auto addLines = [&](FileLines&& read) {
        outcome.loneCrLineEnds =
            outcome.loneCrLineEnds || (read.lines.size() == 1 && EndsLinesInLoneCrs(read.lines[0]));
        firstLines.push_back(file.lines.size());
        file.lineEnds.crLf += read.lineEnds.crLf;
        file.lineEnds.lf += read.lineEnds.lf;
        if (firstLines.size() == 1) {
            file.lines = std::move(read.lines);
            return true;
        }
        try {
            file.lines.reserve(file.lines.size() + read.lines.size());
            for (const std::u16string_view line : read.lines)
                file.lines.push_back(line);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    };
    const int inputCount = static_cast<int>(std::max<std::size_t>(request.inputs.size(), 1));
    for (std::size_t i = 0; i < request.inputs.size(); ++i) {
        const int index = static_cast<int>(i);
        const bool asBytes = KeepsLinesAsBytes() && byteInputs.size() == i;
        const std::size_t firstByteLine = byteLines.lines.size();
        InputLines read = ReadInput(request.inputs[i], request.inputEncoding,
                                    asBytes ? &byteLines : nullptr, request.compare, progress,
                                    550 * index / inputCount, 550 * (index + 1) / inputCount);
        if (read.failedAt != JobOutcome::Stage::kDone) {
            outcome.guess = read.guess;
            return fail(read.failedAt, read.file.result, i);
        }
        if (i == 0)
            outcome.inputEncoding = read.encoding;
        if (read.bytes) {
            outcome.loneCrLineEnds = outcome.loneCrLineEnds || read.loneCrLineEnds;
            firstLines.push_back(firstByteLine);
            byteInputs.push_back({std::move(*read.bytes), read.encoding});
            continue;
        }
        // The inputs kept as bytes so far become lines first, in their order.
        if (!byteInputs.empty()) {
            firstLines.clear();
            outcome.loneCrLineEnds = false;
            byteLines = {};
            for (std::size_t k = 0; k < byteInputs.size(); ++k) {
                FileLines earlier =
                    ReadBytesLines(std::move(byteInputs[k].bytes), request.inputs[k],
                                   *FindEncodingChoice(byteInputs[k].encoding), nullptr);
                if (!earlier.result.Succeeded())
                    return fail(JobOutcome::Stage::kRead, earlier.result, k);
                if (!addLines(std::move(earlier)))
                    return fail(JobOutcome::Stage::kRead, {FileFailure::kOutOfMemory}, k);
            }
            byteInputs.clear();
        }
        if (!addLines(std::move(read.file)))
            return fail(JobOutcome::Stage::kRead, {FileFailure::kOutOfMemory}, i);
    }
    const EncodingChoice& output = *FindEncodingChoice(
        request.outputEncoding < 0 ? outcome.inputEncoding : request.outputEncoding);

    // Run, as the window runs it on the content box, which shows every line followed by CR LF.
    const bool asBytes = !byteInputs.empty();
    if (progress)
        progress->BeginStep(550, 800);
    FilteredLines run;
    try {
        if (asBytes) {
            run.map = MapRunLines(byteLines.lines, byteLines.lines.size(), request.compare,
                                  progress, byteLines.codec->decode);
        } else {
            run =
                FilterLines(TrimCarriageReturns(std::move(file.lines)), request.compare, progress);
            if (request.counts) {
                LineList counted;
                counted.reserve(run.result.size());
                for (std::size_t k = 0; k < run.result.size(); ++k)
                    counted.push_back(CountedLine(run.map.counts[k], run.result[k]));
                run.result = std::move(counted);
            }
        }
    } catch (const std::bad_alloc&) {
        outcome.failedAt = JobOutcome::Stage::kRun;
        outcome.result = {FileFailure::kOutOfMemory};
        return outcome;
    }
    const RunCounts counts = CountRun(run.map);
    outcome.lineCount = counts.lines;
    outcome.emptyCount = counts.empties;
    outcome.keptCount = counts.kept;

    // Save.
    if (progress)
        progress->BeginStep(800, OperationProgress::kWhole);
    outcome.result = asBytes
                         ? WriteRunLines(request.output, output, byteLines, run.map, request.counts,
                                         progress, LineEndFor(request.lineEnd, byteLines.lineEnds))
                         : WriteFileLines(request.output, output, run.result, progress,
                                          LineEndFor(request.lineEnd, file.lineEnds));
    if (!outcome.result.Succeeded()) {
        outcome.failedAt = JobOutcome::Stage::kWrite;
        PlaceInInput(outcome, run.map, firstLines, request.counts);
    }
    return outcome;
}
