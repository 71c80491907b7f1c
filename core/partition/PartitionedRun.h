// Open, Run and Save for a file larger than the memory the job may take. The lines go by a hash
// of their comparison keys into partitions on the disk, each line carried with its number; each
// partition is settled on its own, its keys themselves compared; then the input is read once
// more and the lines kept are written in its order. Every byte of the input is read three
// times (twice here, once by a guess of its encoding), whatever its size, and the bytes
// written are those of the job in memory (KeepComparedLines, then WriteFileLines).
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/FileFailure.h"
#include "core/lines/LineEnd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class OperationProgress;

// One input, read in its encoding; the inputs' lines are one text, in their order.
struct PartitionedInput {
    std::u16string_view path;
    const EncodingChoice* encoding = nullptr;
};

struct PartitionedRequest {
    std::vector<PartitionedInput> inputs;
    std::u16string_view output; // replaced only when the run succeeds
    const EncodingChoice* outputEncoding = nullptr;
    LineEndChoice lineEnd = LineEndChoice::kCrLf;
    CompareOptions compare;
    bool counts = false;      // each kept line written after its count and a tab
    std::uint64_t memory = 0; // the bytes the run's data may take
    std::string temporaryFolder;
};

struct PartitionedOutcome {
    enum class Stage { kDone, kRead, kTemporary, kWrite };
    Stage failedAt = Stage::kDone;
    FileResult result;
    // The input a failed read is about; for a character the output could not hold, the input
    // whose line it is, and result's line and column are counted in that input.
    std::size_t input = 0;
    std::string temporaryFolder; // kTemporary: where the scratch data could not be kept
    bool loneCrLineEnds = false; // an input seems to end its lines in lone CRs (RunSummary.h)
    std::uint64_t lineCount = 0, keptCount = 0, emptyCount = 0; // as CountRun counts them
};

// Runs the job, filling progress from progressFrom to its end (progress may be null); stops with
// OperationCancelled when progress asks. Scratch files are unnamed, so nothing stays behind.
PartitionedOutcome RunPartitioned(const PartitionedRequest& request, OperationProgress* progress,
                                  int progressFrom = 0);
