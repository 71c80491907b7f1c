// Where the window remembers what the user chose between runs: ~/.config/Tandrel/Tandrel.conf.
// Named here rather than after the application's organisation, which carries the long registry
// name of the window's start-up and would make an odd folder name.
#pragma once

#include <QSettings>

inline QSettings ProgramSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tandrel"),
                     QStringLiteral("Tandrel"));
}
