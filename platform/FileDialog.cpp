#include "platform/FileDialog.h"

#include "platform/DialogIds.h"
#include "platform/QtStrings.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTreeView>

namespace {

// "Name|patterns|Name|patterns||" as Qt filters "Name (patterns)". The name alone is shown
// (HideNameFilterDetails), so the list reads exactly as written even where Qt's patterns differ.
QStringList NameFilters(std::u16string_view filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*"); // Windows' "every file"; Qt's "*.*" needs a dot
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

// The extension a filter's first pattern names ("*.txt": "txt"); empty for "*" and wildcards.
QString FilterExtension(const QString& nameFilter) {
    const qsizetype open = nameFilter.lastIndexOf(u'(');
    const QString pattern = nameFilter.mid(open + 1).chopped(1).section(u' ', 0, 0);
    if (!pattern.startsWith(QLatin1String("*.")))
        return {};
    const QString extension = pattern.mid(2);
    return extension.contains(u'*') || extension.contains(u'?') ? QString() : extension;
}

QString& LastFolder() {
    static QString folder;
    return folder;
}

// Wide and high enough for the folder list beside the file list's name, size, type and date
// columns in the dialog's font, and never larger than the screen.
QSize InitialSize(const QWidget& dialog) {
    const QFontMetrics metrics(dialog.font());
    QSize size(metrics.height() * 64, metrics.height() * 36);
    if (const QScreen* screen =
            dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    return size;
}

// Qt sizes the size, type and date columns for English samples ("128.88 GB"), which cuts their
// Japanese texts ("13 バイト"); each folder shown widens them to their entries instead, while
// the user can still drag them narrower.
void WidenColumnsToContents(QFileDialog& dialog) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!model || !list)
        return;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, list, [list] {
        for (int column = 1; column < list->header()->count(); ++column)
            list->resizeColumnToContents(column);
    });
}

} // namespace

CFileDialog::CFileDialog(bool bOpenFileDialog, std::u16string_view lpszDefExt,
                         std::u16string_view lpszFileName, unsigned dwFlags,
                         std::u16string_view lpszFilter, QWidget* pParentWnd)
    : m_dialog(pParentWnd) {
    m_dialog.setOption(QFileDialog::DontUseNativeDialog);
    m_dialog.setOption(QFileDialog::HideNameFilterDetails);
    m_dialog.setOption(QFileDialog::DontConfirmOverwrite, (dwFlags & OFN_OVERWRITEPROMPT) == 0);
    m_dialog.setAcceptMode(bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    const bool mustExist = bOpenFileDialog || (dwFlags & OFN_FILEMUSTEXIST) != 0;
    m_dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = NameFilters(lpszFilter);
    if (!filters.isEmpty()) {
        m_dialog.setNameFilters(filters);
        m_dialog.selectNameFilter(filters.first());
    }
    // A default extension given, even an empty one, makes the dialog follow the chosen filter.
    if (lpszDefExt.data() != nullptr) {
        const QString defaultExtension = ToQString(lpszDefExt);
        const auto followFilter = [this, defaultExtension](const QString& filter) {
            const QString extension = FilterExtension(filter);
            m_dialog.setDefaultSuffix(extension.isEmpty() ? defaultExtension : extension);
        };
        QObject::connect(&m_dialog, &QFileDialog::filterSelected, &m_dialog, followFilter);
        followFilter(m_dialog.selectedNameFilter());
    }
    if (!lpszFileName.empty())
        m_dialog.selectFile(ToQString(lpszFileName));
    else if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        m_dialog.setDirectory(LastFolder());
    m_dialog.resize(InitialSize(m_dialog));
    WidenColumnsToContents(m_dialog);
}

void CFileDialog::RememberFolderOf(const QString& path) {
    LastFolder() = QFileInfo(path).absolutePath();
}

int CFileDialog::DoModal() {
    m_bChosen = m_dialog.exec() == QDialog::Accepted && !m_dialog.selectedFiles().isEmpty();
    if (m_bChosen)
        RememberFolderOf(m_dialog.selectedFiles().constFirst());
    return m_bChosen ? IDOK : IDCANCEL;
}

std::u16string CFileDialog::GetPathName() const {
    if (!m_bChosen)
        return {};
    const QString path = QDir::toNativeSeparators(m_dialog.selectedFiles().constFirst());
    return path.toStdU16String();
}
