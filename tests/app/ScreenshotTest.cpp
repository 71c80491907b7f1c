// Starts the real program on an X server (Xvfb in the test run), photographs the screen and
// checks that the main window is on it at its size (or, on a screen too small for it, within
// the screen) and shows something; started with a file, from the command line or through the
// desktop entry's Exec line, it shows the file's path. The screenshots are kept as test
// artifacts.
#include "platform/DialogUnits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
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

// Pixels darker than the window's text colour threshold inside rect.
int DarkPixels(const QImage& screen, const QRect& rect) {
    int nDark = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            nDark += qGray(screen.pixel(x, y)) < 96;
    return nDark;
}

// The program and arguments of the desktop entry's Exec line for file.
QStringList ExecLine(const QString& file) {
    QFile entry(QStringLiteral(TANDREL_DESKTOP_ENTRY));
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpressionMatch exec =
        QRegularExpression(QStringLiteral("^Exec=(.*)$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(entry.readAll()));
    QStringList words = exec.captured(1).split(u' ', Qt::SkipEmptyParts);
    for (QString& word : words)
        if (word == QLatin1String("%f"))
            word = file;
    return words;
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void theProgramShowsItsWindow_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("plain") << QString();
        QTest::newRow("command-line") << QStringLiteral("command line");
        QTest::newRow("desktop-entry") << QStringLiteral("desktop entry");
    }
    void theProgramShowsItsWindow() {
        QFETCH(QString, how);
        QVERIFY2(QGuiApplication::platformName() == u"xcb", "run under an X server (xvfb-run)");
        QScreen* pScreen = QGuiApplication::primaryScreen();
        QVERIFY(pScreen);
        QVERIFY(DrawnArea(pScreen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32))
                    .isEmpty());

        QTemporaryDir files;
        const QString strFile = files.filePath(QStringLiteral("text.txt"));
        QFile text(strFile);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("a\r\n") == 3);
        text.close();
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        if (how == u"desktop entry") {
            // As the desktop runs it: the Exec line, with the program found on the PATH.
            const QStringList words = ExecLine(strFile);
            QVERIFY(words.size() >= 2 && words.contains(strFile));
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("PATH"),
                               QFileInfo(QStringLiteral(TANDREL_PROGRAM)).absolutePath() + u':' +
                                   environment.value(QStringLiteral("PATH")));
            program.setProcessEnvironment(environment);
            program.setProgram(QStringLiteral("/usr/bin/env"));
            program.setArguments(words);
            program.start();
        } else {
            program.start(QStringLiteral(TANDREL_PROGRAM),
                          how.isEmpty() ? QStringList() : QStringList{strFile});
        }
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
        const QString strName =
            QStringLiteral("/tandrel-%1x%2%3")
                .arg(screen.width())
                .arg(screen.height())
                .arg(how.isEmpty() ? QString()
                                   : QStringLiteral("-") + QLatin1String(QTest::currentDataTag()));
        QVERIFY(screen.save(strDir + strName + QStringLiteral("-screen.png")));
        QVERIFY(screen.copy(area).save(strDir + strName + QStringLiteral("-window.png")));
        qInfo("window at %d,%d, %dx%d; screenshot in %s", area.x(), area.y(), area.width(),
              area.height(), qPrintable(strDir));

        // Without a window manager there is no frame: the window is its client area, as wide as
        // 499 dialog units, and as high as 334 units plus the menu bar; on a screen too small for
        // that, smaller and within the screen.
        const QRect client =
            MapDialogRect(QRect(0, 0, 499, 334), GetDialogBaseUnits(DialogFont("MS UI Gothic", 9)));
        QVERIFY(screen.rect().contains(area));
        if (client.height() + 60 > screen.height()) {
            QVERIFY(area.width() < client.width());
            program.terminate();
            QVERIFY(program.waitForFinished(10000));
            return;
        }
        QCOMPARE(area.width(), client.width());
        const int nMenuBar = area.height() - client.height();
        QVERIFY2(nMenuBar > 0 && nMenuBar < 60, qPrintable(QString::number(area.height())));

        // The path box shows a path exactly when the program was given a file.
        const QRect pathBox = MapDialogRect(QRect(7, 16, 485 - 14, 14),
                                            GetDialogBaseUnits(DialogFont("MS UI Gothic", 9)))
                                  .translated(area.left(), area.top() + nMenuBar)
                                  .adjusted(3, 3, -3, -3);
        QCOMPARE(DarkPixels(screen, pathBox) > 20, !how.isEmpty());

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
