// The shell's resources: the string table, the application icon and the About box template.
#include "res/AboutBox.h"
#include "res/AppIcon.h"
#include "res/BuildFacts.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "res/VersionInfo.h"

#include <QImage>
#include <QTest>
#include <algorithm>

using namespace dlgstyle;

namespace {

QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

class ShellResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void theStringTableHoldsTheAboutEntryOnly() {
        QCOMPARE(LoadString(IDS_ABOUTBOX), QStringLiteral("Tandrelについて(&A)..."));
        for (int nID : {0, 96, 100, 102, 111, 128})
            QVERIFY2(LoadString(nID).isEmpty(), qPrintable(QString::number(nID)));
    }

    void theVersionShowsAsItsFirstPartsWhereTheUserReadsIt() {
        const QStringList parts = QString::fromUtf8(kProductVersion).split(u'.');
        QCOMPARE(parts.size(), 4);
        QCOMPARE(Text(kAboutBoxTemplate.items[1].caption),
                 QStringLiteral("タンドレル\u3000Ver") + parts.mid(0, 3).join(u'.'));
        QCOMPARE(Text(kFileDescription), QStringLiteral("タンドレル Ver") + parts[0]);
    }

    void theIconGroupHasEverySizeTheDesktopUses() {
        const QIcon icon = LoadIcon(IDR_MAINFRAME);
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (int n : kIconSizes) {
            QVERIFY2(sizes.contains(QSize(n, n)), qPrintable(QString::number(n)));
            const QImage image = icon.pixmap(QSize(n, n)).toImage();
            QCOMPARE(image.size(), QSize(n, n));
            // Opaque in the middle, transparent in the corner (the sheet has rounded corners).
            QCOMPARE(qAlpha(image.pixel(n / 2, n / 2)), 255);
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
        QVERIFY(LoadIcon(IDD_ABOUTBOX).isNull());
    }

    void theAboutTemplateHasItsFrameAndRows() {
        const DialogTemplate& t = kAboutBoxTemplate;
        QCOMPARE(t.id, IDD_ABOUTBOX);
        QCOMPARE(Text(t.caption), QStringLiteral("バージョン情報"));
        QCOMPARE(QRect(t.x, t.y, t.cx, t.cy), QRect(0, 0, 236, 207));
        QCOMPARE(t.style, 0x80C800C0u);
        QCOMPARE(t.exStyle, 0u);
        QCOMPARE(Text(t.fontFace), QStringLiteral("MS UI Gothic"));
        QCOMPARE(t.pointSize, 9);
        QCOMPARE(t.menuId, 0);
        QCOMPARE(t.items.size(), std::size_t(12));

        // Rows that the program fixes, by position in template order.
        const DialogItemTemplate& icon = t.items[0];
        QCOMPARE(QRect(icon.x, icon.y, icon.cx, icon.cy), QRect(45, 7, 20, 20));
        QCOMPARE(icon.style & 0xF, SS_ICON);
        QCOMPARE(Text(icon.caption), QStringLiteral("#128"));
        QVERIFY(t.items[1].style & SS_NOPREFIX);
        const DialogItemTemplate& ok = t.items[3];
        QCOMPARE(ok.id, IDOK);
        QCOMPARE(Text(ok.caption), QStringLiteral("OK"));
        QCOMPARE(QRect(ok.x, ok.y, ok.cx, ok.cy), QRect(179, 186, 50, 14));
        QCOMPARE(ok.style, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON);
        const DialogItemTemplate& rule = t.items[11];
        QCOMPARE(QRect(rule.x, rule.y, rule.cx, rule.cy), QRect(22, 128, 190, 1));
        QCOMPARE(rule.style & 0xF, SS_GRAYFRAME);
        QVERIFY(rule.caption.empty());

        // Only the OK button takes the focus; every other row is a static.
        QVERIFY(std::all_of(t.items.begin(), t.items.end(), [](const DialogItemTemplate& item) {
            return item.id == IDOK ? item.windowClass == "Button"
                                   : item.id == IDC_STATIC && item.windowClass == "Static" &&
                                         !(item.style & WS_TABSTOP);
        }));
    }

    void theAboutBoxStatesOnlyFactsAboutTheProgram() {
        // The rows for a postal code, an address, a building, a person and telephone numbers
        // stay empty: there is no publisher with any of them.
        for (std::size_t row : {5u, 6u, 7u, 8u, 9u})
            QVERIFY2(kAboutBoxTemplate.items[row].caption.empty(),
                     qPrintable(QString::number(row)));
        QString all;
        for (const DialogItemTemplate& item : kAboutBoxTemplate.items)
            all += Text(item.caption) + u'\n';
        QVERIFY(all.contains(QStringLiteral("GPL-3.0-or-later")));
        QVERIFY(all.contains(QStringLiteral("2026")));
        QVERIFY(all.contains(QStringLiteral(TANDREL_DOC_FOLDER)));
        // The legal notice is several paragraphs separated by an empty line.
        QVERIFY(Text(kAboutBoxTemplate.items[10].caption).contains(QStringLiteral("\n\n")));
    }
};

QTEST_MAIN(ShellResourcesTest)
#include "ShellResourcesTest.moc"
