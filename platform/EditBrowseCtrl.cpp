#include "platform/EditBrowseCtrl.h"

#include "platform/DialogIds.h"
#include "platform/FileDialog.h"

#include <QKeyEvent>
#include <QToolButton>

CMFCEditBrowseCtrl::CMFCEditBrowseCtrl(QWidget* pParent)
    : QLineEdit(pParent), m_pBrowseButton(new QToolButton(this)) {
    setReadOnly(true);
    m_pBrowseButton->setText(QStringLiteral("..."));
    m_pBrowseButton->setCursor(Qt::ArrowCursor);
    // Part of the box, as on Windows: the box takes the focus, the button only the mouse.
    m_pBrowseButton->setFocusPolicy(Qt::NoFocus);
    connect(m_pBrowseButton, &QToolButton::clicked, this, &CMFCEditBrowseCtrl::OnBrowse);
}

void CMFCEditBrowseCtrl::SetName(const QString& name) {
    setObjectName(name);
    m_pBrowseButton->setObjectName(name + QStringLiteral("_BROWSE"));
}

std::u16string CMFCEditBrowseCtrl::GetWindowText() const {
    return text().toStdU16String();
}

void CMFCEditBrowseCtrl::ChoosePath(const QString& path) {
    setText(path);
    emit PathChosen(path);
}

void CMFCEditBrowseCtrl::OnBrowse() {
    CFileDialog dialog(true, {}, GetWindowText(), OFN_HIDEREADONLY, {}, this);
    if (dialog.DoModal() == IDOK)
        ChoosePath(QString::fromStdU16String(dialog.GetPathName()));
}

void CMFCEditBrowseCtrl::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    // A square button inside the frame at the right end; the text stops short of it.
    const int frame = 1;
    const int side = height() - 2 * frame;
    m_pBrowseButton->setGeometry(width() - frame - side, frame, side, side);
    setTextMargins(0, 0, side, 0);
}

void CMFCEditBrowseCtrl::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Down && e->modifiers() == Qt::AltModifier) {
        OnBrowse();
        return;
    }
    QLineEdit::keyPressEvent(e);
}
