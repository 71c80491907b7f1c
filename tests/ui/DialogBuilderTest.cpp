// The template builder on small templates of its own: Windows' rounding of dialog units, the
// texts of labels with and without mnemonic marks, icon labels and gray rules, hidden and
// disabled controls, tab order and the first focus, and the menu bar's commands.
#include "platform/Dialog.h"
#include "platform/DialogUnits.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <climits>

using namespace dlgstyle;

namespace {

constexpr std::uint32_t kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr std::uint32_t kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

constexpr DialogItemTemplate kItems[] = {
    {-1, "Static", "&Open && close", 5, 5, 100, 8, kLabel, ""},
    {-1, "Static", "R&&D &", 5, 15, 100, 8, kLabel | SS_NOPREFIX, ""},
    {-1, "Static", "#7", 5, 25, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON, ""},
    {-1, "Static", "", 5, 50, 90, 1, WS_CHILD | WS_VISIBLE | SS_GRAYFRAME, ""},
    {10, "Button", "hidden", 5, 60, 40, 14, WS_CHILD | WS_TABSTOP, "ID_HIDDEN"},
    {11, "Button", "disabled", 50, 60, 40, 14, kButton | WS_DISABLED, "ID_DISABLED"},
    {12, "Button", "no tab", 5, 80, 40, 14, WS_CHILD | WS_VISIBLE, "ID_NOTAB"},
    {13, "Button", "second", 50, 80, 40, 14, kButton, "ID_SECOND"},
    {14, "Button", "first", 95, 80, 40, 14, kButton | BS_DEFPUSHBUTTON, "ID_FIRST"},
};

constexpr MenuCommandTemplate kCommands[] = {{40001, "One", "ID_ONE"}, {40002, "Two", "ID_TWO"}};
constexpr MenuPopupTemplate kPopups[] = {{"Menu", kCommands}};
constexpr MenuTemplate kMenu = {200, kPopups};

const DialogTemplate kTemplate = {
    300, "Small",        0, 0,   140,    100,   WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
    0,   "MS UI Gothic", 9, 200, kItems, &kMenu};

QIcon IconSeven(int nID) {
    if (nID != 7)
        return {};
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

QLabel* LabelAt(CDialog& dialog, QPoint dialogUnits) {
    const QRect place = MapDialogRect(QRect(dialogUnits, QSize(1, 1)), dialog.GetBaseUnits());
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->pos() == place.topLeft())
            return label;
    }
    return nullptr;
}

} // namespace

class DialogBuilderTest : public QObject {
    Q_OBJECT

private slots:
    void mulDivRoundsHalvesAwayFromZero() {
        QCOMPARE(MulDiv(7, 6, 4), 11);   // 10.5
        QCOMPARE(MulDiv(5, 6, 4), 8);    // 7.5
        QCOMPARE(MulDiv(3, 6, 4), 5);    // 4.5
        QCOMPARE(MulDiv(9, 13, 8), 15);  // 14.625
        QCOMPARE(MulDiv(3, 13, 8), 5);   // 4.875
        QCOMPARE(MulDiv(1, 13, 8), 2);   // 1.625
        QCOMPARE(MulDiv(-7, 6, 4), -11); // -10.5
        QCOMPARE(MulDiv(7, 6, -4), -11);
        QCOMPARE(MulDiv(-7, -6, 4), 11);
        QCOMPARE(MulDiv(1, 1, -2), -1);           // -0.5
        QCOMPARE(MulDiv(INT_MAX, 2, 2), INT_MAX); // no overflow on the way
        QCOMPARE(MulDiv(5, 3, 0), -1);
    }

    void labelsDropMnemonicMarksUnlessTold() {
        CDialog dialog(kTemplate);
        QCOMPARE(LabelAt(dialog, {5, 5})->text(), QStringLiteral("Open & close"));
        QCOMPARE(LabelAt(dialog, {5, 15})->text(), QStringLiteral("R&&D &"));
    }

    void iconLabelsShowTheNamedIconAtLargeIconSize() {
        CDialog dialog(kTemplate, nullptr, IconSeven);
        QLabel* icon = LabelAt(dialog, {5, 25});
        QVERIFY(icon);
        const QPixmap shown = icon->pixmap();
        QVERIFY(!shown.isNull());
        const int extent = icon->style()->pixelMetric(QStyle::PM_LargeIconSize);
        QCOMPARE(shown.deviceIndependentSize().toSize(), QSize(extent, extent));
        CDialog withoutLoader(kTemplate);
        QVERIFY(LabelAt(withoutLoader, {5, 25})->pixmap().isNull());
    }

    void grayFrameIsARule() {
        CDialog dialog(kTemplate);
        const QRect place = MapDialogRect(QRect(5, 50, 90, 1), dialog.GetBaseUnits());
        bool found = false;
        for (QFrame* frame : dialog.findChildren<QFrame*>()) {
            if (!qobject_cast<QLabel*>(frame) && frame->geometry() == place)
                found = frame->frameShape() == QFrame::Box;
        }
        QVERIFY(found);
    }

    void stylesDecideVisibilityEnablingAndKeyboardFocus() {
        CDialog dialog(kTemplate);
        // The default button, until a focused push button takes that part over.
        QVERIFY(qobject_cast<QPushButton*>(dialog.GetDlgItem(14))->isDefault());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(!dialog.GetDlgItem(10)->isVisible());
        QVERIFY(!dialog.GetDlgItem(11)->isEnabled());
        QCOMPARE(dialog.GetDlgItem(12)->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(dialog.GetDlgItem(99), nullptr);
        // The first visible, enabled tab stop in template order, and Tab on from there.
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(13));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(14));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(13));
    }

    void menuCommandsAreFoundByIdAndName() {
        CDialog dialog(kTemplate);
        QAction* two = dialog.GetMenuCommand(40002);
        QVERIFY(two);
        QCOMPARE(two->text(), QStringLiteral("Two"));
        QCOMPARE(two->objectName(), QStringLiteral("ID_TWO"));
        QCOMPARE(dialog.GetMenuCommand(1), nullptr);
        QCOMPARE(dialog.findChild<QMenuBar*>()->actions().first()->text(), QStringLiteral("Menu"));
    }

    void doModalAnswersIdokOrIdcancel() {
        CDialog accepted(kTemplate);
        QTimer::singleShot(0, &accepted, &QDialog::accept);
        QCOMPARE(accepted.DoModal(), 1);
        CDialog rejected(kTemplate);
        QTimer::singleShot(0, &rejected, &QDialog::reject);
        QCOMPARE(rejected.DoModal(), 2);
    }
};

QTEST_MAIN(DialogBuilderTest)
#include "DialogBuilderTest.moc"
