// Open, Run and Save in one go, without a window: the command line's job. The bytes written are
// those the window saves for the same file and choices.
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
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
    // The bytes the job may take (--memory); none: what the machine can give it now. An input
    // that does not fit is run through scratch files in temporaryFolder.
    std::optional<std::uint64_t> memory;
    std::string temporaryFolder = "/tmp"; // file system bytes
};

struct JobOutcome {
    enum class Stage { kDone, kGuess, kRead, kTemporary, kWrite };
    Stage failedAt = Stage::kDone;
    FileResult result;      // why it failed
    std::string temporaryFolder; // kTemporary: where scratch data could not be kept
    std::uint64_t line = 0; // the line (from 1) of a failed read or write, 0 when none
    int inputEncoding = -1; // the encoding read with
    std::size_t lineCount = 0, keptCount = 0, emptyCount = 0; // as the window's Run counts them
};

// Runs the job, reporting its steps to progress (which may be null). A file whose encoding the
// guess cannot place fails at kGuess, unless it holds only ASCII, which it reads as UTF-8
// without a mark.
JobOutcome RunDistinctLinesJob(const JobRequest& request, OperationProgress* progress);
