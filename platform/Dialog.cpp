#include "platform/Dialog.h"

#include "platform/DialogIds.h"

#include <QContextMenuEvent>
#include <QPushButton>

CDialog::CDialog(const DialogTemplate& tpl, QWidget* pParent, IconLoader loadIcon)
    : QDialog(pParent), m_built(BuildDialog(*this, tpl, loadIcon)) {
    if (auto* pOK = qobject_cast<QPushButton*>(GetDlgItem(IDOK)))
        connect(pOK, &QPushButton::clicked, this, [this] { OnOK(); });
    if (auto* pCancel = qobject_cast<QPushButton*>(GetDlgItem(IDCANCEL)))
        connect(pCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

int CDialog::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CDialog::OnInitDialog() {
    DoDataExchange();
    return true;
}

void CDialog::contextMenuEvent(QContextMenuEvent* e) {
    e->ignore();
}
