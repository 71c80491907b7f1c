#include "platform/DialogUnits.h"

#include "platform/QtStrings.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <cstdint>

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0)
        return -1;
    std::int64_t product = std::int64_t{nNumber} * nNumerator;
    std::int64_t divisor = nDenominator;
    if (divisor < 0) {
        divisor = -divisor;
        product = -product;
    }
    const std::int64_t half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

DialogBaseUnits GetDialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const QRect& rcDialogUnits, DialogBaseUnits units) {
    return {MulDiv(rcDialogUnits.x(), units.cx, 4), MulDiv(rcDialogUnits.y(), units.cy, 8),
            MulDiv(rcDialogUnits.width(), units.cx, 4),
            MulDiv(rcDialogUnits.height(), units.cy, 8)};
}

QFont DialogFont(std::string_view face, int pointSize) {
    static const QString kSubstitute = QStringLiteral("IPAPGothic");
    QString family = ToQString(face);
    if (!QFontDatabase::hasFamily(family) && QFontDatabase::hasFamily(kSubstitute))
        family = kSubstitute;
    QFont font(family);
    font.setPointSize(pointSize);
    return font;
}
