// Every text of the program is Japanese, so Qt's own texts (file dialogs, standard buttons) and
// the text boxes' context menu are shown in Japanese too, whatever language the desktop uses.
#pragma once

class QCoreApplication;

// Installs the translators on app; where Qt's Japanese catalogue is missing, Qt's texts stay as
// they are.
void InstallJapaneseTranslations(QCoreApplication& app);
