// Starts the real program on an X server (Xvfb in the test run), photographs the screen and
// checks that the main window is on it at its size and shows something. The screenshot is kept
// as a test artifact.
#include "platform/DialogUnits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTest>

namespace {

// The smallest rectangle holding every pixel that differs from the screen's empty background,
// taken from the top-left corner, which the centred window does not cover.
QRect DrawnArea(const QImage& screen) {
    const QRgb background = screen.pixel(0, 0);
    QRect area;
    for (int y = 0; y < screen.height(); ++y) {
        const auto* pRow = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x)
            if (pRow[x] != background)
                area |= QRect(x, y, 1, 1);
    }
    return area;
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void theProgramShowsItsWindow() {
        QVERIFY2(QGuiApplication::platformName() == u"xcb", "run under an X server (xvfb-run)");
        QScreen* pScreen = QGuiApplication::primaryScreen();
        QVERIFY(pScreen);
        QVERIFY(DrawnArea(pScreen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32))
                    .isEmpty());

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        // An argument the program has no use for: it takes none of its own and ignores it.
        program.start(QStringLiteral(TANDREL_PROGRAM), {QStringLiteral("ignored.txt")});
        QVERIFY(program.waitForStarted());

        // The window is up once two photographs a moment apart agree on a drawn area.
        QImage screen;
        QRect area;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && program.state() == QProcess::Running) {
            QTest::qWait(300);
            const QImage shot =
                pScreen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
            const QRect drawn = DrawnArea(shot);
            if (!drawn.isEmpty() && drawn == area && shot == screen)
                break;
            screen = shot;
            area = drawn;
        }
        QCOMPARE(program.state(), QProcess::Running);

        const QString strDir = QStringLiteral(TANDREL_ARTIFACT_DIR);
        QVERIFY(QDir().mkpath(strDir));
        QVERIFY(screen.save(strDir + QStringLiteral("/tandrel-screen.png")));
        QVERIFY(screen.copy(area).save(strDir + QStringLiteral("/tandrel-window.png")));
        qInfo("window at %d,%d, %dx%d; screenshot in %s", area.x(), area.y(), area.width(),
              area.height(), qPrintable(strDir));

        // Without a window manager there is no frame: the window is its client area, as wide as
        // 499 dialog units, and as high as 334 units plus the menu bar.
        const QRect client =
            MapDialogRect(QRect(0, 0, 499, 334), GetDialogBaseUnits(DialogFont("MS UI Gothic", 9)));
        QCOMPARE(area.width(), client.width());
        QVERIFY2(area.height() > client.height() && area.height() < client.height() + 60,
                 qPrintable(QString::number(area.height())));
        QVERIFY(screen.rect().contains(area));

        // Not a blank rectangle: the window shows text on its background and white boxes.
        QSet<QRgb> colours;
        int nDark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb pixel = screen.pixel(x, y);
                colours.insert(pixel);
                nDark += qGray(pixel) < 96;
            }
        QVERIFY2(colours.size() >= 8, qPrintable(QString::number(colours.size())));
        QVERIFY2(nDark > 200, qPrintable(QString::number(nDark)));
        QVERIFY(colours.contains(qRgb(255, 255, 255)));

        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
