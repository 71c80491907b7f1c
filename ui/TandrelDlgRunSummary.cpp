// What the last Run did, in numbers, as the tooltip of the label over the result box: how many
// lines went in, how many came out, and why the others went.
#include "core/DocumentState.h"
#include "res/ResourceIds.h"
#include "ui/TandrelDlg.h"

#include <QLocale>

void CTandrelDlg::ShowRunSummary(int nLineCount, int nResultCount) {
    // Counted from the list's index: reading ten million lines here would stall the window.
    const auto nEmpty =
        static_cast<qlonglong>(g_vTextLines.CountEmptyLines(static_cast<std::size_t>(nLineCount)));
    const auto nDuplicates = nLineCount - nResultCount - nEmpty;
    const QLocale numbers(QLocale::Japanese); // 1,000,000
    const QString strSummary =
        QStringLiteral("%1 行 → %2 行（重複 %3 行、空行 %4 行）")
            .arg(numbers.toString(nLineCount), numbers.toString(nResultCount),
                 numbers.toString(qlonglong{nDuplicates}), numbers.toString(qlonglong{nEmpty}));
    if (QWidget* pCaption = GetDlgItem(IDC_RESULT_CAPTION))
        pCaption->setToolTip(strSummary);
}
