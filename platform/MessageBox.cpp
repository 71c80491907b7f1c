#include "platform/MessageBox.h"

#include "platform/DialogIds.h"
#include "platform/QtStrings.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace {

QMessageBox::Icon IconOf(unsigned nType) {
    switch (nType & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int AfxMessageBox(std::u16string_view lpszText, unsigned nType, unsigned /*nIDHelp*/,
                  std::u16string_view detail) {
    const bool question = (nType & 0x0F) == MB_YESNO;
    QMessageBox box(IconOf(nType), QCoreApplication::applicationName(), ToQString(lpszText),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
        box.setEscapeButton(QMessageBox::No);
    }
    if (!detail.empty() && (nType & MB_DETAILSHOWN))
        box.setInformativeText(ToQString(detail));
    else if (!detail.empty())
        box.setDetailedText(ToQString(detail));
    const int pressed = box.exec();
    if (!question)
        return IDOK;
    return pressed == QMessageBox::Yes ? IDYES : IDNO;
}
