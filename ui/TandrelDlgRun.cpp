// The Run command: the distinct non-empty lines of the content box, in order of first
// occurrence, into the result box and into g_vResultLines for Save.
#include "core/compare/RunFilter.h"
#include "core/document/DocumentRun.h"
#include "core/document/DocumentState.h"
#include "core/document/RunSummary.h"
#include "core/lines/BoxTextCodec.h"
#include "platform/BoxTextLoader.h"
#include "platform/Edit.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "ui/CommandProgress.h"
#include "ui/OutOfMemory.h"
#include "ui/TandrelDlg.h"

#include <utility>

namespace {

// Whether the box's text is empty, not its buffer: row marks that no longer stand around a row
// break are shown but hold no text. Any other byte holds some, so the decoding is left to the
// rare buffer of nothing but marks and line feeds.
bool HoldsNoText(std::string_view bytes) {
    const char marksAndLineFeeds[] = {kBoxRowMark, '\n', '\0'};
    return bytes.find_first_not_of(marksAndLineFeeds) == std::string_view::npos &&
           DecodeBoxText(bytes).empty();
}

} // namespace

void CTandrelDlg::OnBnClickedRun() {
    WaitCursor wait;
    if (HoldsNoText(m_editContent->TextBytes())) {
        wait.End();
        AfxMessageBox(
            u"処理するファイルを読み込んでいません。\n処理するファイルを読み込んで下さい。",
            MB_ICONERROR, 0);
        return;
    }

    // The step splits and filters into lists of its own and builds the result box's new text
    // aside, so that a cancelled Run, or one that runs out of memory, leaves the document and
    // the result box as they were. The split reads the box's own buffer: the window takes no
    // input while the command runs, so nothing changes it meanwhile; nor does anything change
    // the file lines, whose units the split lines share where they are equal.
    const std::string_view content = m_editContent->TextBytes();
    // The box's lines made ahead, when it still holds the text they were made for; taken either
    // way, since they are of no use once the box has changed or Run has used them.
    const bool splitAhead =
        m_contentSplit.taken != 0 && m_contentSplit.taken == m_editContent->TakenText();
    LineList linesAhead = std::exchange(m_contentSplit, {}).lines;
    const LineList& fileLines = g_vFileLines;
    const CompareOptions options = ChosenCompareOptions();
    struct RunResult {
        FilteredLines lines;
        BoxTextLoader box;
        std::shared_ptr<RunLineMap> map;
        RunCounts counts;
        bool loneCrs = false;
    };
    std::u16string strSummary;
    CommandProgress command(this, QStringLiteral("処理中…"));
    const CommandProgress::End end = command.Run(
        [&](OperationProgress& progress) {
            progress.BeginStep(0, 350);
            LineList textLines;
            if (splitAhead) {
                textLines = std::move(linesAhead);
            } else {
                // Following file lines kept as bytes takes their units, made here so that a
                // stop is seen while they are.
                fileLines.DecodeUnits(&progress);
                textLines.FollowLinesOf(fileLines);
                SplitBoxText(content, textLines, &progress);
            }
            progress.BeginStep(350, 750);
            RunResult made;
            // A text that ends its lines in lone CRs is one line (whatever ends it).
            made.loneCrs = textLines.size() == 1 && EndsLinesInLoneCrs(DecodeBoxText(content));
            made.lines = FilterLines(std::move(textLines), options, &progress);
            made.map = std::make_shared<RunLineMap>(std::move(made.lines.map));
            made.counts = CountRun(*made.map);
            progress.BeginStep(750, OperationProgress::kWhole);
            const LineList& result = made.lines.result;
            // The box's lines made ahead are its lines one to one, so their bytes are there to
            // copy, and where, when they are the file lines' bytes the box was loaded with; the
            // lines kept are every line's first or last occurrence, in text order.
            if (splitAhead)
                made.box = m_editResult->LoadLines(
                    content, made.map->kept, &progress,
                    made.lines.text.HoldsAllBytes() ? &made.lines.text.ByteSource() : nullptr);
            else
                made.box = m_editResult->LoadLines(result, result.size(), u"\r\n", &progress);
            return made;
        },
        [&](RunResult&& made) {
            // Clears the box and sets the joined result lines, each followed by CR LF, in one
            // step.
            m_editResult->TakeText(std::move(made.box));
            m_resultTaken = m_editResult->TakenText();
            CommitRun(std::move(made.lines));
            strSummary = ShowNewResult(std::move(made.map), made.counts, options, made.loneCrs);
        });
    if (end == CommandProgress::End::kCancelled)
        return;
    if (end == CommandProgress::End::kOutOfMemory) {
        wait.End();
        AfxMessageBox(kRunOutOfMemoryMessage, MB_ICONERROR, 0, OutOfMemoryDetail());
        return;
    }
    wait.End();
    AfxMessageBox(u"処理が完了しました。", MB_ICONINFORMATION, 0, {}, strSummary);
}
