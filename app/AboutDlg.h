// The About box, on template IDD_ABOUTBOX. It adds nothing to the dialog the template makes,
// which is why it fits in this header: the main window shows it without linking the
// application's own code.
#pragma once

#include "platform/Dialog.h"
#include "res/AboutBox.h"
#include "res/AppIcon.h"
#include "res/ResourceIds.h"

#include <QPushButton>

// The About template has no handler of its own: its OK button ends the box the way a Windows
// dialog's base class ends any dialog whose IDOK button is clicked.
inline void EndWithOK(CDialog& dlg) {
    if (auto* pOK = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK)))
        QObject::connect(pOK, &QPushButton::clicked, &dlg, &QDialog::accept);
}

class CAboutDlg : public CDialogEx {
public:
    // pParent owns the box, so that it opens over that window and is modal to it.
    explicit CAboutDlg(QWidget* pParent = nullptr)
        : CDialogEx(kAboutBoxTemplate, pParent, LoadIcon) {
        EndWithOK(*this);
    }
};
