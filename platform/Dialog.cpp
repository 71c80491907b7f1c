#include "platform/Dialog.h"

#include "res/ResourceIds.h"

CDialog::CDialog(const DialogTemplate& tpl, QWidget* pParent, IconLoader loadIcon)
    : QDialog(pParent), m_built(BuildDialog(*this, tpl, loadIcon)) {}

int CDialog::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CDialog::OnInitDialog() {
    DoDataExchange();
    return true;
}
