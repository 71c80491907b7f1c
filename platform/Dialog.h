// A dialog window built from its template (DialogBuilder), with the framework's way of getting
// at its controls by id. CDialogEx is the same window: on Windows it differs only in how it
// paints its background.
#pragma once

#include "platform/DialogBuilder.h"

#include <QDialog>

class CDialog : public QDialog {
    Q_OBJECT

public:
    explicit CDialog(const DialogTemplate& tpl, QWidget* pParent = nullptr,
                     IconLoader loadIcon = nullptr);

    // Runs the dialog modally and returns IDOK or IDCANCEL.
    int DoModal();

    // The control with id nID, or nullptr.
    QWidget* GetDlgItem(int nID) const { return m_built.controls.value(nID); }
    // The menu-bar command nID, or nullptr.
    QAction* GetMenuCommand(unsigned nID) const { return m_built.commands.value(nID); }
    // The menu-bar popup nID, or nullptr.
    QMenu* GetMenuPopup(unsigned nID) const { return m_built.popups.value(nID); }
    // The dialog font's base units, which turn the template's dialog units into pixels.
    DialogBaseUnits GetBaseUnits() const { return m_built.baseUnits; }

protected:
    // The template's IDOK and IDCANCEL buttons end the dialog through these, as a Windows
    // dialog's base class does.
    virtual void OnOK() { accept(); }
    virtual void OnCancel() { reject(); }

    // A dialog has no context menu of its own: Qt's would offer "What's This?" over the menu
    // bar, which has no help to show.
    void contextMenuEvent(QContextMenuEvent* e) override;

    // Binds the controls to the members that work with them (DDX_Control).
    virtual void DoDataExchange() {}
    // Runs once the controls exist; the base binds the controls. Returns true when the dialog
    // leaves the initial focus where the template put it.
    virtual bool OnInitDialog();

    // Points rControl at control nIDC, which must exist and be of type T.
    template <class T> void DDX_Control(int nIDC, T*& rControl) {
        rControl = qobject_cast<T*>(GetDlgItem(nIDC));
        Q_ASSERT_X(rControl, "DDX_Control", "no control of this type with this id");
    }

private:
    BuiltDialog m_built;
};

class CDialogEx : public CDialog {
    Q_OBJECT

public:
    using CDialog::CDialog;
};
