// Drives the main window the way a user does: finds its controls by their ids' names, clicks,
// types, chooses from the encoding list, and answers the modal windows that follow.
#pragma once

#include "ModalAnswers.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "ui/TandrelDlg.h"

#include <QPushButton>
#include <QToolButton>
#include <memory>

class MainWindowDriver {
public:
    // A fresh window over a fresh document state, shown and active. The options a user chose
    // are forgotten first, unless the window is to show what an earlier one remembered.
    enum class Settings { kForget, kRemember };
    explicit MainWindowDriver(Settings settings = Settings::kForget);
    ~MainWindowDriver();

    CTandrelDlg& Window() { return *m_window; }
    template <class T> T* Control(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    CEdit* Content() const { return Control<CEdit>("IDC_CONTENT"); }
    CEdit* Result() const { return Control<CEdit>("IDC_RESULT"); }
    CMFCEditBrowseCtrl* PathBox() const { return Control<CMFCEditBrowseCtrl>("IDC_FILEPATH"); }
    CComboBoxEx* EncodingList() const { return Control<CComboBoxEx>("IDC_ENCODING"); }

    // Clicks the button; answers records what opened and how it went.
    void Click(QAbstractButton* button, ModalAnswers& answers);
    // Clicks one of the window's buttons, expecting exactly one message box, and returns it.
    MessageSeen ClickForMessage(const char* buttonName);

    // Picks path with the path box's browse button.
    void BrowseTo(const QString& path);
    // Chooses the encoding of index (a g_nEncoding value) in the encoding list with the keyboard.
    void ChooseEncoding(int index);
    // Clicks into the content box at its end and types text; "\n" presses Enter.
    void TypeIntoContent(const QString& text);

private:
    std::unique_ptr<CTandrelDlg> m_window;
};

// Empties the document state, as at program start.
void ResetDocumentState();

// The bytes of the file at path, or "(missing)".
QByteArray ReadBytes(const QString& path);
