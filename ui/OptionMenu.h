// The menu 「オプション」: settings the user chooses once and the program remembers between runs,
// in ~/.config/Tandrel/Tandrel.conf. Each setting is one submenu of radio items, and one row of
// kOptionSettings: adding a setting is adding a row.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

class QMenuBar;

struct OptionChoice {
    std::string_view text;   // the item's caption, UTF-8
    std::string_view name;   // the item's object name, by which tests find it
    std::string_view stored; // the value written to the settings file
};

struct OptionSetting {
    std::string_view key;                  // in the settings file
    std::string_view title;                // the submenu's caption, UTF-8
    std::span<const OptionChoice> choices; // the first is the default
};

// 「保存時の改行コード」: how Save ends the lines it writes, its choices those of
// kLineEndChoices in their order.
extern const OptionSetting kSaveLineEndSetting;

// Adds the settings to menuBar's 「オプション」 (appended when the bar has none), their items
// showing the stored choices.
void AddOptionMenu(QMenuBar* menuBar);

// The index in setting.choices of what the user chose; the default when nothing (or something
// unknown) is stored.
std::size_t ChosenOption(const OptionSetting& setting);
