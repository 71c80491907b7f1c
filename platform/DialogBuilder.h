// Builds a dialog window from its template: the template's font (DialogFont), a fixed client
// area of the template's size in dialog units, the menu bar above it as on Windows, and every
// control at its place, in template order.
//
// The template's classes become: "Button" a push button, "Static" a label (SS_ICON an icon,
// SS_GRAYFRAME a gray rule), "Edit" a multi-line text box (CEdit), "ComboBoxEx32" a drop-down
// list (CComboBoxEx), "MfcEditBrowse" a path box with browse button (CMFCEditBrowseCtrl),
// "MfcLink" a link (CMFCLinkCtrl). Controls without WS_VISIBLE stay hidden, WS_DISABLED ones
// disabled; WS_TABSTOP controls take the focus from the keyboard, in template order; the first
// visible, enabled one has the focus when the window opens. Every control's objectName is its
// id's name; menu commands are actions named after their ids.
#pragma once

#include "platform/DialogTemplate.h"
#include "platform/DialogUnits.h"

#include <QHash>

class QAction;
class QDialog;
class QIcon;
class QMenu;
class QMenuBar;
class QWidget;

struct BuiltDialog {
    DialogBaseUnits baseUnits{};
    QWidget* client = nullptr;          // the client area, holding the controls
    QMenuBar* menuBar = nullptr;        // nullptr without a menu
    QHash<int, QWidget*> controls;      // by id; labels (IDC_STATIC) are not listed
    QHash<unsigned, QAction*> commands; // menu commands by id
    QHash<unsigned, QMenu*> popups;     // the menu bar's popups by id, those that have one
};

// Loads an icon resource by id, for SS_ICON statics whose caption names it ("#128").
using IconLoader = QIcon (*)(int nID);

BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& tpl, IconLoader loadIcon = nullptr);
