#include "platform/LinkCtrl.h"

#include <QDesktopServices>
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
    QDesktopServices::openUrl(QUrl(text()));
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
