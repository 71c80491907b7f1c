#include "ui/OptionMenu.h"

#include "platform/QtStrings.h"
#include "ui/ProgramSettings.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr OptionChoice kSaveLineEndChoices[] = {
    {"CR+LF", "ID_SAVE_LINE_END_CRLF", "crlf"},
    {"LF", "ID_SAVE_LINE_END_LF", "lf"},
    {"元のファイルに合わせる", "ID_SAVE_LINE_END_AS_OPENED", "as-opened"},
};

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
