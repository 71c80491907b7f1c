// The program as a whole, started through its application object and driven through its real
// widgets: start-up, the About box on both its routes, the window menu, the minimized icon and
// every way out.
#include "app/TandrelApp.h"

#include "app/CommandLine.h"
#include "core/document/DocumentState.h"
#include "core/files/FileSystemNames.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "platform/WindowIcon.h"
#include "platform/WindowMenu.h"
#include "res/AppIcon.h"
#include "res/BuildFacts.h"
#include "res/ResourceIds.h"
#include "res/VersionInfo.h"
#include "ui/TandrelDlg.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <memory>

namespace {

// The pixel size of a template's dialog units in a dialog's font, computed here from the font's
// metrics as Windows computes it, independently of the window code.
QSize PixelsOfDialogUnits(const QWidget& dialog, int cx, int cy) {
    const QFontMetrics fm(dialog.font());
    const int baseX = (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                           "abcdefghijklmnopqrstuvwxyz")) /
                           26 +
                       1) /
                      2;
    const int baseY = fm.height();
    return {int(std::lround(cx * baseX / 4.0)), int(std::lround(cy * baseY / 8.0))};
}

QWidget* ModalOtherThan(const QWidget* pMain) {
    QWidget* pModal = QApplication::activeModalWidget();
    return pModal && pModal != pMain && pModal->isVisible() ? pModal : nullptr;
}

