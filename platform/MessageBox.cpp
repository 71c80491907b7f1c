#include "platform/MessageBox.h"

#include "platform/DialogIds.h"
#include "platform/QtStrings.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

QMessageBox::Icon IconOf(unsigned nType) {
    switch (nType & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int AfxMessageBox(std::u16string_view lpszText, unsigned nType, unsigned /*nIDHelp*/) {
    QMessageBox box(IconOf(nType), QCoreApplication::applicationName(), ToQString(lpszText),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return IDOK;
}
