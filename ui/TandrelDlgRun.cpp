// The Run command: the distinct non-empty lines of the content box, in order of first
// occurrence, into the result box and into g_vResultLines for Save.
#include "core/DocumentState.h"
#include "core/DuplicateLines.h"
#include "core/JoinLines.h"
#include "platform/Edit.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "ui/TandrelDlg.h"

void CTandrelDlg::OnBnClickedRun() {
    WaitCursor wait;
    std::u16string strContent = m_editContent->GetWindowText();
    if (strContent.empty()) {
        wait.End();
        AfxMessageBox(
            u"処理するファイルを読み込んでいません。\n処理するファイルを読み込んで下さい。",
            MB_ICONERROR, 0);
        return;
    }

    // The box still holds the text; this copy is spent.
    const int nResultCount = RemoveDuplicateContentLines(std::move(strContent));

    m_editResult->SetWindowText({});
    m_editResult->SetWindowText(
        JoinLines(g_vResultLines, static_cast<std::size_t>(nResultCount), u"\r\n"));
    ShowRunSummary(g_nLineCount, nResultCount);

    wait.End();
    AfxMessageBox(u"処理が完了しました。", MB_ICONINFORMATION, 0);
}
