#include "platform/LinkCtrl.h"

#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

CMFCLinkCtrl::CMFCLinkCtrl(QWidget* pParent) : QAbstractButton(pParent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    connect(this, &QAbstractButton::clicked, this, &CMFCLinkCtrl::OnOpen);
}

QSize CMFCLinkCtrl::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(4, 4);
}

void CMFCLinkCtrl::OnOpen() {
    if (!QDesktopServices::openUrl(QUrl(text()))) {
        const QString message =
            QStringLiteral("このアドレスを開くプログラムが見つかりません。\n") + text();
        AfxMessageBox(message.toStdU16String(), MB_ICONERROR, 0);
    }
}

void CMFCLinkCtrl::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        e->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void CMFCLinkCtrl::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(isDown() ? QPalette::LinkVisited : QPalette::Link));
    const QRect textRect = rect().adjusted(2, 0, -2, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = painter.fontMetrics()
                          .boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter, text())
                          .adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}
