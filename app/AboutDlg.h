// The About box, on template IDD_ABOUTBOX. It adds nothing to the dialog the template makes,
// which is why it fits in this header: the main window shows it without linking the
// application's own code.
#pragma once

#include "platform/Dialog.h"
#include "res/AboutBox.h"
#include "res/AppIcon.h"

class CAboutDlg : public CDialogEx {
public:
    // pParent owns the box, so that it opens over that window and is modal to it.
    explicit CAboutDlg(QWidget* pParent = nullptr)
        : CDialogEx(kAboutBoxTemplate, pParent, LoadIcon) {}
};
