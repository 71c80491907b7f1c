// The Run command: the distinct non-empty lines of the content box, in order of first
// occurrence, into the result box and into g_vResultLines for Save.
#include "core/BoxTextCodec.h"
#include "core/DocumentState.h"
#include "core/DuplicateLines.h"
#include "platform/BoxTextLoader.h"
#include "platform/Edit.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "ui/CommandProgress.h"
#include "ui/TandrelDlg.h"

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

    // Split, copy and filter work on lists of their own, so that a cancelled Run leaves the
    // document and the result box as they were. The split reads the box's own buffer: the
    // window takes no input while the command runs, so nothing changes it meanwhile.
    const std::string_view content = m_editContent->TextBytes();
    std::vector<std::u16string> textLines;
    std::vector<std::u16string> resultLines;
    std::vector<std::u16string> workLines;
    BoxTextLoader result;
    CommandProgress command(this, QStringLiteral("処理中…"));
    const bool finished = command.Run([&](OperationProgress& progress) {
        progress.BeginStep(0, 350);
        SplitBoxText(content, textLines, &progress);
        progress.BeginStep(350, 750);
        const auto count = static_cast<std::size_t>(
            CopyDistinctLines(textLines, textLines.size(), resultLines, workLines, &progress));
        progress.BeginStep(750, OperationProgress::kWhole);
        result = m_editResult->LoadLines(resultLines, count, u"\r\n", &progress);
    });
    if (finished) {
        g_vTextLines.swap(textLines);
        g_nLineCount = static_cast<int>(g_vTextLines.size());
        g_vResultLines.swap(resultLines);
        g_vWorkLines.swap(workLines);
    }
    ReleaseInBackground(std::move(textLines), std::move(resultLines), std::move(workLines));
    if (!finished)
        return;
    // Clears the box and sets the joined result lines, each followed by CR LF, in one step.
    m_editResult->TakeText(std::move(result));
    ShowResultCurrent();
    ShowRunSummary(g_nLineCount, static_cast<int>(g_vResultLines.size()));

    wait.End();
    AfxMessageBox(u"処理が完了しました。", MB_ICONINFORMATION, 0);
}
