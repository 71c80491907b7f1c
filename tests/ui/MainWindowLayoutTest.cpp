// What the main window looks like and how the keyboard moves through it: pixel places that
// follow from the template's dialog units and the dialog font, the fixed frame, hidden and
// disabled controls, tab order, initial focus, the encoding list, the menu bar, the path box and
// the two links.
#include "MainWindowDriver.h"
#include "core/document/DocumentState.h"
#include "core/document/RunSummary.h"
#include "platform/DialogUnits.h"
#include "platform/Edit.h"
#include "platform/LinkCtrl.h"
#include "platform/MessageBox.h"
#include "platform/WindowMenu.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

struct Place {
    const char* name;
    int x, y, cx, cy; // dialog units
};

// The template's controls that have names, and its labels by caption.
constexpr Place kControls[] = {
    {"IDOK", 383, 313, 50, 14},        {"IDCANCEL", 442, 313, 50, 14},
    {"IDC_FILEPATH", 7, 16, 485, 14},  {"IDC_OPEN", 442, 31, 50, 14},
    {"IDC_RUN", 442, 47, 50, 14},      {"IDC_CONTENT", 7, 63, 241, 218},
    {"IDC_RESULT", 251, 63, 241, 218}, {"IDC_ENCODING", 366, 31, 73, 68},
    {"IDC_SAVE", 442, 283, 50, 14},    {"IDC_LINK1", 7, 295, 261, 14},
    {"IDC_LINK2", 7, 313, 327, 14},
};
constexpr Place kLabels[] = {
    {"ファイルの内容と処理結果", 7, 54, 40, 8},
    {"ファイル選択", 7, 7, 34, 8},
    {"処理結果", 251, 54, 51, 8},
};

