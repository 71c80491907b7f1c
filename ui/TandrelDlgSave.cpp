// The Save command: the lines of the last Run, each ended by a line feed, into a file the user
// names, in the chosen encoding.
#include "core/DocumentState.h"
#include "core/EncodingChoices.h"
#include "core/JoinLines.h"
#include "platform/Edit.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "res/ResourceIds.h"
#include "ui/TandrelDlg.h"

void CTandrelDlg::OnBnClickedSave() {
    g_nError = 0;

    if (m_editResult->GetWindowTextLength() == 0) {
        AfxMessageBox(u"保存するデーターがありません。", MB_ICONERROR, 0);
        return;
    }

    std::u16string strText;
    {
        WaitCursor wait;
        strText = JoinLines(g_vResultLines, g_vResultLines.size(), u"\n");
    }

    // Saving under a new name must be possible, so the chosen file need not exist; a file that
    // does exist is replaced without a question.
    CFileDialog dlgSave(false, u"", u"", OFN_HIDEREADONLY,
                        u"全て(*.*)|*.*|テキストファイル(*.txt)|*.txt||", this);
    std::u16string strPath;
    if (dlgSave.DoModal() == IDOK)
        strPath = dlgSave.GetPathName();

    WaitCursor wait;
    // A cancelled dialog leaves the path empty; the writer then fails, and says so.
    if (const EncodingChoice* encoding = FindEncodingChoice(g_nEncoding))
        encoding->WriteText(strPath, std::move(strText));

    wait.End();
    if (g_nError == 1) {
        AfxMessageBox(u"ファイルを保存できませんでした。", MB_ICONERROR, 0);
        g_nError = 0;
    } else {
        AfxMessageBox(u"ファイルを保存しました。", MB_ICONINFORMATION, 0);
    }
}
