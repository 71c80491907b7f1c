// What the last Run did: in the content box's margin the lines it left out (「重」 a repeat,
// whose tooltip names the line it repeats, 「空」 an empty or blank line), in the result box's
// the lines of the text each kept line stands for (「×3」), and the counts (with the options in
// force) as the tooltip of the label over the result box and under the message Run ends with.
#include "core/compare/RunFilter.h"
#include "core/document/RunSummary.h"
#include "platform/LineMargin.h"
#include "platform/QtStrings.h"
#include "res/ResourceIds.h"
#include "ui/TandrelDlg.h"

std::u16string CTandrelDlg::ShowRunLineMap(std::shared_ptr<const RunLineMap> map,
                                           const RunCounts& counts, const CompareOptions& options,
                                           bool loneCrs) {
    m_marginContent->Show(
        [map](std::size_t line) -> CLineMargin::Mark {
            if (line >= map->keptAs.size())
                return {};
            if (map->keptAs[line] == RunLineMap::kDropped)
                return {QStringLiteral("空"), {}};
            if (map->IsRepeat(line))
                return {QStringLiteral("重"),
                        QStringLiteral("%1 行目と同じ").arg(map->kept[map->keptAs[line]] + 1)};
            return {};
        },
        map->keptAs.size(), QStringLiteral("重"));
    m_marginResult->Show(
        [map](std::size_t line) -> CLineMargin::Mark {
            if (line >= map->counts.size())
                return {};
            return {QStringLiteral("×%1").arg(map->counts[line]), {}};
        },
        map->counts.size(), QStringLiteral("×%1").arg(counts.most));

    // What the text was, then how it was compared. Options are remembered from one start to
    // the next, so a result that differs from yesterday's says which were on, each on a line of
    // its own, so that none is broken.
    std::u16string strSummary = RunCountsText(counts);
    if (loneCrs)
        strSummary += u"\n" + std::u16string(kLoneCrNote);
    if (const QStringList texts = CompareOptionTexts(options); !texts.isEmpty())
        strSummary += u"\nオプション:\n・" + texts.join(QStringLiteral("\n・")).toStdU16String();
    if (QWidget* pCaption = GetDlgItem(IDC_RESULT_CAPTION))
        pCaption->setToolTip(ToQString(strSummary));
    return strSummary;
}
