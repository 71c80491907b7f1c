#include "platform/WindowMenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeySequence>
#include <QMetaMethod>
#include <QShortcut>
#include <QWindow>

CWindowMenu::CWindowMenu(QWidget* pWnd) : QMenu(pWnd), m_pWnd(pWnd) {
    AddCommand(SC_MOVE, QStringLiteral("移動(&M)"));
    QAction* pClose = AddCommand(SC_CLOSE, QStringLiteral("閉じる(&C)"));
    // The desktop usually takes Alt+F4 itself; the window listens too, so that the key also
    // works where no window manager runs, and the menu shows the key beside its entry.
    pClose->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    m_pWnd->addAction(pClose);
    m_nDefaultEntries = actions().size();

    new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), m_pWnd, this, &CWindowMenu::PopupAtWindow);
    m_pWnd->installEventFilter(this);
}

void CWindowMenu::AppendMenu(unsigned nFlags, unsigned nIDNewItem, const QString& strNewItem) {
    if (nFlags & MF_SEPARATOR)
        addSeparator();
    else
        AddCommand(nIDNewItem, strNewItem);
}

void CWindowMenu::PopupAtWindow() {
    popup(m_pWnd->mapToGlobal(QPoint(0, 0)));
}

void CWindowMenu::SendSysCommand(unsigned nID, qintptr lParam) {
    if (isSignalConnected(QMetaMethod::fromSignal(&CWindowMenu::SysCommand)))
        emit SysCommand(nID, lParam);
    else
        DefWindowSysCommand(m_pWnd, nID, lParam);
}

void CWindowMenu::RestoreDefaultEntries() {
    const QList<QAction*> entries = actions();
    for (qsizetype i = m_nDefaultEntries; i < entries.size(); ++i) {
        removeAction(entries[i]);
        delete entries[i];
    }
}

unsigned CWindowMenu::CommandOf(const QAction* pAction) {
    return pAction->data().toUInt();
}

bool CWindowMenu::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A context-menu event reaches the window itself only when no control under the cursor
    // took it; the labels and frames pass it on, and so count as background.
    if (pWatched == m_pWnd && pEvent->type() == QEvent::ContextMenu) {
        auto* pContext = static_cast<QContextMenuEvent*>(pEvent);
        if (pContext->reason() == QContextMenuEvent::Mouse && IsFreeBackground(pContext->pos())) {
            popup(pContext->globalPos());
            return true;
        }
    }
    return QMenu::eventFilter(pWatched, pEvent);
}

QAction* CWindowMenu::AddCommand(unsigned nID, const QString& strText) {
    QAction* pAction = addAction(strText);
    pAction->setData(nID);
    // Queued, as Windows posts the command: the menu has closed before a handler opens a
    // modal dialog of its own.
    connect(
        pAction, &QAction::triggered, this, [this, nID] { SendSysCommand(nID); },
        Qt::QueuedConnection);
    return pAction;
}

bool CWindowMenu::IsFreeBackground(QPoint ptClient) const {
    // Labels, frames and the plain panels that hold the controls are background; controls and
    // the menu bar are not.
    const QWidget* pChild = m_pWnd->childAt(ptClient);
    if (!pChild)
        return true;
    const bool bPanel = pChild->metaObject() == &QWidget::staticMetaObject;
    return (bPanel || qobject_cast<const QFrame*>(pChild)) && pChild->focusPolicy() == Qt::NoFocus;
}

CWindowMenu* GetSystemMenu(QWidget* pWnd, bool bRevert) {
    if (!pWnd)
        return nullptr;
    auto* pMenu = pWnd->findChild<CWindowMenu*>(QString(), Qt::FindDirectChildrenOnly);
    if (bRevert) {
        if (pMenu)
            pMenu->RestoreDefaultEntries();
        return nullptr;
    }
    return pMenu ? pMenu : new CWindowMenu(pWnd);
}

void DefWindowSysCommand(QWidget* pWnd, unsigned nID, qintptr /*lParam*/) {
    if (!pWnd)
        return;
    // Windows keeps internal flags in the low four bits of a system command.
    switch (nID & 0xFFF0) {
    case SC_CLOSE:
        pWnd->close();
        break;
    case SC_MOVE:
        if (QWindow* pWindow = pWnd->windowHandle())
            pWindow->startSystemMove();
        break;
    case SC_MINIMIZE:
        pWnd->showMinimized();
        break;
    case SC_RESTORE:
        pWnd->showNormal();
        break;
    default:
        break;
    }
}
