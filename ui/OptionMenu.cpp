#include "ui/OptionMenu.h"

#include "platform/Dialog.h"
#include "platform/QtStrings.h"
#include "res/ResourceIds.h"
#include "ui/ProgramSettings.h"

#include <QActionGroup>
#include <QMenu>

namespace {

// What QSettings writes for a bool, so that a check item's value reads as it always has.
constexpr OptionChoice kCheckChoices[] = {{{}, {}, "false"}, {{}, {}, "true"}};

// The menu's command of the option with the given place in kCompareOptionNames.
constexpr unsigned CommandOfOption(std::size_t index) {
    return ID_COMPARE_IGNORE_SPACE + static_cast<unsigned>(index);
}
static_assert(CommandOfOption(kCompareOptionNames.size() - 1) == ID_COMPARE_KEEP_LAST);

constexpr auto kSaveLineEndChoices = [] {
    std::array<OptionChoice, kLineEndChoices.size()> choices;
    for (std::size_t i = 0; i < choices.size(); ++i)
        choices[i] = {kLineEndChoices[i].menuText, kLineEndChoices[i].menuName,
                      kLineEndChoices[i].settingValue};
    return choices;
}();

} // namespace

constexpr std::array<RememberedOption, kCompareOptionNames.size()> kCompareSettings = [] {
    std::array<RememberedOption, kCompareOptionNames.size()> settings;
    for (std::size_t i = 0; i < settings.size(); ++i)
        settings[i] = {kCompareOptionNames[i].settingKey, CommandOfOption(i), {}, kCheckChoices};
    return settings;
}();

constexpr RememberedOption kSaveLineEndSetting = {"save/lineEnd", 0, "保存時の改行コード",
                                                  kSaveLineEndChoices};

namespace {

// Every remembered option; the submenus are added to 「オプション」 in this order.
std::array<const RememberedOption*, kCompareSettings.size() + 1> RememberedOptions() {
    std::array<const RememberedOption*, kCompareSettings.size() + 1> options;
    for (std::size_t i = 0; i < kCompareSettings.size(); ++i)
        options[i] = &kCompareSettings[i];
    options.back() = &kSaveLineEndSetting;
    return options;
}

// The index in option.choices of the stored value; the default when nothing (or something
// unknown) is stored.
std::size_t StoredChoice(const RememberedOption& option) {
    const QString stored = ProgramSettings().value(ToQString(option.key)).toString();
    for (std::size_t i = 0; i < option.choices.size(); ++i)
        if (stored == ToQString(option.choices[i].stored))
            return i;
    return 0;
}

} // namespace

OptionMenu::OptionMenu(CDialog& dialog) : QObject(&dialog) {
    QMenu* options = dialog.GetMenuPopup(IDM_OPTIONS);
    for (const RememberedOption* option : RememberedOptions()) {
        const std::size_t chosen = StoredChoice(*option);
        const QString key = ToQString(option->key);
        QList<QAction*>& items = m_items[option];
        if (option->checkCommand != 0) {
            QAction* item = dialog.GetMenuCommand(option->checkCommand);
            item->setChecked(chosen == 1);
            connect(item, &QAction::toggled, this, [this, option, key](bool checked) {
                ProgramSettings().setValue(key, ToQString(option->choices[checked].stored));
                emit Changed();
            });
            items = {item};
            continue;
        }
        QMenu* submenu = options->addMenu(ToQString(option->title));
        auto* group = new QActionGroup(submenu); // one choice at a time
        for (std::size_t i = 0; i < option->choices.size(); ++i) {
            const OptionChoice& choice = option->choices[i];
            QAction* item = submenu->addAction(ToQString(choice.text));
            item->setObjectName(ToQString(choice.name));
            item->setCheckable(true);
            item->setChecked(i == chosen);
            group->addAction(item);
            connect(item, &QAction::triggered, this, [this, key, stored = choice.stored] {
                ProgramSettings().setValue(key, ToQString(stored));
                emit Changed();
            });
            items.append(item);
        }
    }
}

std::size_t OptionMenu::Chosen(const RememberedOption& option) const {
    const QList<QAction*> items = m_items.value(&option);
    if (option.checkCommand != 0)
        return items.front()->isChecked() ? 1 : 0;
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items[i]->isChecked())
            return static_cast<std::size_t>(i);
    return 0;
}

CompareOptions OptionMenu::ChosenCompareOptions() const {
    CompareOptions options;
    for (std::size_t i = 0; i < kCompareOptionNames.size(); ++i)
        options.*kCompareOptionNames[i].member = Chosen(kCompareSettings[i]) == 1;
    return options;
}

QStringList OptionMenu::CompareOptionTexts(const CompareOptions& options) const {
    QStringList texts;
    for (std::size_t i = 0; i < kCompareOptionNames.size(); ++i)
        if (options.*kCompareOptionNames[i].member)
            texts << m_items.value(&kCompareSettings[i]).front()->text();
    return texts;
}
