// The window menu of our own: its entries, the ways it opens, and where its commands go.
#include "platform/WindowMenu.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// A small dialog with one label and one button on an otherwise empty client area.
struct TestWindow {
    QDialog dialog;
    QLabel* pLabel = new QLabel(QStringLiteral("ラベル"), &dialog);
    QPushButton* pButton = new QPushButton(QStringLiteral("ボタン"), &dialog);

    TestWindow() {
        dialog.resize(300, 200);
        pLabel->setGeometry(10, 10, 100, 20);
        pButton->setGeometry(10, 50, 100, 30);
    }
    bool ShowAndActivate() {
        dialog.show();
        dialog.activateWindow();
        return QTest::qWaitForWindowActive(&dialog);
    }
};

QStringList EntryTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* pAction : menu.actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

} // namespace

class WindowMenuTest : public QObject {
    Q_OBJECT

private slots:
    void holdsTheEntriesOfAFixedSizeDialog() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        QVERIFY(pMenu);
        QCOMPARE(GetSystemMenu(&w.dialog, false), pMenu); // one menu per window
        QCOMPARE(EntryTexts(*pMenu), (QStringList{"移動(&M)", "閉じる(&C)"}));
        QCOMPARE(CWindowMenu::CommandOf(pMenu->actions()[0]), 0xF010u);
        QCOMPARE(CWindowMenu::CommandOf(pMenu->actions()[1]), 0xF060u);
        QCOMPARE(pMenu->actions()[1]->shortcut(), QKeySequence(QStringLiteral("Alt+F4")));
        QVERIFY(GetSystemMenu(nullptr, false) == nullptr);
    }

    void appendsAtTheEndAndRevertsToTheDefaultEntries() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        pMenu->AppendMenu(MF_SEPARATOR);
        pMenu->AppendMenu(MF_STRING, 0x0010, QStringLiteral("項目(&A)..."));
        QCOMPARE(EntryTexts(*pMenu), (QStringList{"移動(&M)", "閉じる(&C)", "-", "項目(&A)..."}));
        QCOMPARE(CWindowMenu::CommandOf(pMenu->actions()[3]), 0x0010u);

        QVERIFY(GetSystemMenu(&w.dialog, true) == nullptr);
        QCOMPARE(EntryTexts(*GetSystemMenu(&w.dialog, false)),
                 (QStringList{"移動(&M)", "閉じる(&C)"}));
    }

    void opensWithAltSpaceUnderTheWindowCorner() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        QVERIFY(w.ShowAndActivate());
        w.pButton->setFocus();
        QTest::keyClick(w.pButton, Qt::Key_Space, Qt::AltModifier);
        QTRY_VERIFY(pMenu->isVisible());
        QCOMPARE(pMenu->pos(), w.dialog.mapToGlobal(QPoint(0, 0)));
        pMenu->close();
    }

    void opensWithARightClickOnFreeBackgroundOnly() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        QVERIFY(w.ShowAndActivate());

        // A right-click on a button is the button's business.
        QTest::mouseClick(w.dialog.windowHandle(), Qt::RightButton, {}, QPoint(20, 60));
        QTest::qWait(50);
        QVERIFY(!pMenu->isVisible());

        // A label is background, as is the empty client area.
        QTest::mouseClick(w.dialog.windowHandle(), Qt::RightButton, {}, QPoint(20, 15));
        QTRY_VERIFY(pMenu->isVisible());
        pMenu->close();
        QTRY_VERIFY(!pMenu->isVisible());
        QTest::mouseClick(w.dialog.windowHandle(), Qt::RightButton, {}, QPoint(250, 150));
        QTRY_VERIFY(pMenu->isVisible());
        pMenu->close();
    }

    void aChoiceReachesTheListenerOnceAndNothingElseHappens() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        QSignalSpy spy(pMenu, &CWindowMenu::SysCommand);
        QVERIFY(w.ShowAndActivate());

        pMenu->actions()[1]->trigger(); // "閉じる"
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toUInt(), 0xF060u);
        QCOMPARE(spy[0][1].value<qintptr>(), qintptr(0));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        // The listener decides; without it handing the command on, the window stays open.
        QVERIFY(w.dialog.isVisible());
    }

    void withoutAListenerCloseEndsADialogAsCancel() {
        TestWindow w;
        CWindowMenu* pMenu = GetSystemMenu(&w.dialog, false);
        QVERIFY(w.ShowAndActivate());
        QSignalSpy finished(&w.dialog, &QDialog::finished);
        pMenu->actions()[1]->trigger();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toInt(), int(QDialog::Rejected));
        QVERIFY(!w.dialog.isVisible());
    }

    void altF4EndsTheDialogAsCancel() {
        TestWindow w;
        GetSystemMenu(&w.dialog, false);
        QVERIFY(w.ShowAndActivate());
        QSignalSpy finished(&w.dialog, &QDialog::finished);
        QTest::keyClick(&w.dialog, Qt::Key_F4, Qt::AltModifier);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toInt(), int(QDialog::Rejected));
    }

    void defaultProcessingIgnoresTheLowFourBits() {
        TestWindow w;
        QVERIFY(w.ShowAndActivate());
        QSignalSpy finished(&w.dialog, &QDialog::finished);

        DefWindowSysCommand(&w.dialog, 0xF000, 0); // SC_SIZE: nothing for a fixed-size window
        DefWindowSysCommand(&w.dialog, 0x0010, 0); // not a platform command
        QTest::qWait(20);
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(finished.count(), 0);

        DefWindowSysCommand(&w.dialog, 0xF060 | 0x3, 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toInt(), int(QDialog::Rejected));
    }

    void moveAsksTheDesktopAndMinimizeRestoreChangeTheState() {
        TestWindow w;
        QVERIFY(w.ShowAndActivate());
        // Whether the desktop grants an interactive move depends on the platform; asking must
        // neither close nor hide the window.
        DefWindowSysCommand(&w.dialog, SC_MOVE, 0);
        QVERIFY(w.dialog.isVisible());

        DefWindowSysCommand(&w.dialog, SC_MINIMIZE, 0);
        QTRY_VERIFY(w.dialog.isMinimized());
        DefWindowSysCommand(&w.dialog, SC_RESTORE, 0);
        QTRY_VERIFY(!w.dialog.isMinimized());
    }
};

QTEST_MAIN(WindowMenuTest)
#include "WindowMenuTest.moc"
