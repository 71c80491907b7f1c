#include "platform/FileDropTarget.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

CFileDropTarget::CFileDropTarget(QWidget* pWnd) : QObject(pWnd) {
    pWnd->setAcceptDrops(true);
    pWnd->installEventFilter(this);
    // The controls that take drops themselves, text boxes' viewports included, would otherwise
    // see the drag first.
    for (QWidget* pChild : pWnd->findChildren<QWidget*>())
        pChild->installEventFilter(this);
}

QString CFileDropTarget::DroppableFile(const QMimeData* pData) {
    if (!pData || !pData->hasUrls() || pData->urls().isEmpty())
        return {};
    const QUrl url = pData->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QFileInfo file(url.toLocalFile());
    return file.isDir() ? QString() : file.absoluteFilePath();
}

bool CFileDropTarget::eventFilter(QObject* pWatched, QEvent* pEvent) {
    switch (pEvent->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return QObject::eventFilter(pWatched, pEvent);
    }
    auto* pDrop = static_cast<QDropEvent*>(pEvent);
    if (!pDrop->mimeData()->hasUrls())
        return false; // text and the like: the control's own business
    const QString path = DroppableFile(pDrop->mimeData());
    if (path.isEmpty()) {
        pDrop->ignore();
        return true;
    }
    pDrop->acceptProposedAction();
    if (pEvent->type() == QEvent::Drop)
        emit FileDropped(path);
    return true;
}
