// The three commands of the main window, walked through the real window: buttons clicked,
// message boxes read and closed, file dialogs filled in, files checked byte for byte.
#include "MainWindowDriver.h"
#include "core/lines/BoxTextCodec.h"
#include "core/document/DocumentState.h"
#include "core/document/RunSummary.h"
#include "core/files/FailureText.h"
#include "res/VersionInfo.h"
#include "ui/OptionMenu.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kNoPath =
    QStringLiteral("ファイルが指定されていません。\n読込むファイルを指定して下さい。");
const QString kReadFailed = QStringLiteral(
    "文字コードの指定が間違っている可能性があります。\nANSI形式のみ読み込み可能です。");
const QString kLoaded = QStringLiteral("読み込み完了");
const QString kNothingToRun =
    QStringLiteral("処理するファイルを読み込んでいません。\n処理するファイルを読み込んで下さい。");
const QString kRunDone = QStringLiteral("処理が完了しました。");
const QString kNothingToSave = QStringLiteral("保存するデーターがありません。");
const QString kSaveFailed = QStringLiteral("ファイルを保存できませんでした。");
const QString kSaved = QStringLiteral("ファイルを保存しました。");
const QString kNotCurrent = QStringLiteral(
    "処理結果は、今の「ファイルの内容」から作られたものではありません。このまま保存しますか？");

