// Files in and out around the three commands: a file dropped on the window, the encoding chosen
// from a file's first bytes, and the save dialog's folder, extension and size.
#include "MainWindowDriver.h"
#include "core/document/DocumentRun.h"
#include "core/document/DocumentState.h"
#include "core/files/FileSystemNames.h"
#include "ui/CommandProgress.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <fstream>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Drags data onto target and drops it there, as the desktop delivers a drag; returns whether
// target (or the window behind it) took the drop.
bool Drop(QWidget* target, const QMimeData& data) {
    const QPointF pos = target->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(pos.toPoint(), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(pos, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// The width a column of a file list needs to show its widest entry whole.
struct ColumnHint : QTreeView {
    using QTreeView::sizeHintForColumn;
};
int NeededWidth(const QTreeView* list, int column) {
    return (list->*(&ColumnHint::sizeHintForColumn))(column);
}

std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

} // namespace

class MainWindowFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        WriteBytes(PathOf(QStringLiteral("utf8.txt")), "\xE6\x97\xA5\xE6\x9C\xAC\r\n");
        WriteBytes(PathOf(QStringLiteral("ansi.txt")), "\x93\xFA\x96\x7B\r\n");
        WriteBytes(PathOf(QStringLiteral("utf16.txt")), QByteArray("a\0b\0\r\0\n\0", 8));
        WriteBytes(PathOf(QStringLiteral("ascii.txt")), "plain\r\n");
    }

    // Run takes the lines Open made ahead only while the box holds the text it loaded, and
    // none that ends in a lone CR, which Run's split drops: it keeps the split of the box.
    void runSplitsWhatTheBoxHoldsAfterOpen_data() {
        QTest::addColumn<QString>("typed"); // then a "|" for each undo
        QTest::addColumn<bool>("setAnew");  // the box's text set anew, with a line more
        QTest::newRow("as opened") << QString() << false;
        QTest::newRow("a line typed") << QStringLiteral("x\n") << false;
        QTest::newRow("typed and undone") << QStringLiteral("x|") << false;
        QTest::newRow("set anew") << QString() << true;
    }
    void runSplitsWhatTheBoxHoldsAfterOpen() {
        QFETCH(QString, typed);
        QFETCH(bool, setAnew);
        for (const char* bytes : {"b\r\na\r\nb\r\n\xE6\x97\xA5\r\n", "b\r\na\r\r\na\r\n"}) {
            WriteBytes(PathOf(QStringLiteral("ahead.txt")), bytes);
            MainWindowDriver window;
            window.ChooseEncoding(1); // UTF-8
            window.Window().ChooseFile(PathOf(QStringLiteral("ahead.txt")));
            QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
            window.TypeIntoContent(typed.section(QLatin1Char('|'), 0, 0));
            for (int undo = 0; undo < typed.count(QLatin1Char('|')); ++undo)
                QTest::keyClick(window.Content(), Qt::Key_Z, Qt::ControlModifier);
            if (setAnew)
                window.Content()->SetWindowText(window.Content()->GetWindowText() + u"c\r\n");
            QCOMPARE(window.ClickForMessage("IDC_RUN").text,
                     QStringLiteral("処理が完了しました。"));
            const LineList kept = g_vTextLines;
            SplitContentLines(window.Content()->GetWindowText());
            QVERIFY(kept == g_vTextLines);
        }
    }

    // Wherever a file lands, it fills the path box and its encoding is chosen as a user would
    // choose it; the text boxes take neither its name nor its contents.
    void aDroppedFileIsChosenAnywhereOnTheWindow() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("kept"));
        const struct {
            QWidget* target;
            const char* file;
            int encoding;
        } drops[] = {
            {window.Content()->viewport(), "utf8.txt", 3}, // without a mark
            {window.Result()->viewport(), "utf16.txt", 2},
            {window.PathBox(), "ansi.txt", 0},
            {window.Window().findChild<QLabel*>(), "utf16.txt", 2},
            {window.Button("IDC_RUN"), "ascii.txt", 2}, // ASCII only: the choice stays
        };
        for (const auto& drop : drops) {
            const QString path = PathOf(QString::fromLatin1(drop.file));
            const auto data = Urls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(PathOf("x"))});
            QVERIFY2(Drop(drop.target, *data), drop.file);
            QCOMPARE(window.PathBox()->text(), path);
            QTRY_COMPARE(window.EncodingList()->currentIndex(), drop.encoding);
            QTRY_COMPARE(g_nEncoding, drop.encoding);
        }
        QVERIFY(window.Content()->GetWindowText() == u"kept");
        QVERIFY(window.Result()->GetWindowText().empty());

        // A folder or a remote address is refused; the path stays.
        QVERIFY(!Drop(window.Content()->viewport(), *Urls({QUrl::fromLocalFile(m_dir.path())})));
        QVERIFY(!Drop(&window.Window(), *Urls({QUrl(QStringLiteral("https://example.org/a"))})));
        QCOMPARE(window.PathBox()->text(), PathOf(QStringLiteral("ascii.txt")));

        // Dragged text still goes into the box it is dropped on.
        QMimeData text;
        text.setText(QStringLiteral("moved "));
        QVERIFY(Drop(window.Content()->viewport(), text));
        QVERIFY(window.Content()->GetWindowText().find(u"moved ") != std::u16string::npos);
    }

    // A name whose bytes are not UTF-8 (Shift_JIS 日本.txt) opens its own file; the same name as
    // a file dialog decodes it, its bytes replaced by U+FFFD, opens nothing.
    void aNameThatIsNotUtf8OpensItsOwnFileOrNone() {
        MainWindowDriver window;
        const std::string bytes = QFile::encodeName(m_dir.path()).toStdString() + "/\x93\xFA.txt";
        std::ofstream(bytes, std::ios::binary) << "\x93\xFA\r\n";
        window.ChooseEncoding(2);
        window.Window().ChooseFile(QString::fromStdU16String(NameOfFileSystemPath(bytes)));
        QTRY_COMPARE(g_nEncoding, 0); // guessed from the file's bytes, on a worker
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        QVERIFY(window.Content()->GetWindowText() == u"日\r\n");
        std::remove(bytes.c_str()); // a name Qt cannot spell, so QTemporaryDir cannot remove it

        window.Window().ChooseFile(m_dir.filePath(QStringLiteral("\uFFFD\uFFFD.txt")));
        QVERIFY(window.ClickForMessage("IDC_OPEN").detail.contains(u"このファイル名は使えません"));
    }

    // A close guess is taken, and 読み込み完了 names it with the other encoding, until the user
    // chooses one.
    void aCloseGuessSaysSoWhenLoaded() {
        MainWindowDriver window;
        const QString path = PathOf(QStringLiteral("close.txt"));
        WriteBytes(path, "\xE0\xA1\r\n"); // a rare kanji in code page 932 and in EUC-JP
        window.ChooseEncoding(2);
        window.BrowseTo(path);
        QTRY_COMPARE(g_nEncoding, 0);
        const auto loaded = window.ClickForMessage("IDC_OPEN");
        QCOMPARE(loaded.text, QStringLiteral("読み込み完了"));
        QCOMPARE(loaded.informative,
                 QStringLiteral("文字コードは ANSI と推定しました（EUC-JP の可能性もあります）。"));
        window.ChooseEncoding(4);
        QVERIFY(window.ClickForMessage("IDC_OPEN").informative.isEmpty());
    }

    // A drop while a command runs would change what it reads or replaces: it is refused.
    void aDropWaitsForNoCommand() {
        MainWindowDriver window;
        const QString large = PathOf(QStringLiteral("large.txt"));
        WriteBytes(large, QByteArray("line\r\n").repeated(1'000'000));
        window.BrowseTo(large);
        CommandProgress::SetShowDelay(std::chrono::milliseconds(0));
        const auto data = Urls({QUrl::fromLocalFile(PathOf(QStringLiteral("ascii.txt")))});
        int refused = 0, taken = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            const QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == QLatin1String("CommandProgress"))
                ++(Drop(window.PathBox(), *data) ? taken : refused);
        });
        timer.start(5);
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        QVERIFY(refused > 0 && taken == 0);
        QCOMPARE(window.PathBox()->text(), large);
        QVERIFY(Drop(window.PathBox(), *data));
        CommandProgress::SetShowDelay(std::chrono::milliseconds(500));
    }

    // The guess reads a large file on a worker: the window answers meanwhile, and a choice the
    // user makes before it ends stands, in the list and for 開く.
    void theUsersChoiceOutlastsAGuessStillRunning() {
        const QString path = PathOf(QStringLiteral("large-utf8.txt"));
        WriteBytes(path, QByteArray(200 << 20, 'a') + "\n\xE6\x97\xA5\n");
        MainWindowDriver window;
        window.BrowseTo(path);
        window.ChooseEncoding(4); // EUC-JP, although the file is UTF-8 without a mark
        QTest::qWait(3000);
        QCOMPARE(g_nEncoding, 4);
        // Read as EUC-JP, which its last line is not.
        QVERIFY(window.ClickForMessage("IDC_OPEN")
                    .text.startsWith(
                        QStringLiteral("文字コードの指定が間違っている可能性があります。")));
        QCOMPARE(g_nEncoding, 4);
        QVERIFY(QFile::remove(path));
    }

    // Choosing a file never waits for its guess, whatever its size (here the most that was once
    // judged on the window's thread): the choice returns with the list as it was, and the guess
    // arrives from its worker. The longest pause of the event loop meanwhile is printed.
    void aChoiceNeverWaitsForTheGuess() {
        const QString path = PathOf(QStringLiteral("euc-jp-32mib.txt"));
        const QByteArray line("\xC6\xFC\xCB\xDC\xB8\xEC\r\n"); // 日本語 in EUC-JP
        WriteBytes(path, line.repeated((32 << 20) / line.size()));
        MainWindowDriver window;
        window.ChooseEncoding(2);
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(1);
        clock.start();
        window.Window().ChooseFile(path);
        QCOMPARE(g_nEncoding, 2);
        QTRY_COMPARE_WITH_TIMEOUT(g_nEncoding, 4, 60'000);
        qInfo("longest pause of the event loop while a 32 MiB file was guessed: %lld ms", longest);
        QVERIFY(QFile::remove(path));
    }

    // The save dialog opens, with an empty name, in the folder of the file last opened or
    // saved; ".txt" is added to a bare name only under the text-file filter; the file list
    // shows its columns whole.
    void theSaveDialogStartsWhereTheWorkIs() {
        MainWindowDriver window;
        const QString folder = PathOf(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(folder));
        WriteBytes(folder + QStringLiteral("/in.txt"), "\x93\xFA\r\na\r\n\x93\xFA\r\n");
        window.ChooseEncoding(2);
        window.BrowseTo(folder + QStringLiteral("/in.txt")); // chosen as ANSI from its bytes
        QTRY_COMPARE(g_nEncoding, 0);
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        QCOMPARE(window.ClickForMessage("IDC_RUN").text, QStringLiteral("処理が完了しました。"));

        const QString saved = PathOf(QStringLiteral("saved"));
        QVERIFY(QDir().mkpath(saved));
        for (const bool textFilter : {true, false}) {
            QString startFolder, startName;
            bool columnsWhole = false;
            ModalAnswers answers;
            const auto look = [&](QFileDialog* dialog) {
                startFolder = dialog->directory().absolutePath();
                startName = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
                auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
                columnsWhole = QTest::qWaitFor([list] {
                    if (list->model()->rowCount(list->rootIndex()) == 0)
                        return false;
                    for (int column = 1; column < list->header()->count(); ++column)
                        if (list->columnWidth(column) < NeededWidth(list, column))
                            return false;
                    return list->horizontalScrollBar()->maximum() == 0; // all in view
                });
                if (textFilter) {
                    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                    types->setFocus();
                    QTest::keyClick(types, Qt::Key_Down);
                }
            };
            answers.ChooseFile(saved + QStringLiteral("/out"), look).ReadMessage();
            window.Click(window.Button("IDC_SAVE"), answers);
            QVERIFY2(answers.problems.isEmpty(), qPrintable(answers.problems.join(u';')));
            QCOMPARE(startFolder, textFilter ? folder : saved);
            QCOMPARE(startName, QString());
            QVERIFY(columnsWhole);
            QVERIFY(QFile::exists(
                saved + (textFilter ? QStringLiteral("/out.txt") : QStringLiteral("/out"))));
        }
    }
};

QTEST_MAIN(MainWindowFilesTest)
#include "MainWindowFilesTest.moc"
