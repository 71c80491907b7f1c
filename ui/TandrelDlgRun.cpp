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

    SplitContentLines(std::move(strContent)); // the box still holds the text; this copy is spent

    const auto nLineCount = static_cast<std::size_t>(g_nLineCount);
    g_vResultLines.clear();
    if (g_vResultLines.capacity() < nLineCount)
        g_vResultLines.reserve(nLineCount);
    g_vResultLines.insert(g_vResultLines.end(), g_vTextLines.begin(),
                          g_vTextLines.begin() + static_cast<std::ptrdiff_t>(nLineCount));

    const int nResultCount = RemoveDuplicateLines();

    m_editResult->SetWindowText({});
    m_editResult->SetWindowText(
        JoinLines(g_vResultLines, static_cast<std::size_t>(nResultCount), u"\r\n"));

    wait.End();
    AfxMessageBox(u"処理が完了しました。", MB_ICONINFORMATION, 0);
}
