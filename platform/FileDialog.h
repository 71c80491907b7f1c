// The file dialogs: choose a file to open, or a name to save under. Qt's own dialog is used on
// every desktop, so that the dialog looks and answers the same everywhere (and tests can fill it).
#pragma once

#include <QFileDialog>
#include <string>
#include <string_view>

inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002; // ask before replacing a file
inline constexpr unsigned OFN_HIDEREADONLY =
    0x0004; // no "open read-only" choice (there is none here)
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x1000; // only existing files can be chosen

class CFileDialog {
public:
    // lpszFilter lists pairs of a shown name and its patterns, each part ended by "|", the whole
    // ended by another "|": "Text (*.txt)|*.txt|All (*.*)|*.*||". The first pair is chosen at
    // start; "*.*" means every file, with or without a dot. A name typed without an extension
    // gets one when lpszDefExt is given (even empty): the chosen filter's own extension
    // ("*.txt": ".txt"), or for a filter without one ("*.*") lpszDefExt itself, if not empty.
    // An open dialog only takes existing files; a save dialog only with OFN_FILEMUSTEXIST.
    // Without lpszFileName the dialog starts in the folder last chosen in a file dialog or
    // remembered with RememberFolderOf. It opens large enough to show the file list's columns.
    CFileDialog(bool bOpenFileDialog, std::u16string_view lpszDefExt = {},
                std::u16string_view lpszFileName = {},
                unsigned dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                std::u16string_view lpszFilter = {}, QWidget* pParentWnd = nullptr);

    // Runs the dialog modally: IDOK when a file was chosen, IDCANCEL otherwise.
    int DoModal();
    // The chosen file's full path after IDOK; empty otherwise.
    std::u16string GetPathName() const;

    // The folder of path becomes the one the next dialog without a file name starts in, as if
    // path had been chosen in a file dialog. Kept for the life of the process only.
    static void RememberFolderOf(const QString& path);

private:
    QFileDialog m_dialog;
    bool m_bChosen = false;
};
