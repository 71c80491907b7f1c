// Open, Run and Save in one go, without a window: the command line's job. The bytes written are
// those the window saves for the same file and choices.
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"

#include <cstddef>
#include <string>

class OperationProgress;

struct JobRequest {
    std::u16string input;    // a regular file, or a stream (a pipe) read to its end
    int inputEncoding = -1;  // a g_nEncoding value; -1: guessed from the file
    std::u16string output;   // replaced only when the job succeeds
    int outputEncoding = -1; // -1: the input's
    LineEndChoice lineEnd = LineEndChoice::kCrLf;
    CompareOptions compare;
    bool counts = false; // each kept line written after its count and a tab
};

struct JobOutcome {
    enum class Stage { kDone, kGuess, kRead, kRun, kWrite };
    Stage failedAt = Stage::kDone;
    FileResult result;      // why it failed (its line and column, when it names one)
    int inputEncoding = -1; // the encoding read with
    EncodingGuess guess;    // when the input's encoding was guessed
    std::size_t lineCount = 0, keptCount = 0, emptyCount = 0; // as the window's Run counts them
};

// Runs the job, reporting its steps to progress (which may be null). A file whose encoding the
// guess cannot place, or leaves close between two, fails at kGuess, unless it holds only ASCII,
// which it reads as UTF-8 without a mark.
JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress);
