#include "ui/DocumentAddresses.h"

#include "res/BuildFacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString DocumentPath(const QString& fileName) {
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../" TANDREL_DOC_FOLDER) + fileName);
    QString path = installed;
    if (!QFileInfo::exists(installed)) {
        const QString source = QDir::cleanPath(QStringLiteral(TANDREL_SOURCE_DIR "/") + fileName);
        if (QFileInfo::exists(source))
            path = source;
    }
    return path;
}

} // namespace

QString DocumentAddress(const QString& fileName) {
    return QUrl::fromLocalFile(DocumentPath(fileName)).toString();
}

QString DocumentFolder() {
    return QFileInfo(DocumentPath(QStringLiteral("README.md"))).absolutePath() + u'/';
}
