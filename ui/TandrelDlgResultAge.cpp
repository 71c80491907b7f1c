// Whether the result box still belongs to the content box's text. Open keeps the last result
// beside a new text, and the user may edit the text after a Run: a result saved then would not
// be the result of what the user sees, so it is greyed, its label says so, and Save asks.
#include "platform/DialogIds.h"
#include "platform/Edit.h"
#include "platform/LineMargin.h"
#include "platform/MessageBox.h"
#include "res/ResourceIds.h"
#include "ui/TandrelDlg.h"

#include <QPalette>

void CTandrelDlg::OnContentChanged() {
    if (m_resultAge != ResultAge::kCurrent)
        return; // no result yet, or already out of date
    m_resultAge = ResultAge::kOutOfDate;
    m_editResult->setColor(m_editResult->palette().color(QPalette::Disabled, QPalette::Text));
    // The counts beside the result were those of a text that is no more.
    m_marginResult->Clear();
    QWidget* pCaption = GetDlgItem(IDC_RESULT_CAPTION);
    pCaption->setToolTip(
        QStringLiteral("この処理結果は、「ファイルの内容」が変わる前のテキストから作られたもので"
                       "す。実行し直すと、今のテキストの処理結果になります。\n") +
        pCaption->toolTip());
}

void CTandrelDlg::ShowResultCurrent() {
    m_resultAge = ResultAge::kCurrent;
    m_editResult->setColor(m_editResult->palette().color(QPalette::Active, QPalette::Text));
}

bool CTandrelDlg::ConfirmSaveOfResult() {
    return m_resultAge != ResultAge::kOutOfDate ||
           AfxMessageBox(u"処理結果は、今の「ファイルの内容」から作られたものではありません。"
                         u"このまま保存しますか？",
                         MB_YESNO | MB_ICONQUESTION, 0) == IDYES;
}
