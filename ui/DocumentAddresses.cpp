#include "ui/DocumentAddresses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString DocumentAddress(const QString& fileName) {
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../share/doc/tandrel/") + fileName);
    QString path = installed;
    if (!QFileInfo::exists(installed)) {
        const QString source = QDir::cleanPath(QStringLiteral(TANDREL_SOURCE_DIR "/") + fileName);
        if (QFileInfo::exists(source))
            path = source;
    }
    return QUrl::fromLocalFile(path).toString();
}