// Base units computed here from the font's metrics, as Windows computes them: the width of the
// 52 letters, divided by 26, halved with rounding; and the font's height.
struct Units {
    int cx, cy;
};
Units UnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"
                                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    return {(width / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}
int Px(int dialogUnits, int baseUnit, int divisor) {
    return qRound(double(dialogUnits) * baseUnit / divisor); // halves round up, like MulDiv
}
QRect Expected(const Place& place, Units units) {
    return {Px(place.x, units.cx, 4), Px(place.y, units.cy, 8), Px(place.cx, units.cx, 4),
            Px(place.cy, units.cy, 8)};
}

QString FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("(none)");
}

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void usesTheTemplateFontOrItsJapaneseSubstitute() {
        MainWindowDriver window;
        const QFontInfo font(window.Window().font());
        QVERIFY2(font.family() == QLatin1String("MS UI Gothic") ||
                     font.family() == QLatin1String("IPAPGothic"),
                 qPrintable(font.family()));
        // On a screen with room for it, the template's font and nothing larger; its line is as
        // high as 9 points.
        QCOMPARE(window.Window().font(), DialogFont("MS UI Gothic", 9));
        QVERIFY(QFontMetrics(window.Window().font()).height() <= 12);
        QCOMPARE(window.Window().windowTitle(), QStringLiteral("タンドレル"));
    }

    // "ファイル選択" shows whole in its 34 units; the 40-unit label over the content box is cut,
    // as its template says.
    void theLabelsHoldWhatTheTemplateMeasuredThemWith() {
        MainWindowDriver window;
        for (QLabel* label : window.Window().findChildren<QLabel*>()) {
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            if (label->text() == u"ファイル選択")
                QVERIFY2(needed <= label->width(), qPrintable(QString::number(needed)));
            if (label->text() == u"ファイルの内容と処理結果")
                QVERIFY(needed > label->width());
        }
    }

    // Message boxes, menus and file dialogs use the window's font.
    // The counts under 「処理が完了しました。」 keep each line whole, a number with its unit and a
    // word in one piece, up to a billion and at every font size the window shrinks to.
    void runCountsKeepTheirLinesWhole() {
        MainWindowDriver window;
        for (int pixels = 6; pixels <= 16; ++pixels)
            for (const std::uint64_t count : {1ULL, 65'536ULL, 1'000'000'000ULL}) {
                QFont font = window.Window().font();
                font.setPixelSize(pixels);
                QApplication::setFont(font);
                const std::u16string text = RunCountsText({count, count, count, count, count});
                ModalAnswers answers;
                answers.ReadMessage().During(
                    [&] { AfxMessageBox(u"処理が完了しました。", 0, 0, {}, text); });
                QCOMPARE(answers.OnlyMessage().informativeRows,
                         QStringList{QString::fromStdU16String(text)});
            }
        QApplication::setFont(window.Window().font());
    }

    void oneFontEverywhere() {
        MainWindowDriver window;
        const QFont font = window.Window().font();
        QMessageBox box(QMessageBox::Information, {}, QStringLiteral("x"), QMessageBox::Ok);
        QCOMPARE(box.font(), font);
        QCOMPARE(box.button(QMessageBox::Ok)->font(), font);
        QCOMPARE(GetSystemMenu(&window.Window(), false)->font(), font);
        QCOMPARE(window.Window().findChild<QMenuBar*>()->actions().first()->menu()->font(), font);
        QFileDialog files;
        QCOMPARE(files.font(), font);
        // The text boxes draw their lines in it too, at its height.
        for (const char* name : {"IDC_CONTENT", "IDC_RESULT"}) {
            const long nLine =
                window.Control<CEdit>(name)->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
            QVERIFY2(qAbs(nLine - QFontMetrics(font).height()) <= 2, name);
        }
    }

    void placesEveryControlByDialogUnits() {
        MainWindowDriver window;
        const Units units = UnitsOf(window.Window().font());
        QVERIFY(units.cx > 0 && units.cy > 0);
        for (const Place& place : kControls) {
            QWidget* control = window.Control<QWidget>(place.name);
            QVERIFY2(control, place.name);
            const QRect expected = Expected(place, units);
            if (qobject_cast<QComboBox*>(control)) {
                // On screen only the closed field; the template's height includes the list.
                QCOMPARE(control->pos(), expected.topLeft());
                QCOMPARE(control->width(), expected.width());
                QVERIFY(control->height() > 0 && control->height() <= expected.height());
            } else {
                QVERIFY2(control->geometry() == expected, place.name);
            }
        }
        const QList<QLabel*> labels = window.Window().findChildren<QLabel*>();
        for (const Place& place : kLabels) {
            const QString caption = QString::fromUtf8(place.name);
            const auto found = std::find_if(labels.begin(), labels.end(), [&](QLabel* label) {
                return label->text() == caption;
            });
            QVERIFY2(found != labels.end(), place.name);
            QCOMPARE((*found)->geometry(), Expected(place, units));
        }
    }

    void theWindowHasAFixedSizeAndOnlyACloseBox() {
        MainWindowDriver window;
        CTandrelDlg& dialog = window.Window();
        const Units units = UnitsOf(dialog.font());
        QWidget* client = window.Content()->parentWidget();
        QCOMPARE(client->size(), QSize(Px(499, units.cx, 4), Px(334, units.cy, 8)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(dialog.size(), dialog.maximumSize());
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
        QVERIFY(!dialog.isSizeGripEnabled());
    }

    void theMenuBarSitsAboveTheClientArea() {
        MainWindowDriver window;
        auto* menuBar = window.Window().findChild<QMenuBar*>();
        QVERIFY(menuBar);
        QVERIFY(!menuBar->isNativeMenuBar());
        QCOMPARE(menuBar->actions().size(), 2);
        // After the program's own menu, the options, each a submenu of choices.
        QAction* options = menuBar->actions().last();
        QCOMPARE(options->text(), QStringLiteral("オプション"));
        QAction* lineEnds = options->menu()->actions().last();
        QCOMPARE(lineEnds->text(), QStringLiteral("保存時の改行コード"));
        QStringList choices;
        for (const QAction* choice : lineEnds->menu()->actions())
            choices << choice->text() + (choice->isCheckable() ? "" : " (not a radio item)");
        QCOMPARE(choices, (QStringList{QStringLiteral("CR+LF"), QStringLiteral("LF"),
                                       QStringLiteral("元のファイルに合わせる")}));
        QAction* popup = menuBar->actions().first();
        QCOMPARE(popup->text(), QStringLiteral("タンドレルについて"));
        QVERIFY(popup->menu());
        QCOMPARE(popup->menu()->actions().size(), 1);
        QAction* item = popup->menu()->actions().first();
        QCOMPARE(item->text(), QStringLiteral("バージョン情報"));
        QCOMPARE(item->objectName(), QStringLiteral("ID_VERSION_INFO"));
        QWidget* client = window.Content()->parentWidget();
        QVERIFY(menuBar->geometry().bottom() < client->geometry().top());
    }

    void okIsHiddenAndDisabledEverythingElseShows() {
        MainWindowDriver window;
        auto* ok = window.Button("IDOK");
        QVERIFY(!ok->isVisible());
        QVERIFY(!ok->isEnabled());
        for (const Place& place : kControls) {
            if (qstrcmp(place.name, "IDOK") == 0)
                continue;
            QWidget* control = window.Control<QWidget>(place.name);
            QVERIFY2(control->isVisible() && control->isEnabled(), place.name);
        }
        QCOMPARE(window.Button("IDCANCEL")->text(), QStringLiteral("終了"));
        QCOMPARE(window.Button("IDC_OPEN")->text(), QStringLiteral("開く"));
        QCOMPARE(window.Button("IDC_RUN")->text(), QStringLiteral("実行"));
        QCOMPARE(window.Button("IDC_SAVE")->text(), QStringLiteral("保存"));
        QVERIFY(window.Result()->isReadOnly());
        QVERIFY(!window.Content()->isReadOnly());
    }

    void focusStartsOnExitAndTabFollowsTemplateOrder() {
        MainWindowDriver window;
        QCOMPARE(FocusName(), QStringLiteral("IDCANCEL"));
        const QStringList expected = {
            QStringLiteral("IDC_FILEPATH"), QStringLiteral("IDC_OPEN"),
            QStringLiteral("IDC_RUN"),      QStringLiteral("IDC_CONTENT"),
            QStringLiteral("IDC_RESULT"),   QStringLiteral("IDC_ENCODING"),
            QStringLiteral("IDC_SAVE"),     QStringLiteral("IDC_LINK1"),
            QStringLiteral("IDC_LINK2"),    QStringLiteral("IDCANCEL")};
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << FocusName();
        }
        QCOMPARE(visited, expected);
        // Tab left the boxes without typing into them.
        QVERIFY(window.Content()->GetWindowText().empty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(FocusName(), QStringLiteral("IDC_LINK2"));
    }

    void escapeInTheContentBoxEndsTheWindowAndEnterBreaksTheLine() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("a\nb"));
        QVERIFY(window.Window().isVisible());
        QVERIFY(window.Content()->GetWindowText() == u"a\nb");
        QTest::keyClick(window.Content(), Qt::Key_Escape);
        QVERIFY(!window.Window().isVisible());
        QCOMPARE(window.Window().result(), int(QDialog::Rejected));
    }

    void exitButtonEndsTheWindow() {
        MainWindowDriver window;
        QTest::mouseClick(window.Button("IDCANCEL"), Qt::LeftButton);
        QVERIFY(!window.Window().isVisible());
        QCOMPARE(window.Window().result(), int(QDialog::Rejected));
    }

    // Which item stands where, and what choosing it writes, is saveWritesTheChosenEncoding's.
    void encodingListPositionIsTheEncoding() {
        MainWindowDriver window;
        CComboBoxEx* list = window.EncodingList();
        QVERIFY(!list->isEditable());
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(g_nEncoding, 0);
        for (const int position : {2, 1, 4, 3, 0}) {
            window.ChooseEncoding(position);
            QCOMPARE(list->currentIndex(), position);
            QCOMPARE(g_nEncoding, position);
        }
    }

    void pathBoxTakesNoTypingOnlyTheBrowseButtonsChoice() {
        MainWindowDriver window;
        CMFCEditBrowseCtrl* box = window.PathBox();
        box->setFocus();
        QTest::keyClicks(box, "typed");
        QVERIFY(box->text().isEmpty());
        // The browse button sits inside the box at its right end.
        QToolButton* browse = window.Control<QToolButton>("IDC_FILEPATH_BROWSE");
        QVERIFY(browse);
        QCOMPARE(browse->parentWidget(), box);
        QVERIFY(browse->isVisible());
        QVERIFY(box->rect().contains(browse->geometry()));
        QVERIFY(browse->geometry().right() >= box->width() - 3);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chosen.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
        QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
        ModalAnswers chosen;
        chosen.ChooseFile(path, [&](QFileDialog* dialog) {
            mode = dialog->acceptMode();
            fileMode = dialog->fileMode();
        });
        window.Click(browse, chosen);
        QVERIFY(chosen.problems.isEmpty());
        QCOMPARE(mode, QFileDialog::AcceptOpen);
        QCOMPARE(fileMode, QFileDialog::ExistingFile);
        QCOMPARE(box->text(), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));

        ModalAnswers cancelled;
        cancelled.CancelFileDialog();
        window.Click(browse, cancelled);
        QVERIFY(cancelled.problems.isEmpty());
        QCOMPARE(box->text(), QDir::toNativeSeparators(path)); // a cancelled choice changes nothing
    }

    void linksShowAndOpenTheProgramsDocuments() {
        MainWindowDriver window;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        const struct {
            const char* name;
            QString fileName;
        } links[] = {{"IDC_LINK1", QStringLiteral("README.md")},
                     {"IDC_LINK2", QStringLiteral("LICENSE")}};
        for (const auto& expected : links) {
            auto* link = window.Control<CMFCLinkCtrl>(expected.name);
            QVERIFY(link);
            const QUrl address(link->text());
            QVERIFY2(address.isLocalFile(), qPrintable(link->text()));
            QCOMPARE(QFileInfo(address.toLocalFile()).fileName(), expected.fileName);
            QVERIFY2(QFileInfo::exists(address.toLocalFile()), qPrintable(link->text()));
            QVERIFY(link->toolTip().isEmpty());
            QTest::mouseClick(link, Qt::LeftButton);
            link->setFocus(); // a push button: Enter opens it as well
            QTest::keyClick(link, Qt::Key_Return);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.opened.size(), 4);
        QCOMPARE(catcher.opened[1].toString(), window.Control<CMFCLinkCtrl>("IDC_LINK1")->text());
        QCOMPARE(catcher.opened[3].toString(), window.Control<CMFCLinkCtrl>("IDC_LINK2")->text());

        // An address that no program opens is not passed over in silence.
        auto* link = window.Control<CMFCLinkCtrl>("IDC_LINK1");
        link->setText(QStringLiteral("tandrel-test-nothing-opens-this:x"));
        ModalAnswers answers;
        answers.ReadMessage();
        window.Click(link, answers);
        QVERIFY2(answers.problems.isEmpty(), qPrintable(answers.problems.join(u';')));
        QCOMPARE(answers.messages.first().text,
                 QStringLiteral("このアドレスを開くプログラムが見つかりません。\n") + link->text());
        QCOMPARE(answers.messages.first().icon, QMessageBox::Critical);
    }

    // Any empty part of the window opens the window menu; the menu bar opens nothing.
    void rightClicksOnTheBackgroundOpenTheWindowMenu() {
        MainWindowDriver window;
        CTandrelDlg& dialog = window.Window();
        CWindowMenu* menu = GetSystemMenu(&dialog, false);
        const QWidget* client = window.Content()->parentWidget();
        const QRect empty = MapDialogRect(QRect(350, 300, 1, 1), dialog.GetBaseUnits());
        QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {},
                          client->mapTo(&dialog, empty.topLeft()));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        QTRY_VERIFY(!menu->isVisible());

        QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {},
                          dialog.findChild<QMenuBar*>()->geometry().center());
        QTest::qWait(50);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }

    void theBoxesMenusShowWhitespaceOnRequest() {
        MainWindowDriver window;
        for (CEdit* box : {window.Content(), window.Result()}) {
            QVERIFY(!box->IsWhitespaceShown());
            for (const bool shown : {true, false}) {
                QContextMenuEvent click(QContextMenuEvent::Mouse, box->viewport()->rect().center(),
                                        box->viewport()->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(box->viewport(), &click);
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                QVERIFY(menu);
                QAction* show = menu->findChild<QAction*>(QStringLiteral("showWhitespace"));
                QVERIFY(show && show->isCheckable() && show->text() == u"空白を表示");
                QCOMPARE(show->isChecked(), !shown);
                show->trigger();
                menu->close();
                QCOMPARE(box->IsWhitespaceShown(), shown);
                QCOMPARE(box->eolVisibility(), shown);
                // And the characters that look like a space or nothing are named.
                char name[16] = {};
                box->SendScintilla(QsciScintillaBase::SCI_GETREPRESENTATION, "\u3000", name);
                QCOMPARE(QString::fromUtf8(name), shown ? QStringLiteral("IDSP") : QString());
            }
        }
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
