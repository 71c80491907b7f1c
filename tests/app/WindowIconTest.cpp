// The minimized window's icon: where it goes and what gets drawn there.
#include "platform/WindowIcon.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QTest>

class WindowIconTest : public QObject {
    Q_OBJECT

private slots:
    void centresWithIntegerDivisionTruncatingTowardZero_data() {
        QTest::addColumn<int>("extent");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("origin");
        // (extent - icon + 1) / 2: -31 / 2 is -15 in C++, where a floor would give -16.
        QTest::newRow("no room at all") << 0 << 32 << -15;
        QTest::newRow("narrower than the icon by an odd amount") << 29 << 32 << -1;
        QTest::newRow("narrower by one") << 31 << 32 << 0;
        QTest::newRow("exactly the icon") << 32 << 32 << 0;
        QTest::newRow("even room") << 36 << 32 << 2;
        QTest::newRow("odd room rounds the half up") << 37 << 32 << 3;
        QTest::newRow("large window") << 748 << 32 << 358;
    }
    void centresWithIntegerDivisionTruncatingTowardZero() {
        QFETCH(int, extent);
        QFETCH(int, icon);
        QFETCH(int, origin);
        QCOMPARE(CenteredIconOrigin(extent, icon), origin);
    }

    void theIconSizeIsTheStylesLargeIconSize() {
        const int large = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        QVERIFY(large > 0);
        QCOMPARE(GetSystemMetrics(SM_CXICON), large);
        QCOMPARE(GetSystemMetrics(SM_CYICON), large);
        QCOMPARE(GetSystemMetrics(0), 0);
    }

    void drawsTheIconAtTheLargeSizeAndNowhereElse() {
        const int size = GetSystemMetrics(SM_CXICON);
        QImage solid(256, 256, QImage::Format_ARGB32);
        solid.fill(Qt::red);
        const QIcon icon(QPixmap::fromImage(solid));

        QImage canvas(120, 120, QImage::Format_ARGB32);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            DrawIcon(painter, 10, 20, icon);
        }
        const QRect expected(10, 20, size, size);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const bool inside = expected.contains(x, y);
                if ((qAlpha(canvas.pixel(x, y)) != 0) != inside)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3")
                                         .arg(x)
                                         .arg(y)
                                         .arg(inside ? "empty" : "painted")));
            }
    }
};

QTEST_MAIN(WindowIconTest)
#include "WindowIconTest.moc"
