// The menu 「オプション」: settings the user chooses once and the program remembers between runs,
// in ~/.config/Tandrel/Tandrel.conf (ui/ProgramSettings.h). Every one is declared the same way,
// as a RememberedOption: its key, the menu item that shows it and its default. Adding a setting
// is declaring it and listing it in RememberedOptions() (ui/OptionMenu.cpp).
#pragma once

#include "core/compare/CompareOptions.h"
#include "core/lines/LineEnd.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

class CDialog;
class QAction;

struct OptionChoice {
    std::string_view text;   // a radio item's caption, UTF-8
    std::string_view name;   // a radio item's object name, by which tests find it
    std::string_view stored; // the value written to the settings file
};

struct RememberedOption {
    std::string_view key; // in the settings file
    // The menu item: a check item of the menu bar's template, which shows choices[1] checked
    // and choices[0] not; or, when checkCommand is 0, a submenu of radio items titled title,
    // one item per choice, that OptionMenu adds to 「オプション」.
    unsigned checkCommand;
    std::string_view title;
    std::span<const OptionChoice> choices; // the first is the default
};

// The options Run reads, in the order of kCompareOptionNames: check items, stored as a
// QSettings bool is ("false", "true").
extern const std::array<RememberedOption, kCompareOptionNames.size()> kCompareSettings;
// 「保存時の改行コード」: how Save ends the lines it writes, its choices those of
// kLineEndChoices in their order.
extern const RememberedOption kSaveLineEndSetting;

class OptionMenu : public QObject {
    Q_OBJECT

public:
    // Shows every remembered option in dialog's menu bar as it was last chosen (its popup
    // IDM_OPTIONS gains the submenus), and remembers each choice the user makes.
    explicit OptionMenu(CDialog& dialog);

    // The index in option.choices of what the menu shows.
    std::size_t Chosen(const RememberedOption& option) const;
    // The comparison options as the menu shows them.
    CompareOptions ChosenCompareOptions() const;
    // The menu texts of the comparison options that options turns on, in the menu's order.
    QStringList CompareOptionTexts(const CompareOptions& options) const;

signals:
    // The user chose another value of an option.
    void Changed();

private:
    // Each option's items: one per choice for a submenu, the one check item otherwise.
    QHash<const RememberedOption*, QList<QAction*>> m_items;
};
