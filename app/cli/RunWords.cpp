#include "app/cli/RunWords.h"

#include "app/cli/Messages.h"

std::string RunCountsWords(const RunCounts& counts) {
    return Fill(Tr("Lines: %s in, %s out (%s repeated, %s empty)"),
                {Utf8(Grouped(counts.lines)), Utf8(Grouped(counts.kept)),
                 Utf8(Grouped(counts.repeats)), Utf8(Grouped(counts.empties))});
}

std::string LoneCrWords() {
    return Tr("Line ends of a CR alone are not taken as line breaks.");
}
