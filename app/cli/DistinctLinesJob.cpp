#include "app/cli/DistinctLinesJob.h"

#include "core/files/CException.h"
#include "core/compare/CompareFilter.h"
#include "core/lines/DuplicateLines.h"
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
#include <sys/stat.h>

namespace {

constexpr std::size_t kGuessPieceBytes = 64 * 1024;

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

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// What the scratch files' run takes beyond its data's share of the memory: reading and writing
// buffers, a block of key copies, the output's pieces.
constexpr std::uint64_t kPartitionedFixedBytes = 16 * kMiB;
constexpr std::uint64_t kAlwaysThereBytes = 256 * kMiB;

// The memory the scratch files' run may give its data, when the job in memory would take more
// than the job may; none when the job fits in memory. The bytes read whole for the guess count
// once more.
std::optional<std::uint64_t> PartitionedMemory(const JobRequest& request) {
    const std::string path = FileSystemPath(request.input);
    struct stat status;
    const std::uint64_t bytes = stat(path.c_str(), &status) == 0 ? status.st_size : 0;
    const std::uint64_t need =
        InMemoryRunBytes(path, request.compare.ChangesKeys(), request.counts) + bytes;
    // Any machine the program runs on has this much: a small input asks the system nothing.
    if (!request.memory && need <= kAlwaysThereBytes)
        return std::nullopt;
    const std::uint64_t limit = request.memory ? *request.memory : UsableMemory();
    if (need <= limit)
        return std::nullopt;
    return std::max(limit / 2, limit - std::min(limit, kPartitionedFixedBytes));
}

// The job through scratch files: the guess reads the file on its own, then the partitioned run
// reads it twice more.
JobOutcome RunPartitionedJob(const JobRequest& request, std::uint64_t memory,
                             OperationProgress* progress) {
    JobOutcome outcome;
    outcome.inputEncoding = request.inputEncoding;
    const bool guessed = outcome.inputEncoding < 0;
    if (guessed) {
        if (progress)
            progress->BeginStep(0, 150);
        const FileEncodingGuess guess = GuessFileEncoding(FileSystemPath(request.input), progress);
        outcome.inputEncoding =
            guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice) : guess.encoding;
        if (outcome.inputEncoding < 0) {
            outcome.failedAt = JobOutcome::Stage::kGuess;
            return outcome;
        }
    }
    const PartitionedRequest partitioned{
        .input = request.input,
        .inputEncoding = FindEncodingChoice(outcome.inputEncoding),
        .output = request.output,
        .outputEncoding = FindEncodingChoice(request.outputEncoding < 0 ? outcome.inputEncoding
                                                                        : request.outputEncoding),
        .lineEnd = request.lineEnd,
        .compare = request.compare,
        .counts = request.counts,
        .memory = memory,
        .temporaryFolder = request.temporaryFolder,
    };
    const PartitionedOutcome run = RunPartitioned(partitioned, progress, guessed ? 150 : 0);
    using Stage = PartitionedOutcome::Stage;
    outcome.failedAt = run.failedAt == Stage::kRead        ? JobOutcome::Stage::kRead
                       : run.failedAt == Stage::kTemporary ? JobOutcome::Stage::kTemporary
                       : run.failedAt == Stage::kWrite     ? JobOutcome::Stage::kWrite
                                                           : JobOutcome::Stage::kDone;
    outcome.result = run.result;
    outcome.temporaryFolder = run.temporaryFolder;
    outcome.lineCount = run.lineCount;
    outcome.keptCount = run.keptCount;
    outcome.emptyCount = run.emptyCount;
    return outcome;
}

} // namespace

JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress) {
    if (IsRegularFile(request.input)) {
        if (const std::optional<std::uint64_t> memory = PartitionedMemory(request))
            return RunPartitionedJob(request, *memory, progress);
    }
    JobOutcome outcome;
    outcome.inputEncoding = request.inputEncoding;
    const bool guessed = outcome.inputEncoding < 0;

    // Open. The input is read once. A regular file in a named encoding is read line by line;
    // otherwise its bytes are read whole first, so that the guess and the lines come from the
    // same bytes, and a pipe, which cannot be read twice, is read like a file.
    FileLines file;
    if (!guessed && IsRegularFile(request.input)) {
        if (progress)
            progress->BeginStep(0, 550);
        file = ReadFileLines(request.input, *FindEncodingChoice(outcome.inputEncoding), progress);
    } else {
        if (progress)
            progress->BeginStep(0, 350);
        FileBytes input = ReadFileBytes(request.input, progress);
        if (!input.result.Succeeded()) {
            outcome.failedAt = JobOutcome::Stage::kRead;
            outcome.result = input.result;
            return outcome;
        }
        if (guessed) {
            // In pieces of whole lines: each of the guess's readings decodes a piece into room
            // of the piece's size, which for the whole input at once would be twice its size.
            EncodingGuesser guesser;
            for (std::string_view rest = input.bytes; !rest.empty() && !guesser.MarkFound();) {
                const std::size_t lineFeed = rest.rfind('\n', kGuessPieceBytes);
                const std::size_t piece = rest.size() <= kGuessPieceBytes ? rest.size()
                                          : lineFeed == std::string_view::npos ? kGuessPieceBytes
                                                                               : lineFeed + 1;
                guesser.Feed(rest.substr(0, piece));
                rest.remove_prefix(piece);
            }
            const int guess = guesser.Finish();
            outcome.inputEncoding =
                guesser.AsciiOnly() ? static_cast<int>(kUtf8NoMarkChoice) : guess;
            if (outcome.inputEncoding < 0) {
                outcome.failedAt = JobOutcome::Stage::kGuess;
                return outcome;
            }
        }
        if (progress)
            progress->BeginStep(350, 550);
        file = ReadBytesLines(std::move(input.bytes), request.input,
                              *FindEncodingChoice(outcome.inputEncoding), progress);
    }
    const EncodingChoice& output = *FindEncodingChoice(
        request.outputEncoding < 0 ? outcome.inputEncoding : request.outputEncoding);
    if (!file.result.Succeeded()) {
        outcome.failedAt = JobOutcome::Stage::kRead;
        outcome.result = file.result;
        return outcome;
    }

    // Run, as the window runs it on the content box, which shows every line followed by CR LF:
    // split at line feeds, each line loses the carriage returns at its end. Lines that end in a
    // carriage return are rare, so the file's own list serves unless one does.
    LineList text = std::move(file.lines);
    if (std::any_of(text.begin(), text.end(),
                    [](std::u16string_view line) { return line.ends_with(u'\r'); })) {
        LineList trimmed;
        trimmed.reserve(text.size());
        for (const std::u16string_view line : text)
            trimmed.push_back(TrimCarriageReturns(line));
        text = std::move(trimmed);
    }
    if (progress)
        progress->BeginStep(550, 800);
    RunLines run;
    RunLineMap map;
    try {
        run = KeepComparedLines(std::move(text), request.compare, map, progress);
        if (request.counts) {
            LineList counted;
            counted.reserve(run.result.size());
            for (std::size_t k = 0; k < run.result.size(); ++k)
                counted.push_back(CountedLine(map.counts[k], run.result[k]));
            run.result = std::move(counted);
        }
    } catch (const std::bad_alloc&) {
        outcome.failedAt = JobOutcome::Stage::kRead;
        outcome.result = {FileFailure::kOutOfMemory};
        return outcome;
    }
    const RunCounts counts = CountRun(map);
    outcome.lineCount = counts.lines;
    outcome.emptyCount = counts.empties;
    outcome.keptCount = counts.kept;

    // Save.
    if (progress)
        progress->BeginStep(800, OperationProgress::kWhole);
    outcome.result = WriteFileLines(request.output, output, run.result, progress,
                                    LineEndFor(request.lineEnd, file.lineEnds));
    if (!outcome.result.Succeeded())
        outcome.failedAt = JobOutcome::Stage::kWrite;
    return outcome;
}
