// Open, Run and Save in one go, without a window: the command line's job. The bytes written are
// those the window saves for the same file and choices.
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class OperationProgress;

struct JobRequest {
    // Regular files, or streams (pipes) read to their end, in order: each is read with its own
    // byte-order mark and encoding, and their lines are one text for Run.
    std::vector<std::u16string> inputs;
    int inputEncoding = -1;  // a g_nEncoding value; -1: guessed for each input
    std::u16string output;   // replaced only when the job succeeds
    int outputEncoding = -1; // -1: the first input's
    LineEndChoice lineEnd = LineEndChoice::kCrLf;
    CompareOptions compare;
    bool counts = false; // each kept line written after its count and a tab
    // The bytes the job may take (--memory); none: what the machine can give it now. An input
    // that does not fit is run through scratch files in temporaryFolder.
    std::optional<std::uint64_t> memory;
    std::string temporaryFolder = "/tmp"; // file system bytes
};

struct JobOutcome {
    enum class Stage { kDone, kGuess, kRead, kRun, kTemporary, kWrite };
    Stage failedAt = Stage::kDone;
    FileResult result;      // why it failed (its line and column, when it names one)
    // The input a failed guess or read is about; for a character a write could not hold, the
    // input whose line it is, and the line and column there (in result, which counts them in
    // the input).
    std::size_t input = 0;
    int inputEncoding = -1; // the encoding the first input was read with
    EncodingGuess guess;    // when the encoding of the input that failed at kGuess was guessed
    std::string temporaryFolder; // kTemporary: where scratch data could not be kept
    std::size_t lineCount = 0, keptCount = 0, emptyCount = 0; // as the window's Run counts them
    bool loneCrLineEnds = false; // an input seems to end its lines in lone CRs (RunSummary.h)
};

// Runs the job, reporting its steps to progress (which may be null). A file whose encoding the
// guess cannot place, or leaves close between two, fails at kGuess, unless it holds only ASCII,
// which it reads as UTF-8 without a mark. The first input that fails ends the job.
JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress);