// What a dialog shows: every child's kind, place, text and picture, in creation order.
QStringList Snapshot(const QWidget& dialog) {
    QStringList rows{dialog.windowTitle(),
                     QString::number(dialog.width()) + u'x' + QString::number(dialog.height())};
    for (const QWidget* pChild : dialog.findChildren<QWidget*>()) {
        QString row = QString::fromLatin1(pChild->metaObject()->className());
        const QRect r = pChild->geometry();
        row += QStringLiteral(" %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        if (auto* pLabel = qobject_cast<const QLabel*>(pChild))
            row += u' ' + pLabel->text() + (pLabel->pixmap().isNull() ? "" : " [picture]");
        if (auto* pButton = qobject_cast<const QPushButton*>(pChild))
            row += u' ' + pButton->text() + (pButton->isDefault() ? " [default]" : "");
        rows << row;
    }
    return rows;
}

bool SameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TandrelAppTest : public QObject {
    Q_OBJECT

public:
    TandrelAppTest(CTandrelApp& app, QString strConfigDir, QString strFileName)
        : m_app(app), m_strConfigDir(std::move(strConfigDir)),
          m_strFileName(std::move(strFileName)) {}

private:
    CTandrelApp& m_app;
    QString m_strConfigDir;
    QString m_strFileName; // named on the command line, relative to the working folder

    CTandrelDlg* MainDialog() const { return static_cast<CTandrelDlg*>(m_app.m_pMainWnd); }

    // Starts the program and runs script once its window is up. The script only sets things
    // going; the program runs until something ends the main dialog. Returns InitInstance's
    // result. A watchdog ends every window left open, so a failing script cannot hang the run.
    bool RunProgram(const std::function<void(CTandrelDlg&)>& script) {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] {
            QTest::qFail("the program was still running after 20 s", __FILE__, __LINE__);
            for (QWidget* pWnd : QApplication::topLevelWidgets())
                if (auto* pDialog = qobject_cast<QDialog*>(pWnd); pDialog && pDialog->isVisible())
                    pDialog->reject();
        });
        watchdog.start(20000);
        QTimer::singleShot(0, this, [this, &script] {
            QVERIFY(MainDialog());
            QVERIFY(QTest::qWaitForWindowActive(MainDialog()));
            script(*MainDialog());
        });
        return m_app.InitInstance();
    }

    // Calls act with the next window that becomes modal over pMain, once it is active. Fails the
    // test if none comes within five seconds.
    void WhenModalOver(QWidget* pMain, std::function<void(QWidget&)> act) {
        auto* pPoll = new QTimer(this);
        auto* pElapsed = new QElapsedTimer;
        pElapsed->start();
        connect(pPoll, &QTimer::timeout, this, [pMain, pPoll, pElapsed, act = std::move(act)] {
            QWidget* pModal = ModalOtherThan(pMain);
            if (!pModal && pElapsed->elapsed() < 5000)
                return;
            pPoll->stop();
            pPoll->deleteLater();
            delete pElapsed;
            if (!pModal) {
                QTest::qFail("no modal window appeared", __FILE__, __LINE__);
                return;
            }
            if (QTest::qWaitForWindowActive(pModal))
                act(*pModal);
        });
        pPoll->start(10);
    }

    // Closes the message box that the Run command ends with, expecting its completion text.
    void AcceptRunMessage(QWidget& main) {
        WhenModalOver(&main, [](QWidget& box) {
            auto* pBox = qobject_cast<QMessageBox*>(&box);
            QVERIFY(pBox);
            QCOMPARE(pBox->text(), QStringLiteral("処理が完了しました。"));
            pBox->button(QMessageBox::Ok)->click();
        });
    }

    QAction* VersionInfoMenuItem(CTandrelDlg& dlg) {
        auto* pMenuBar = dlg.findChild<QMenuBar*>();
        if (!pMenuBar || pMenuBar->actions().isEmpty())
            return nullptr;
        QAction* pPopup = pMenuBar->actions().front();
        if (pPopup->text() != QStringLiteral("タンドレルについて") || !pPopup->menu())
            return nullptr;
        const QList<QAction*> items = pPopup->menu()->actions();
        return items.size() == 1 && items[0]->text() == QStringLiteral("バージョン情報") ? items[0]
                                                                                         : nullptr;
    }

    // Opens the About box by route, checks what it shows and that it is modal over the main
    // window, and closes it by close route; returns its snapshot.
    QStringList OpenAndCloseAbout(const QString& route, const QString& close) {
        QStringList snapshot;
        const bool bResult = RunProgram([&](CTandrelDlg& dlg) {
            WhenModalOver(&dlg, [&](QWidget& about) {
                snapshot = Snapshot(about);
                CheckAboutBox(dlg, about);
                if (close == u"OK")
                    QTest::mouseClick(about.findChild<QPushButton*>(), Qt::LeftButton);
                else if (close == u"Escape")
                    QTest::keyClick(&about, Qt::Key_Escape);
                else
                    about.close(); // the close box
                QTRY_VERIFY(!about.isVisible());
                // The main window goes on; the About box changed nothing in it.
                QVERIFY(dlg.isVisible());
                QTRY_VERIFY(!ModalOtherThan(&dlg));
                dlg.GetDlgItem(IDCANCEL)->setFocus();
                QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDCANCEL)),
                                  Qt::LeftButton);
            });
            if (route == u"menu bar") {
                QAction* pItem = VersionInfoMenuItem(dlg);
                QVERIFY(pItem);
                pItem->trigger();
            } else {
                CWindowMenu* pMenu = GetSystemMenu(&dlg, false);
                pMenu->PopupAtWindow();
                QTRY_VERIFY(pMenu->isVisible());
                pMenu->setActiveAction(pMenu->actions().last());
                QTest::keyClick(pMenu, Qt::Key_Return);
            }
        });
        [&] { QVERIFY(!bResult); }();
        return snapshot;
    }

    void CheckAboutBox(CTandrelDlg& dlg, QWidget& about) {
        QVERIFY(about.isModal());
        QCOMPARE(about.parentWidget(), &dlg);
        QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
        // The template's client area; the About box has no menu bar.
        QCOMPARE(about.size(), PixelsOfDialogUnits(about, 236, 207));

        QPushButton* pOk = about.findChild<QPushButton*>();
        QVERIFY(pOk);
        QCOMPARE(pOk->text(), QStringLiteral("OK"));
        QVERIFY(pOk->isDefault());
        QTRY_VERIFY(pOk->hasFocus());

        QStringList texts;
        const QLabel* pIcon = nullptr;
        for (const QLabel* pLabel : about.findChildren<QLabel*>()) {
            texts << pLabel->text();
            if (!pLabel->pixmap().isNull())
                pIcon = pLabel;
        }
        QVERIFY(texts.contains(QStringLiteral("タンドレル　Ver" TANDREL_VERSION_THREE)));
        QVERIFY(pIcon);
        const int nIcon = GetSystemMetrics(SM_CXICON);
        QVERIFY(
            SameImage(pIcon->pixmap().toImage(), LoadIcon(IDR_MAINFRAME).pixmap(nIcon).toImage()));
    }