// Literals that may hold NULs, taken whole.
template <std::size_t N> QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}
template <std::size_t N> QString Text(const char16_t (&literal)[N]) {
    return QString::fromUtf16(literal, N - 1);
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString FromU16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The editor's own count of lines: one more than the line ends it sees.
long EditorLineCount(CEdit* box) {
    return box->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
}

#define VERIFY_MESSAGE(seen, expectedText, expectedIcon)                                           \
    do {                                                                                           \
        const MessageSeen message = (seen);                                                        \
        QCOMPARE(message.text, expectedText);                                                      \
        QCOMPARE(message.icon, expectedIcon);                                                      \
        QCOMPARE(message.title, QStringLiteral("Tandrel"));                                        \
        QCOMPARE(message.buttons.size(), 1);                                                       \
        QVERIFY(!message.busyCursor);                                                              \
    } while (false)

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    // Run on typed text, then Save through the dialog to path; returns the save message.
    MessageSeen SaveTo(MainWindowDriver& window, const QString& path) {
        ModalAnswers answers;
        answers.ChooseFile(path).ReadMessage();
        window.Click(window.Button("IDC_SAVE"), answers);
        return answers.OnlyMessage();
    }

    // Whether the result box shows its text greyed: its darkest pixel is light.
    static bool Greyed(MainWindowDriver& window) {
        const QImage image = window.Result()->viewport()->grab().toImage();
        int darkest = 255;
        for (int i = 0; i < image.width() * image.height(); ++i)
            darkest = std::min(darkest, qGray(image.pixel(i % image.width(), i / image.width())));
        return darkest > 96;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        QCoreApplication::setApplicationName(
            QString::fromUtf8(kProductName)); // as the program does
    }

    void openWithoutPathIsRefused() {
        MainWindowDriver window;
        VERIFY_MESSAGE(window.ClickForMessage("IDC_OPEN"), kNoPath, QMessageBox::Critical);
        QVERIFY(window.Content()->GetWindowText().empty());
    }

    void openOfVanishedFileReportsTheReadFailure() {
        MainWindowDriver window;
        const QString path = PathOf(QStringLiteral("vanishing.txt"));
        WriteBytes(path, "x\r\n");
        window.BrowseTo(path);
        QCOMPARE(window.PathBox()->text(), QDir::toNativeSeparators(path));
        QVERIFY(QFile::remove(path));
        window.TypeIntoContent(QStringLiteral("kept"));

        const MessageSeen failed = window.ClickForMessage("IDC_OPEN");
        VERIFY_MESSAGE(failed, kReadFailed, QMessageBox::Critical);
        // Why, behind 「詳細を表示」: the reason the reader found, for this path.
        QCOMPARE(failed.detail,
                 FromU16(FailureDetail(QDir::toNativeSeparators(path).toStdU16String(),
                                       {FileFailure::kNotFound})));
        // The reason itself at once, under the message.
        QCOMPARE(failed.informative, QStringLiteral("ファイルが見つかりません。"));
        QVERIFY(window.Content()->GetWindowText() == u"kept");
        QCOMPARE(g_nError, 0);
    }

    void openLoadsEachEncodingExactly_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("result");

        // Carriage returns inside a line, Japanese, a repeated line, a last line without a line
        // end.
        QTest::newRow("ANSI") << 0 << Bytes("a\rb\r\n\x82\xA0\r\nab\r\na\rb\r\nlast")
                              << QStringLiteral("a\rb\r\nあ\r\nab\r\na\rb\r\nlast\r\n")
                              << QStringLiteral("a\rb\r\nあ\r\nab\r\nlast\r\n");
        // NUL, the line and paragraph separators, a line ending in CR CR LF, a lone LF.
        QTest::newRow("UTF-8") << 1
                               << Bytes("\xEF\xBB\xBF"
                                        "a\r\nN\0L\r\n\xE2\x80\xA8|\xE2\x80\xA9\nz\r\r\na\n")
                               << Text(u"a\r\nN\0L\r\n\u2028|\u2029\r\nz\r\r\na\r\n")
                               << Text(u"a\r\nN\0L\r\n\u2028|\u2029\r\nz\r\n");
        // Unpaired surrogates of both kinds, a real pair, a lone CR.
        QTest::newRow("UTF-16LE") << 2
                                  << Bytes("\xFF\xFE"
                                           "a\0\x00\xD8"
                                           "b\0\r\0\n\0"
                                           "\x00\xDC\r\0\n\0"
                                           "\x3D\xD8\x00\xDE\r\0\n\0"
                                           "c\0\r\0d\0\r\0\n\0")
                                  << Text(u"a\xD800"
                                          u"b\r\n\xDC00\r\n\xD83D\xDE00\r\nc\rd\r\n")
                                  << Text(u"a\xD800"
                                          u"b\r\n\xDC00\r\n\xD83D\xDE00\r\nc\rd\r\n");
    }
    void openLoadsEachEncodingExactly() {
        QFETCH(int, encoding);
        QFETCH(QByteArray, file);
        QFETCH(QString, content);
        QFETCH(QString, result);
        MainWindowDriver window;
        const QString path = PathOf(QStringLiteral("load.txt"));
        WriteBytes(path, file);
        window.ChooseEncoding(encoding);
        QCOMPARE(g_nEncoding, encoding);
        window.BrowseTo(path);

        VERIFY_MESSAGE(window.ClickForMessage("IDC_OPEN"), kLoaded, QMessageBox::Information);
        QCOMPARE(FromU16(window.Content()->GetWindowText()), content);
        // Only CR LF ends a line in the box: lone CRs and the separators stay inside theirs.
        QCOMPARE(EditorLineCount(window.Content()), content.count(QStringLiteral("\r\n")) + 1);

        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QCOMPARE(FromU16(window.Result()->GetWindowText()), result);
    }

    void openOfOneHugeLineKeepsTheWindowAnswering() {
        // Long enough that laying it out as one line took seconds.
        std::u16string line;
        while (line.size() < 2'000'000)
            line += u"\u3042\u91CD\xD83D\xDE00 line ";
        MainWindowDriver window;
        const QString path = PathOf(QStringLiteral("huge.txt"));
        WriteBytes(path, "\xEF\xBB\xBF" + FromU16(line).toUtf8());
        window.ChooseEncoding(1);
        window.BrowseTo(path);
        VERIFY_MESSAGE(window.ClickForMessage("IDC_OPEN"), kLoaded, QMessageBox::Information);
        QVERIFY(window.Content()->GetWindowText() == line + u"\r\n");

        // Shown in rows, and scrolling to the line's end gets there.
        CEdit* box = window.Content();
        QVERIFY(EditorLineCount(box) > static_cast<long>(line.size() / kBoxRowUnits));
        box->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                           box->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) - 2);
        box->viewport()->repaint();
        QVERIFY(box->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE) > 0);

        // A click queued behind the painting, as a user's is, is handled: the window ends.
        const QPointF at = QRectF(window.Button("IDCANCEL")->rect()).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                window.Button("IDCANCEL"),
                new QMouseEvent(type, at, window.Button("IDCANCEL")->mapToGlobal(at),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        while (window.Window().isVisible())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCOMPARE(window.Window().result(), int(QDialog::Rejected));
    }

    void openOfEmptyFileEmptiesTheContentAndLeavesTheResult() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("x\ny\nx\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        const QString path = PathOf(QStringLiteral("empty.txt"));
        WriteBytes(path, {});
        window.BrowseTo(path);

        VERIFY_MESSAGE(window.ClickForMessage("IDC_OPEN"), kLoaded, QMessageBox::Information);
        QVERIFY(window.Content()->GetWindowText().empty());
        QVERIFY(window.Result()->GetWindowText() == u"x\r\ny\r\n");
    }

    void runOnTypedText() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("b\na\nb\nc\na\nA\nc"));
        // A line break the user types is a line feed.
        QVERIFY(window.Content()->GetWindowText() == u"b\na\nb\nc\na\nA\nc");

        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QVERIFY(window.Result()->GetWindowText() == u"b\r\na\r\nc\r\nA\r\n");
        QVERIFY((g_vResultLines == std::vector<std::u16string>{u"b", u"a", u"c", u"A"}));
        // Running again gives the same result.
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QVERIFY(window.Result()->GetWindowText() == u"b\r\na\r\nc\r\nA\r\n");
    }

    void runShowsItsCountsOverTheResult() {
        MainWindowDriver window;
        auto* label = window.Window().findChild<QLabel*>(QStringLiteral("IDC_RESULT_CAPTION"));
        QVERIFY(label && label->toolTip().isEmpty());
        QString text;
        for (int i = 0; i < 1200; ++i)
            text += QString::number(i % 1000) + QLatin1String(i % 100 == 0 ? "\n\n" : "\n");
        window.Content()->SetWindowText(text.toStdU16String());
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QCOMPARE(label->toolTip(),
                 QStringLiteral("1,212 行 → 1,000 行（重複 200 行、空行 12 行）"));
        // A text that seems to end its lines in lone CRs is one line, and is told so.
        window.Content()->SetWindowText(u"x\ry\rx\r\n");
        QCOMPARE(window.ClickForMessage("IDC_RUN").informative,
                 QStringLiteral("1 行 → 1 行（重複 0 行、空行 0 行）\n") +
                     FromU16(std::u16string(kLoneCrNote)));
    }

    void runNeverTouchesTheFileLines() {
        MainWindowDriver window;
        g_vFileLines = {u"from a file"};
        window.TypeIntoContent(QStringLiteral("typed\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QVERIFY((g_vFileLines == std::vector<std::u16string>{u"from a file"}));
    }

    void runOnEmptyContentIsRefused() {
        MainWindowDriver window;
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kNothingToRun, QMessageBox::Critical);
        QVERIFY(window.Result()->GetWindowText().empty());
        // A line in two rows with its text deleted leaves the row break's marks: still empty.
        CEdit* box = window.Content();
        box->SetWindowText(std::u16string(kBoxRowUnits, u'a') + u"b");
        box->SendScintilla(QsciScintillaBase::SCI_SETSEL, 0UL, static_cast<long>(kBoxRowUnits));
        QTest::keyClick(box, Qt::Key_Delete);
        window.TypeIntoContent({}); // to the end
        QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(box->GetWindowText().empty() && box->GetWindowTextLength() > 0);
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kNothingToRun, QMessageBox::Critical);
    }

    void runOnLineBreaksAloneGivesNothingToSave() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("\n\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QVERIFY(window.Result()->GetWindowText().empty());
        // Refused before any file dialog opens.
        VERIFY_MESSAGE(window.ClickForMessage("IDC_SAVE"), kNothingToSave, QMessageBox::Critical);
    }

    // The list's items in their order, each with the bytes Python's codecs give for the text.
    void saveWritesTheChosenEncoding_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ANSI") << 0 << Bytes("\x61\x0D\x0A\x82\xA0\x0D\x0A");
        QTest::newRow("UTF-8") << 1 << Bytes("\xEF\xBB\xBF\x61\x0D\x0A\xE3\x81\x82\x0D\x0A");
        QTest::newRow("UTF-16LE")
            << 2 << Bytes("\xFF\xFE\x61\x00\x0D\x00\x0A\x00\x42\x30\x0D\x00\x0A\x00");
        QTest::newRow("UTF-8 (BOMなし)") << 3 << Bytes("\x61\x0D\x0A\xE3\x81\x82\x0D\x0A");
        QTest::newRow("EUC-JP") << 4 << Bytes("\x61\x0D\x0A\xA4\xA2\x0D\x0A");
    }

    // 「保存時の改行コード」, chosen in one window, is remembered by the next and decides the
    // bytes Save writes; 「元のファイルに合わせる」 follows most lines of the file opened.
    void saveEndsLinesAsTheOptionSays_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("opened");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("CR+LF") << QStringLiteral("ID_SAVE_LINE_END_CRLF") << Bytes("a\nb\n")
                               << Bytes("a\r\nb\r\n");
        QTest::newRow("LF") << QStringLiteral("ID_SAVE_LINE_END_LF") << Bytes("a\r\nb\r\n")
                            << Bytes("a\nb\n");
        QTest::newRow("mostly LF") << QStringLiteral("ID_SAVE_LINE_END_AS_OPENED")
                                   << Bytes("a\nb\r\nb\n") << Bytes("a\nb\n");
        QTest::newRow("as many of each") << QStringLiteral("ID_SAVE_LINE_END_AS_OPENED")
                                         << Bytes("a\nb\r\n") << Bytes("a\r\nb\r\n");
    }
    void saveEndsLinesAsTheOptionSays() {
        QFETCH(QString, item);
        QFETCH(QByteArray, opened);
        QFETCH(QByteArray, saved);
        {
            MainWindowDriver chooser;
            chooser.Window().findChild<QAction*>(item)->trigger();
        }
        MainWindowDriver window(MainWindowDriver::Settings::kRemember);
        QVERIFY(window.Window().findChild<QAction*>(item)->isChecked());
        const QString path = PathOf(QStringLiteral("opened.txt"));
        WriteBytes(path, opened);
        window.ChooseEncoding(3);
        window.BrowseTo(path);
        VERIFY_MESSAGE(window.ClickForMessage("IDC_OPEN"), kLoaded, QMessageBox::Information);
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        VERIFY_MESSAGE(SaveTo(window, path), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(path), saved);
    }
    void saveWritesTheChosenEncoding() {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("a\nあ\na\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        // The encoding chosen after Run is the one the file gets.
        window.ChooseEncoding(encoding);
        QCOMPARE(window.EncodingList()->currentText(), QString::fromUtf8(QTest::currentDataTag()));
        QCOMPARE(window.EncodingList()->count(), 5);

        const QString path = PathOf(QStringLiteral("saved-%1.txt").arg(encoding));
        VERIFY_MESSAGE(SaveTo(window, path), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(path), bytes);
    }

    void saveDialogOffersAllFilesFirstAndAnyName() {
        MainWindowDriver window;
        window.TypeIntoContent(QStringLiteral("x\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QStringList shownFilters;
        QString chosenFilter;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        QFileDialog::FileMode fileMode = QFileDialog::ExistingFile;
        QString suffix = QStringLiteral("(unset)");
        bool confirmsOverwrite = true;
        ModalAnswers answers;
        const QString path = PathOf(QStringLiteral("brand-new-name")); // no such file yet
        answers
            .ChooseFile(path,
                        [&](QFileDialog* dialog) {
                            auto* types =
                                dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                            for (int i = 0; i < types->count(); ++i)
                                shownFilters << types->itemText(i);
                            chosenFilter = types->currentText();
                            mode = dialog->acceptMode();
                            fileMode = dialog->fileMode();
                            suffix = dialog->defaultSuffix();
                            confirmsOverwrite =
                                !dialog->testOption(QFileDialog::DontConfirmOverwrite);
                        })
            .ReadMessage();
        window.Click(window.Button("IDC_SAVE"), answers);
        QVERIFY2(answers.problems.isEmpty(),
                 qPrintable(answers.problems.join(QStringLiteral("; "))));
        QCOMPARE(shownFilters, (QStringList{QStringLiteral("全て(*.*)"),
                                            QStringLiteral("テキストファイル(*.txt)")}));
        QCOMPARE(chosenFilter, QStringLiteral("全て(*.*)"));
        QCOMPARE(mode, QFileDialog::AcceptSave);
        QCOMPARE(fileMode, QFileDialog::AnyFile);
        QCOMPARE(suffix, QString());
        QVERIFY(!confirmsOverwrite);
        VERIFY_MESSAGE(answers.messages.first(), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(path), QByteArray("x\r\n")); // saved under the new name as typed
    }

    void saveReplacesAnExistingFileWithoutAsking() {
        MainWindowDriver window;
        const QString path = PathOf(QStringLiteral("replaced.txt"));
        WriteBytes(path, "old content that is longer than the new one\r\n");
        window.ChooseEncoding(1);
        window.TypeIntoContent(QStringLiteral("new\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        VERIFY_MESSAGE(SaveTo(window, path), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(path), QByteArray("\xEF\xBB\xBFnew\r\n"));
    }

    void saveCancelledReportsFailureAndChangesNoFile() {
        MainWindowDriver window;
        const QString folder = PathOf(QStringLiteral("cancel"));
        QVERIFY(QDir().mkpath(folder));
        WriteBytes(folder + QStringLiteral("/existing.txt"), "untouched\r\n");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder); // where the dialog opens, and where an empty name would land
        window.TypeIntoContent(QStringLiteral("a\nb\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);

        ModalAnswers answers;
        answers.CancelFileDialog().ReadMessage();
        window.Click(window.Button("IDC_SAVE"), answers);
        QDir::setCurrent(previous);
        QVERIFY2(answers.problems.isEmpty(),
                 qPrintable(answers.problems.join(QStringLiteral("; "))));
        QCOMPARE(answers.messages.size(), 1);
        VERIFY_MESSAGE(answers.messages.first(), kSaveFailed, QMessageBox::Critical);
        QCOMPARE(answers.messages.first().detail,
                 FromU16(FailureDetail(u"", {FileFailure::kBadPath})));
        QCOMPARE(g_nError, 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("existing.txt")});
        QCOMPARE(ReadBytes(folder + QStringLiteral("/existing.txt")), QByteArray("untouched\r\n"));
    }

    void saveInAnsiOfACharacterWithoutCodeFails() {
        MainWindowDriver window;
        // The result's third line, the text's fourth: the message names the one the user sees.
        window.TypeIntoContent(QStringLiteral("a\na\nb\nx 한\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        const MessageSeen failed = SaveTo(window, PathOf(QStringLiteral("hangul-ansi.txt")));
        VERIFY_MESSAGE(failed, kSaveFailed, QMessageBox::Critical);
        QCOMPARE(failed.informative,
                 QStringLiteral("処理結果の 3 行目 3 文字目の「한」（U+D55C）は、"
                                "指定された文字コードでは書けない文字です。"));
        QVERIFY(failed.detail.endsWith(failed.informative));
        QCOMPARE(window.Result()->selectedText(), QStringLiteral("x 한"));
        QCOMPARE(window.Window().focusWidget(), window.Result());
        window.ChooseEncoding(1);
        const QString path = PathOf(QStringLiteral("hangul-utf8.txt"));
        VERIFY_MESSAGE(SaveTo(window, path), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(path), QByteArray("\xEF\xBB\xBF"
                                             "a\r\nb\r\nx \xED\x95\x9C\r\n"));
    }

    // Open or typing after a Run leaves the result out of date: greyed, said so by its label,
    // and saved only after a question (いいえ: nothing at all). A Run makes it current again.
    void anOutOfDateResultIsSavedOnlyWhenTheUserSaysSo() {
        MainWindowDriver window;
        auto* label = window.Window().findChild<QLabel*>(QStringLiteral("IDC_RESULT_CAPTION"));
        const auto greyed = [&] {
            return Greyed(window) && label->toolTip().contains(u"変わる前のテキストから作られた");
        };
        const QString input = PathOf(QStringLiteral("second.txt")), output = input + u'~';
        WriteBytes(input, "second\r\n");
        window.BrowseTo(input);
        window.TypeIntoContent(QStringLiteral("first\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        for (const bool yes : {false, true}) {
            yes ? window.TypeIntoContent(QStringLiteral("more\n"))
                : void(window.ClickForMessage("IDC_OPEN"));
            QVERIFY(greyed());
            ModalAnswers answers;
            answers.AnswerQuestion(yes);
            if (yes)
                answers.ChooseFile(output).ReadMessage();
            window.Click(window.Button("IDC_SAVE"), answers);
            QVERIFY(answers.problems.isEmpty() && answers.messages.size() == (yes ? 2 : 1));
            const MessageSeen& question = answers.messages.first();
            QCOMPARE(question.text + question.buttons.join(u'/'), kNotCurrent + QStringLiteral("はい/いいえ"));
            QCOMPARE(question.icon, QMessageBox::Question);
            QCOMPARE(ReadBytes(output), yes ? QByteArray("first\r\n") : QByteArray("(missing)"));
        }
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QVERIFY(!greyed());
        VERIFY_MESSAGE(SaveTo(window, output), kSaved, QMessageBox::Information);
    }

    // Another choice of an option Run reads leaves the result out of date as an edit does:
    // greyed, without its marks, saved only after the question. Choosing the Run's choice again
    // makes it current, marks and all. The line end is Save's, and leaves the result as it is.
    void aResultIsCurrentOnlyWithTheOptionsOfItsRun_data() {
        QTest::addColumn<unsigned>("command"); // the option's check item; 0 for the line end
        for (const RememberedOption& option : kCompareSettings)
            QTest::newRow(option.key.data()) << option.checkCommand;
        QTest::newRow(kSaveLineEndSetting.key.data()) << 0u;
    }
    void aResultIsCurrentOnlyWithTheOptionsOfItsRun() {
        QFETCH(unsigned, command);
        const bool readByRun = command != 0;
        MainWindowDriver window;
        const auto choose = [&](const char* lineEndItem) {
            (readByRun ? window.Window().GetMenuCommand(command)
                       : window.Control<QAction>(lineEndItem))
                ->trigger();
        };
        const auto marked = [&] {
            for (CEdit* box : {window.Content(), window.Result()})
                if (box->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 1UL) == 0)
                    return false;
            return true;
        };
        const QString output = PathOf(QStringLiteral("options.txt"));
        window.TypeIntoContent(QStringLiteral("a\na\n"));
        VERIFY_MESSAGE(window.ClickForMessage("IDC_RUN"), kRunDone, QMessageBox::Information);
        QTRY_VERIFY(marked());

        choose("ID_SAVE_LINE_END_LF");
        QCOMPARE(Greyed(window), readByRun);
        QCOMPARE(marked(), !readByRun);
        ModalAnswers answers;
        readByRun ? answers.AnswerQuestion(false) : answers.ChooseFile(output).ReadMessage();
        window.Click(window.Button("IDC_SAVE"), answers);
        QVERIFY(answers.problems.isEmpty() && answers.messages.size() == 1);
        QCOMPARE(answers.messages.first().text, readByRun ? kNotCurrent : kSaved);

        choose("ID_SAVE_LINE_END_CRLF");
        QVERIFY(!Greyed(window));
        QTRY_VERIFY(marked());
        VERIFY_MESSAGE(SaveTo(window, output), kSaved, QMessageBox::Information);
        QCOMPARE(ReadBytes(output), QByteArray("a\r\n"));
    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "MainWindowCommandsTest.moc"
