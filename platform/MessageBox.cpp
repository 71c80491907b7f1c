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

// The text with a word joiner (U+2060) between any two characters of a line: Qt's line breaking
// may otherwise break between any two Japanese characters, and at a space between a number and
// its unit, which becomes a no-break space. The joiners take no room and show nothing.
QString KeptWhole(std::u16string_view text) {
    QString kept;
    kept.reserve(static_cast<qsizetype>(text.size() * 2));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool joined = i > 0 && text[i - 1] != u'\n' && unit != u'\n' &&
                            !QChar::isLowSurrogate(unit); // not inside a pair
        if (joined)
            kept += QChar(0x2060);
        kept += unit == u' ' ? QChar(0x00A0) : QChar(unit);
    }
    return kept;
}

} // namespace

int AfxMessageBox(std::u16string_view lpszText, unsigned nType, unsigned /*nIDHelp*/,
                  std::u16string_view detail, std::u16string_view shown) {
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
    if (!shown.empty())
        box.setInformativeText(KeptWhole(shown));
    if (!detail.empty())
        box.setDetailedText(ToQString(detail));
    const int pressed = box.exec();
    if (!question)
        return IDOK;
    return pressed == QMessageBox::Yes ? IDYES : IDNO;
}