private slots:
    void startsWithTheMainWindowAndEndsWithFalse() {
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tandrel"));
        QCOMPARE(QCoreApplication::applicationVersion(), QString::fromUtf8(kProductVersion));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("tandrel"));
        QVERIFY(m_app.m_pMainWnd == nullptr);

        const bool bResult = RunProgram([this](CTandrelDlg& dlg) {
            QCOMPARE(
                QCoreApplication::organizationName(),
                QStringLiteral("アプリケーション ウィザードで生成されたローカル アプリケーション"));
            QVERIFY(dlg.isVisible());
            QVERIFY(dlg.isModal());
            QCOMPARE(QApplication::activeModalWidget(), &dlg);
            QCOMPARE(dlg.windowTitle(), QStringLiteral("タンドレル"));
            // The template's client area under the menu bar.
            auto* pMenuBar = dlg.findChild<QMenuBar*>();
            QVERIFY(pMenuBar);
            const QSize client = PixelsOfDialogUnits(dlg, 499, 334);
            QCOMPARE(dlg.size(), QSize(client.width(), client.height() + pMenuBar->height()));

            // The window icon is the application icon with every size of the group.
            const QIcon icon = dlg.windowIcon();
            for (int n : kIconSizes)
                QVERIFY2(SameImage(icon.pixmap(n).toImage(),
                                   LoadIcon(IDR_MAINFRAME).pixmap(n).toImage()),
                         qPrintable(QString::number(n)));

            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDCANCEL)), Qt::LeftButton);
        });
        QVERIFY(!bResult);
        QVERIFY(m_app.m_pMainWnd == nullptr);
    }

    void startsWithTheFileNamedOnTheCommandLine() {
        QVERIFY(QDir::isRelativePath(m_strFileName));
        QVERIFY(!RunProgram([this](CTandrelDlg& dlg) {
            // In the path box as the browse button puts it, its encoding chosen, not yet loaded.
            QCOMPARE(dlg.findChild<CMFCEditBrowseCtrl*>()->text(),
                     QFileInfo(m_strFileName).absoluteFilePath());
            // UTF-8 without a mark, guessed on a worker.
            QTRY_COMPARE(dlg.findChild<CComboBoxEx*>()->GetCurSel(), 3);
            QCOMPARE(g_nEncoding, 3);
            QVERIFY(dlg.findChild<CEdit*>(QStringLiteral("IDC_CONTENT"))->GetWindowText().empty());
            dlg.reject();
        }));
    }

    // A name on the command line keeps its bytes, though they are not UTF-8 (Shift_JIS).
    void commandLineNamesKeepTheirBytes() {
        char program[] = "tandrel", name[] = "\x93\xFA.txt";
        char* argv[] = {program, name};
        QCOMPARE(FileSystemPath(FileNameFromCommandLine(2, argv).toStdU16String()),
                 QFile::encodeName(QDir::currentPath()).toStdString() + "/\x93\xFA.txt");
    }

    void endsTheSameWayWhateverTheDialogReturns() {
        // The hidden OK button would end the dialog as IDOK; the result is not looked at.
        QVERIFY(!RunProgram([](CTandrelDlg& dlg) { dlg.accept(); }));
        QVERIFY(!RunProgram([](CTandrelDlg& dlg) { dlg.reject(); }));
        QVERIFY(!RunProgram([](CTandrelDlg& dlg) { dlg.done(-1); }));
    }

    void bothRoutesShowTheSameAboutBoxModally() {
        const QStringList fromMenuBar = OpenAndCloseAbout(QStringLiteral("menu bar"), "OK");
        const QStringList fromWindowMenu = OpenAndCloseAbout(QStringLiteral("window menu"), "OK");
        QVERIFY(!fromMenuBar.isEmpty());
        QCOMPARE(fromWindowMenu, fromMenuBar);
        // The documents' folder, named as an absolute path.
        const QRegularExpressionMatch named =
            QRegularExpression(QStringLiteral("ライセンス全文: (/\\S*/)"))
                .match(fromMenuBar.join(u'\n'));
        QVERIFY(named.hasMatch());
        QVERIFY2(QFileInfo::exists(named.captured(1) + QStringLiteral("LICENSE")),
                 qPrintable(named.captured(1)));
    }

    void qtsOwnTextsAreJapanese() {
        QVERIFY(!RunProgram([](CTandrelDlg& dlg) {
            // The text boxes' context menu.
            std::unique_ptr<QMenu> pMenu(
                dlg.findChild<CEdit*>(QStringLiteral("IDC_CONTENT"))->createStandardContextMenu());
            QStringList texts;
            for (const QAction* pAction : pMenu->actions())
                if (!pAction->isSeparator())
                    texts << pAction->text();
            QCOMPARE(texts,
                     (QStringList{"元に戻す(&U)", "やり直し(&R)", "切り取り(&T)", "コピー(&C)",
                                  "貼り付け(&P)", "削除(&D)", "すべて選択(&A)"}));
            // Qt's standard buttons, as the file dialogs show them.
            QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
            QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(),
                     QStringLiteral("キャンセル"));
            dlg.reject();
        }));
    }

    void theAboutBoxEndsWithItsCloseBoxAndEscape() {
        for (const char* route : {"menu bar", "window menu"})
            for (const char* close : {"close box", "Escape"}) {
                OpenAndCloseAbout(QString::fromLatin1(route), QString::fromLatin1(close));
                if (QTest::currentTestFailed())
                    qWarning("route %s, closed by %s", route, close);
            }
    }

    void theWindowMenuEndsWithTheAboutEntry() {
        RunProgram([](CTandrelDlg& dlg) {
            CWindowMenu* pMenu = GetSystemMenu(&dlg, false);
            QVERIFY(pMenu);
            const QList<QAction*> entries = pMenu->actions();
            QCOMPARE(entries.size(), 4);
            QCOMPARE(entries[0]->text(), QStringLiteral("移動(&M)"));
            QCOMPARE(entries[1]->text(), QStringLiteral("閉じる(&C)"));
            QVERIFY(entries[2]->isSeparator());
            QCOMPARE(entries[3]->text(), QStringLiteral("Tandrelについて(&A)..."));
            QCOMPARE(CWindowMenu::CommandOf(entries[3]), 0x0010u);
            dlg.reject();
        });
    }

    void commandsWithAboutsLowBitsOpenTheAboutBox() {
        RunProgram([this](CTandrelDlg& dlg) {
            CWindowMenu* pMenu = GetSystemMenu(&dlg, false);
            int nOpened = 0;
            for (unsigned nID = 0x0010; nID <= 0x001F; ++nID) {
                WhenModalOver(&dlg, [&nOpened](QWidget& about) {
                    QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
                    ++nOpened;
                    about.close();
                });
                // Like SendMessage: returns once the handler, and with it the About box, ended.
                pMenu->SendSysCommand(nID);
                QVERIFY(!ModalOtherThan(&dlg));
            }
            QCOMPARE(nOpened, 16);
            dlg.reject();
        });
    }

    void otherCommandsDoNotOpenIt_data() {
        QTest::addColumn<unsigned>("command");
        QTest::newRow("0x0000") << 0x0000u;
        QTest::newRow("0x000F") << 0x000Fu;
        QTest::newRow("0x0020") << 0x0020u;
        QTest::newRow("0x0110") << 0x0110u;
        QTest::newRow("0x8010") << 0x8010u;
        QTest::newRow("SC_SIZE") << 0xF000u;
        QTest::newRow("SC_MOVE") << 0xF010u;
        QTest::newRow("SC_KEYMENU") << 0xF100u;
    }
    void otherCommandsDoNotOpenIt() {
        QFETCH(unsigned, command);
        RunProgram([command](CTandrelDlg& dlg) {
            GetSystemMenu(&dlg, false)->SendSysCommand(command);
            QTest::qWait(50);
            QVERIFY(!ModalOtherThan(&dlg));
            QVERIFY(dlg.isVisible());
            dlg.reject();
        });
    }

    void everyExitEndsAtOnceAndSavesNothing_data() {
        QTest::addColumn<QString>("route");
        for (const char* route : {"終了", "Escape", "window menu", "Alt+F4", "close box"})
            QTest::newRow(route) << QString::fromUtf8(route);
    }
    void everyExitEndsAtOnceAndSavesNothing() {
        QFETCH(QString, route);
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString strOldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));

        bool bExiting = false;
        bool bAskedOnTheWayOut = false;
        const bool bResult = RunProgram([&](CTandrelDlg& dlg) {
            // Something worth saving: typed content and its result.
            auto* pContent = qobject_cast<CEdit*>(dlg.GetDlgItem(IDC_CONTENT));
            pContent->setFocus();
            QTest::keyClicks(pContent, QStringLiteral("abc"));
            QTest::keyClick(pContent, Qt::Key_Return);
            QTest::keyClicks(pContent, QStringLiteral("abc"));
            QTest::keyClick(pContent, Qt::Key_Return);
            AcceptRunMessage(dlg);
            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_RUN)), Qt::LeftButton);
            QCOMPARE(qobject_cast<CEdit*>(dlg.GetDlgItem(IDC_RESULT))->GetWindowText(), u"abc\r\n");
            // A desktop hands the activation back to the window once the message box has gone;
            // the offscreen platform leaves that to the program.
            dlg.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dlg));

            // Any window that opens from now on is a question on the way out.
            auto* pSpy = new QTimer(&dlg);
            connect(pSpy, &QTimer::timeout, &dlg, [&] {
                if (ModalOtherThan(&dlg)) {
                    bAskedOnTheWayOut = true;
                    ModalOtherThan(&dlg)->close();
                }
            });
            pSpy->start(5);
            bExiting = true;
            if (route == u"終了") {
                QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDCANCEL)),
                                  Qt::LeftButton);
            } else if (route == u"Escape") {
                QTest::keyClick(pContent, Qt::Key_Escape);
            } else if (route == u"window menu") {
                CWindowMenu* pMenu = GetSystemMenu(&dlg, false);
                QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
                QTRY_VERIFY(pMenu->isVisible());
                QTest::keyClick(pMenu, Qt::Key_C); // "閉じる(&C)"
            } else if (route == u"Alt+F4") {
                QTest::keyClick(pContent, Qt::Key_F4, Qt::AltModifier);
            } else {
                dlg.close(); // the close box
            }
        });
        QVERIFY(bExiting);
        QVERIFY(!bResult);
        QVERIFY(!bAskedOnTheWayOut);
        QVERIFY(QDir::setCurrent(strOldDir));
        QVERIFY2(QDir(work.path()).isEmpty(), "a file was written in the working folder");
        QVERIFY2(
            QDir(m_strConfigDir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            "settings were written");
    }

    void aMinimizedWindowPaintsItsIconCentred() {
        RunProgram([](CTandrelDlg& dlg) {
            dlg.showMinimized();
            QTRY_VERIFY(dlg.isMinimized());
            const QSize size = dlg.size();
            QImage painted(size, QImage::Format_ARGB32);
            painted.fill(Qt::transparent);
            dlg.render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground);

            // The icon at the large size, its origin (extent - icon + 1) / 2 on both axes, on
            // the window's background.
            const int nIcon = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
            const QPoint origin((size.width() - nIcon + 1) / 2, (size.height() - nIcon + 1) / 2);
            QImage expected(size, QImage::Format_ARGB32);
            expected.fill(dlg.palette().color(QPalette::Window));
            {
                QPainter painter(&expected);
                LoadIcon(IDR_MAINFRAME).paint(&painter, QRect(origin, QSize(nIcon, nIcon)));
            }
            QVERIFY(SameImage(painted, expected));

            dlg.showNormal();
            QTRY_VERIFY(!dlg.isMinimized());
            // Restored, the window paints its controls again, not the icon.
            QImage normal(size, QImage::Format_ARGB32);
            normal.fill(Qt::transparent);
            dlg.render(&normal, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            QVERIFY(!SameImage(normal, expected));
            dlg.reject();
        });
    }
};

int main(int argc, char* argv[]) {
    // A configuration folder of its own, to see that the program keeps no settings.
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) // its screen may be configured
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // The program is started with a file to open (UTF-8, and more after it, which it ignores);
    // the test's own options stay with the test.
    QTemporaryDir files;
    const QString strFile = QDir::current().relativeFilePath(files.filePath("日本.txt"));
    QFile file(strFile);
    if (!file.open(QIODevice::WriteOnly) || file.write("\xE6\x97\xA5\xE6\x9C\xAC\r\n") != 8)
        return 1;
    file.close();
    QByteArray program(argv[0]), first = QFile::encodeName(strFile), second("more.txt");
    char* programArgv[] = {program.data(), first.data(), second.data(), nullptr};
    int programArgc = 3;
    CTandrelApp theApp(programArgc, programArgv);
    TandrelAppTest test(theApp, config.path(), strFile);
    return QTest::qExec(&test, argc, argv);
}

#include "TandrelAppTest.moc"
