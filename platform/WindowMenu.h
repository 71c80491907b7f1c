// The window menu (on Windows, the system menu) of a top-level window.
//
// On Linux the desktop draws the title bar and owns the menu behind it; an application cannot
// add entries to it. So a window that asks for its window menu gets one of its own, holding the
// entries a fixed-size dialog has on Windows ("移動", "閉じる") and opened the ways Windows opens
// it from the keyboard and the window body: Alt+Space, or a right-click on the window's free
// background. Every choice arrives as one signal carrying the command id, like WM_SYSCOMMAND.
#pragma once

#include <QMenu>
#include <QtGlobal>

// Window-menu commands and menu-item flags, with the values of the Windows headers.
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_SEPARATOR = 0x0800;

class CWindowMenu : public QMenu {
    Q_OBJECT

public:
    // Fills the menu with the window's own entries and starts listening for the ways to open it.
    // The menu is a child of pWnd and lives as long as the window.
    explicit CWindowMenu(QWidget* pWnd);

    // Appends a separator (MF_SEPARATOR; id and text unused) or a command (MF_STRING).
    // Command ids keep their low four bits, as Windows passes them on unmasked.
    void AppendMenu(unsigned nFlags, unsigned nIDNewItem = 0, const QString& strNewItem = {});

    // Opens the menu under the window's top-left corner, where the title bar's menu would drop.
    void PopupAtWindow();

    // Delivers a command to the window as if it had been chosen from this menu. A window that
    // does not listen to SysCommand gets the platform's default processing.
    void SendSysCommand(unsigned nID, qintptr lParam = 0);

    // Removes every entry appended since construction.
    void RestoreDefaultEntries();

    // The command a menu entry sends; 0 for separators.
    static unsigned CommandOf(const QAction* pAction);

signals:
    // A window-menu command for the window. The menu's own entries send lParam 0.
    void SysCommand(unsigned nID, qintptr lParam);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QAction* AddCommand(unsigned nID, const QString& strText);
    bool IsFreeBackground(QPoint ptClient) const;

    QWidget* m_pWnd;
    qsizetype m_nDefaultEntries = 0;
};

// The window menu of pWnd, created on first use. With bRevert the entries appended after
// creation are removed again and nullptr is returned, as GetSystemMenu(hWnd, TRUE) restores the
// default menu. Returns nullptr for a null window.
CWindowMenu* GetSystemMenu(QWidget* pWnd, bool bRevert);

// What the platform does with a window-menu command that the window's own handler passes on:
// SC_CLOSE closes the window (a dialog ends as IDCANCEL), SC_MOVE starts the desktop's
// interactive move, SC_MINIMIZE and SC_RESTORE change the window's state; other commands do
// nothing.
void DefWindowSysCommand(QWidget* pWnd, unsigned nID, qintptr lParam);
