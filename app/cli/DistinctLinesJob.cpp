#include "app/cli/DistinctLinesJob.h"

#include "core/files/CException.h"
#include "core/compare/RunFilter.h"
#include "core/lines/LineSplit.h"
#include "core/files/EncodedTextFiles.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/FileSystemNames.h"
#include "core/base/OperationProgress.h"
#include "core/document/RunSummary.h"
#include "core/partition/MemoryBudget.h"
#include "core/partition/PartitionedRun.h"

#include <algorithm>
#include <new>
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
};

InputLines ReadInput(std::u16string_view path, int encoding, OperationProgress* progress,
                     int readFrom, int readTo) {
    InputLines read;
    read.encoding = encoding;
    const bool guessed = encoding < 0;
    const int bytesRead = readFrom + (readTo - readFrom) * 7 / 11;

    // The input is read once. A regular file in a named encoding is read line by line;
    // otherwise its bytes are read whole first, so that the guess and the lines come from the
    // same bytes, and a pipe, which cannot be read twice, is read like a file.
    if (!guessed && IsRegularFile(path)) {
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
            read.guess = GuessEncoding(input.bytes);
            read.encoding = read.guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice)
                                                 : read.guess.encoding;
            // A close guess is no guess here: nobody is there to see which was taken.
            if (read.encoding < 0 || read.guess.Close()) {
                read.failedAt = JobOutcome::Stage::kGuess;
                return read;
            }
        }
        if (progress)
            progress->BeginStep(bytesRead, readTo);
        read.file = ReadBytesLines(std::move(input.bytes), path, *FindEncodingChoice(read.encoding),
                                   progress);
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
    // index in it of input i's first line.
    FileLines file;
    std::vector<std::size_t> firstLines;
    const int inputCount = static_cast<int>(std::max<std::size_t>(request.inputs.size(), 1));
    for (std::size_t i = 0; i < request.inputs.size(); ++i) {
        const int index = static_cast<int>(i);
        InputLines read = ReadInput(request.inputs[i], request.inputEncoding, progress,
                                    550 * index / inputCount, 550 * (index + 1) / inputCount);
        if (read.failedAt != JobOutcome::Stage::kDone) {
            outcome.failedAt = read.failedAt;
            outcome.result = read.file.result;
            outcome.guess = read.guess;
            outcome.input = i;
            return outcome;
        }
        if (i == 0)
            outcome.inputEncoding = read.encoding;
        outcome.loneCrLineEnds = outcome.loneCrLineEnds || (read.file.lines.size() == 1 &&
                                                            EndsLinesInLoneCrs(read.file.lines[0]));
        firstLines.push_back(file.lines.size());
        file.lineEnds.crLf += read.file.lineEnds.crLf;
        file.lineEnds.lf += read.file.lineEnds.lf;
        if (i == 0) {
            file.lines = std::move(read.file.lines);
        } else {
            try {
                file.lines.reserve(file.lines.size() + read.file.lines.size());
                for (const std::u16string_view line : read.file.lines)
                    file.lines.push_back(line);
            } catch (const std::bad_alloc&) {
                outcome.failedAt = JobOutcome::Stage::kRead;
                outcome.result = {FileFailure::kOutOfMemory};
                outcome.input = i;
                return outcome;
            }
        }
    }
    const EncodingChoice& output = *FindEncodingChoice(
        request.outputEncoding < 0 ? outcome.inputEncoding : request.outputEncoding);

    // Run, as the window runs it on the content box, which shows every line followed by CR LF.
    if (progress)
        progress->BeginStep(550, 800);
    FilteredLines run;
    try {
        run = FilterLines(TrimCarriageReturns(std::move(file.lines)), request.compare, progress);
        if (request.counts) {
            LineList counted;
            counted.reserve(run.result.size());
            for (std::size_t k = 0; k < run.result.size(); ++k)
                counted.push_back(CountedLine(run.map.counts[k], run.result[k]));
            run.result = std::move(counted);
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
    outcome.result = WriteFileLines(request.output, output, run.result, progress,
                                    LineEndFor(request.lineEnd, file.lineEnds));
    if (!outcome.result.Succeeded()) {
        outcome.failedAt = JobOutcome::Stage::kWrite;
        PlaceInInput(outcome, run.map, firstLines, request.counts);
    }
    return outcome;
}
