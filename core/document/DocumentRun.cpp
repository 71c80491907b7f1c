#include "core/document/DocumentRun.h"

#include "core/document/DocumentState.h"
#include "core/lines/LineSplit.h"

#include <utility>

namespace {

// The split of Run's step, as the window makes it: sharing the units of the file lines.
LineList SplitFollowingFileLines(std::u16string_view text) {
    LineList lines;
    lines.FollowLinesOf(g_vFileLines);
    SplitTextLines(text, lines, nullptr);
    return lines;
}

} // namespace

void CommitRun(FilteredLines&& run) noexcept {
    g_vTextLines = std::move(run.text);
    g_nLineCount = static_cast<int>(g_vTextLines.size());
    g_vResultLines = std::move(run.result);
    g_vWorkLines = std::move(run.work);
}

void SplitContentLines(std::u16string text) {
    g_vTextLines = SplitFollowingFileLines(text);
    g_nLineCount = static_cast<int>(g_vTextLines.size());
}

int RemoveDuplicateLines() {
    // The filter on the working list; the split lines it came from stay as they are.
    FilteredLines run = FilterLines(g_vResultLines);
    g_vResultLines = std::move(run.result);
    g_vWorkLines = std::move(run.work);
    return static_cast<int>(g_vResultLines.size());
}

int RemoveDuplicateContentLines(std::u16string text) {
    // Filtering the split lines leaves the same lists as copying them all to g_vResultLines
    // and filtering the copy, without a copy of them.
    CommitRun(FilterLines(SplitFollowingFileLines(text)));
    return static_cast<int>(g_vResultLines.size());
}
