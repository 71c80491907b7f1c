#include "platform/DialogUnits.h"

#include "platform/QtStrings.h"

#include <QFontDatabase>
#include <QFontInfo>
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
    const QString family = ToQString(face);
    QFont font(family);
    font.setPointSize(pointSize);
    if (QFontDatabase::hasFamily(family) || !QFontDatabase::hasFamily(kSubstitute))
        return font;
    const int nLine = QFontInfo(font).pixelSize();
    font.setFamily(kSubstitute);
    int nPixels = nLine;
    font.setPixelSize(nPixels);
    while (nPixels > 1 && QFontMetrics(font).height() > nLine)
        font.setPixelSize(--nPixels);
    return font;
}

QFont FitDialogFont(const QFont& font, QSize dialogUnits, QSize available,
                    const std::function<QSize(const QFont&)>& extraFor,
                    const std::function<bool(const QFont&)>& readable) {
    // Small enough to keep reading; below this a smaller window would not help the user.
    constexpr int kSmallestPixels = 6;
    QFont fitted = font;
    int nPixels = QFontInfo(font).pixelSize();
    const auto fits = [&] {
        const QSize window =
            MapDialogRect(QRect(QPoint(), dialogUnits), GetDialogBaseUnits(fitted)).size() +
            extraFor(fitted);
        return window.width() <= available.width() && window.height() <= available.height() &&
               (!readable || readable(fitted));
    };
    while (nPixels > kSmallestPixels && !fits())
        fitted.setPixelSize(--nPixels);
    return fitted;
}