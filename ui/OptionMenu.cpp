#include "ui/OptionMenu.h"

#include "platform/QtStrings.h"
#include "ui/ProgramSettings.h"
#include "core/lines/LineEnd.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr auto kSaveLineEndChoices = [] {
    std::array<OptionChoice, kLineEndChoices.size()> choices;
    for (std::size_t i = 0; i < choices.size(); ++i)
        choices[i] = {kLineEndChoices[i].menuText, kLineEndChoices[i].menuName,
                      kLineEndChoices[i].settingValue};
    return choices;
}();

} // namespace

const OptionSetting kSaveLineEndSetting = {"save/lineEnd", "保存時の改行コード",
                                           kSaveLineEndChoices};

namespace {

const OptionSetting* const kOptionSettings[] = {&kSaveLineEndSetting};

} // namespace

std::size_t ChosenOption(const OptionSetting& setting) {
    const QString stored = ProgramSettings().value(ToQString(setting.key)).toString();
    for (std::size_t i = 0; i < setting.choices.size(); ++i)
        if (stored == ToQString(setting.choices[i].stored))
            return i;
    return 0;
}

void AddOptionMenu(QMenuBar* menuBar) {
    // The menu bar's template already holds 「オプション」 with the comparison options.
    QMenu* options = nullptr;
    for (QAction* popup : menuBar->actions())
        if (popup->text() == QStringLiteral("オプション"))
            options = popup->menu();
    if (!options)
        options = menuBar->addMenu(QStringLiteral("オプション"));
    for (const OptionSetting* setting : kOptionSettings) {
        QMenu* submenu = options->addMenu(ToQString(setting->title));
        auto* group = new QActionGroup(submenu); // one choice at a time
        const std::size_t chosen = ChosenOption(*setting);
        for (std::size_t i = 0; i < setting->choices.size(); ++i) {
            const OptionChoice& choice = setting->choices[i];
            QAction* item = submenu->addAction(ToQString(choice.text));
            item->setObjectName(ToQString(choice.name));
            item->setCheckable(true);
            item->setChecked(i == chosen);
            group->addAction(item);
            QObject::connect(item, &QAction::triggered, item, [setting, pChoice = &choice] {
                ProgramSettings().setValue(ToQString(setting->key), ToQString(pChoice->stored));
            });
        }
    }
}
