// Lets a whole window take a file dropped on it, wherever it lands: on the background, a label,
// a button or a control that takes dropped text itself. A drag that carries addresses (as a
// file manager's does) is the window's: the first address counts, and only a local file is
// taken; a folder or a remote address shows the "cannot drop" pointer. Every other drag, such
// as selected text moved between text boxes, goes on to the control as before.
#pragma once

#include <QObject>
#include <QString>

class QDropEvent;
class QMimeData;
class QWidget;

class CFileDropTarget : public QObject {
    Q_OBJECT

public:
    // Watches pWnd and every widget inside it; lives as long as pWnd.
    explicit CFileDropTarget(QWidget* pWnd);

    // The local file a drag offers, or an empty string when it offers none that can be taken.
    static QString DroppableFile(const QMimeData* pData);

signals:
    void FileDropped(const QString& path);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
};
