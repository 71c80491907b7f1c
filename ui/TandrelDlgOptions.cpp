// The menu "オプション": how Run compares lines and which it keeps. Each choice is remembered
// for the next start; the options reach Run as one value, read from the menu when Run starts.
#include "res/ResourceIds.h"
#include "ui/ProgramSettings.h"
#include "ui/TandrelDlg.h"

#include <QAction>

namespace {

// The menu's command of the option with the given place in kCompareOptionNames.
constexpr unsigned CommandOfOption(std::size_t index) {
    return ID_COMPARE_IGNORE_SPACE + static_cast<unsigned>(index);
}
static_assert(CommandOfOption(kCompareOptionNames.size() - 1) == ID_COMPARE_KEEP_LAST);

QString SettingKey(const CompareOptionName& name) {
    return QString::fromLatin1(name.settingKey.data(),
                               static_cast<qsizetype>(name.settingKey.size()));
}

} // namespace

void CTandrelDlg::ConnectCompareOptions() {
    const QSettings settings = ProgramSettings();
    for (std::size_t i = 0; i < kCompareOptionNames.size(); ++i) {
        QAction* pItem = GetMenuCommand(CommandOfOption(i));
        const QString key = SettingKey(kCompareOptionNames[i]);
        pItem->setChecked(settings.value(key, false).toBool());
        connect(pItem, &QAction::toggled, this,
                [key](bool bChecked) { ProgramSettings().setValue(key, bChecked); });
    }
}

CompareOptions CTandrelDlg::ChosenCompareOptions() const {
    CompareOptions options;
    for (std::size_t i = 0; i < kCompareOptionNames.size(); ++i)
        options.*kCompareOptionNames[i].member = GetMenuCommand(CommandOfOption(i))->isChecked();
    return options;
}

QStringList CTandrelDlg::CompareOptionTexts(const CompareOptions& options) const {
    QStringList texts;
    for (std::size_t i = 0; i < kCompareOptionNames.size(); ++i)
        if (options.*kCompareOptionNames[i].member)
            texts << GetMenuCommand(CommandOfOption(i))->text();
    return texts;
}
