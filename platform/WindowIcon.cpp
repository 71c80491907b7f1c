#include "platform/WindowIcon.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

int GetSystemMetrics(int nIndex) {
    if (nIndex != SM_CXICON && nIndex != SM_CYICON)
        return 0;
    return QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
}

int CenteredIconOrigin(int nExtent, int nIconExtent) {
    return (nExtent - nIconExtent + 1) / 2;
}

void DrawIcon(QPainter& dc, int x, int y, const QIcon& icon) {
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    icon.paint(&dc, x, y, cx, cy);
}
