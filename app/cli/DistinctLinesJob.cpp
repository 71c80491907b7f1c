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

#include <algorithm>
#include <new>
#include <sys/stat.h>

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

} // namespace

JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress) {
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
            outcome.guess = GuessEncoding(input.bytes);
            const EncodingGuess& guess = outcome.guess;
            outcome.inputEncoding =
                guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice) : guess.encoding;
            // A close guess is no guess here: nobody is there to see which was taken.
            if (outcome.inputEncoding < 0 || guess.Close()) {
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
    if (!outcome.result.Succeeded())
        outcome.failedAt = JobOutcome::Stage::kWrite;
    return outcome;
}
