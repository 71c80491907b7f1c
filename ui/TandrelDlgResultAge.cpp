// Whether the result box still belongs to the content box's text and to the options on the
// menu. Open keeps the last result beside a new text, the user may edit the text after a Run,
// and may choose other options: a result saved then would not be the result of what the user
// sees, so it is greyed, loses its marks and counts, its label says why, and Save asks.
//
// The text's part is a flag that any change sets, an undone one too: comparing the text with
// the Run's would cost a copy of the text and a pass over it at every keystroke. The options
// are a few bits, compared whole, so choosing the Run's options again brings the result back.
#include "platform/DialogIds.h"
#include "platform/Edit.h"
#include "platform/LineMargin.h"
#include "platform/MessageBox.h"
#include "res/ResourceIds.h"
#include "ui/TandrelDlg.h"

#include <QPalette>

std::u16string CTandrelDlg::ShowNewResult(std::shared_ptr<const RunLineMap> map,
                                          const RunCounts& counts, const CompareOptions& options,
                                          bool loneCrs) {
    m_shownRun = {options, false, std::move(map), counts, loneCrs};
    m_resultAge = ResultAge::kCurrent;
    m_editResult->setColor(m_editResult->palette().color(QPalette::Active, QPalette::Text));
    return ShowRunLineMap(m_shownRun.map, m_shownRun.counts, options, loneCrs);
}

void CTandrelDlg::OnContentChanged() {
    m_shownRun.textChanged = true;
    ShowResultAge();
}

void CTandrelDlg::ShowResultAge() {
    if (m_resultAge == ResultAge::kNone)
        return;
    const bool sameOptions = ChosenCompareOptions() == m_shownRun.options;
    const ResultAge age =
        !m_shownRun.textChanged && sameOptions ? ResultAge::kCurrent : ResultAge::kOutOfDate;
    if (age == m_resultAge)
        return;
    m_resultAge = age;
    if (age == ResultAge::kCurrent) {
        m_editResult->setColor(m_editResult->palette().color(QPalette::Active, QPalette::Text));
        ShowRunLineMap(m_shownRun.map, m_shownRun.counts, m_shownRun.options, m_shownRun.loneCrs);
        return;
    }
    m_editResult->setColor(m_editResult->palette().color(QPalette::Disabled, QPalette::Text));
    // The marks beside both boxes were those of another text, or of other options.
    m_marginContent->Clear();
    m_marginResult->Clear();
    QWidget* pCaption = GetDlgItem(IDC_RESULT_CAPTION);
    pCaption->setToolTip(
        (m_shownRun.textChanged
             ? QStringLiteral("この処理結果は、「ファイルの内容」が変わる前のテキストから作られた"
                              "ものです。実行し直すと、今のテキストの処理結果になります。\n")
             : QStringLiteral("この処理結果は、今とは違うオプションで作られたものです。"
                              "実行し直すと、今のオプションでの処理結果になります。\n")) +
        pCaption->toolTip());
}

bool CTandrelDlg::ConfirmSaveOfResult() {
    return m_resultAge != ResultAge::kOutOfDate ||
           AfxMessageBox(u"処理結果は、今の「ファイルの内容」から作られたものではありません。"
                         u"このまま保存しますか？",
                         MB_YESNO | MB_ICONQUESTION, 0) == IDYES;
}
