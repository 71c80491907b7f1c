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

#include <algorithm>
#include <new>

JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress) {
    JobOutcome outcome;
    outcome.inputEncoding = request.inputEncoding;
    const bool guessed = outcome.inputEncoding < 0;
    if (guessed) {
        if (progress)
            progress->BeginStep(0, 150);
        const std::atomic<bool> never{false};
        FileEncodingGuess guess;
        try {
            guess = GuessFileEncoding(FileSystemPath(request.input), never, progress);
        } catch (const CException&) {
            // A path that cannot be used: the reader below says why.
            guess.encoding = static_cast<int>(kUtf8NoMarkChoice);
        }
        outcome.inputEncoding =
            guess.asciiOnly ? static_cast<int>(kUtf8NoMarkChoice) : guess.encoding;
        if (outcome.inputEncoding < 0) {
            outcome.failedAt = JobOutcome::Stage::kGuess;
            return outcome;
        }
    }
    const EncodingChoice& input = *FindEncodingChoice(outcome.inputEncoding);
    const EncodingChoice& output = *FindEncodingChoice(
        request.outputEncoding < 0 ? outcome.inputEncoding : request.outputEncoding);

    // Open.
    if (progress)
        progress->BeginStep(guessed ? 150 : 0, 550);
    FileLines file = ReadFileLines(request.input, input, progress);
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
