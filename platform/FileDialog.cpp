#include "platform/FileDialog.h"

#include "platform/DialogIds.h"
#include "platform/QtStrings.h"

#include <QDir>
#include <QString>
#include <QStringList>

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
    m_dialog.setDefaultSuffix(ToQString(lpszDefExt));
    const QStringList filters = NameFilters(lpszFilter);
    if (!filters.isEmpty()) {
        m_dialog.setNameFilters(filters);
        m_dialog.selectNameFilter(filters.first());
    }
    if (!lpszFileName.empty())
        m_dialog.selectFile(ToQString(lpszFileName));
}

int CFileDialog::DoModal() {
    m_bChosen = m_dialog.exec() == QDialog::Accepted && !m_dialog.selectedFiles().isEmpty();
    return m_bChosen ? IDOK : IDCANCEL;
}

std::u16string CFileDialog::GetPathName() const {
    if (!m_bChosen)
        return {};
    const QString path = QDir::toNativeSeparators(m_dialog.selectedFiles().constFirst());
    return path.toStdU16String();
}
