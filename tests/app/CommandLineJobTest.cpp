// The command line's job through the real executable, started without a display: its exit
// statuses and messages, standard input and output, and the very bytes a Save from the window
// writes for the same file.
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "tests/ui/MainWindowDriver.h"
#include "tests/ui/ModalAnswers.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

struct Finished {
    int status = -1;
    QByteArray out, err;
};

// Starts the program with no display to reach and no platform named, in Japanese (as
// tests/app/CMakeLists.txt explains) unless told otherwise: settings are NAME=VALUE.
void Start(QProcess& program, const QStringList& arguments, const QStringList& settings = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const QString& setting :
         QStringList{QStringLiteral("LANGUAGE=ja"), QStringLiteral("LC_ALL=C.UTF-8")} + settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TANDREL_PROGRAM), arguments);
}

// Runs the program to its end, as Start starts it.
Finished Tandrel(const QStringList& arguments, const QByteArray& input = {},
                 const QStringList& settings = {}) {
    QProcess program;
    Start(program, arguments, settings);
    program.write(input);
    program.closeWriteChannel();
    if (!program.waitForFinished(60000))
        return {};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(), program.readAllStandardError()};
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

class CommandLineJobTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    }

    void exitsWithItsStatusAndSaysWhy_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("settings");
        const QStringList toStdout{QStringLiteral("--output"), QStringLiteral("-")};
        QTest::newRow("a pipe, silently") << toStdout << QByteArray("b\na\r\nb\n\n") << 0
                                          << QByteArray("b\r\na\r\n") << QString() << QStringList();
        QTest::newRow("counts") << toStdout + QStringList{QStringLiteral("--stats")}
                                << QByteArray("b\na\nb\n\n") << 0 << QByteArray("b\r\na\r\n")
                                << QStringLiteral("4 行 → 2 行（重複 1 行、空行 1 行）\n")
                                << QStringList();
        QTest::newRow("LF, UTF-16LE out")
            << toStdout + QStringList{QStringLiteral("--line-end=lf"),
                                      QStringLiteral("--output-encoding"),
                                      QStringLiteral("utf-16le")}
            << QByteArray("a\n") << 0
            << QByteArray("\xFF\xFE"
                          "a\0\n\0",
                          6)
            << QString() << QStringList();
        QTest::newRow("no output named")
            << QStringList{QStringLiteral("--stats")} << QByteArray() << 2 << QByteArray()
            << QStringLiteral("--output") << QStringList();
        QTest::newRow("unknown encoding")
            << toStdout + QStringList{QStringLiteral("--encoding=latin-1")} << QByteArray() << 2
            << QByteArray() << QStringLiteral("--encoding") << QStringList();
        QTest::newRow("missing input")
            << toStdout + QStringList{PathOf(QStringLiteral("none"))} << QByteArray() << 1
            << QByteArray() << QStringLiteral("見つかりません") << QStringList();
        QTest::newRow("not placeable") << toStdout << QByteArray("a\xFF\x80\n") << 1 << QByteArray()
                                       << QStringLiteral("--encoding で指定") << QStringList();
        // The guess (EncodingGuessTest has its cases) as the command line reports it.
        QTest::newRow("close guess") << toStdout << QByteArray("\xE0\xA1\r\n") << 1 << QByteArray()
                                     << QStringLiteral("--encoding ansi か --encoding euc-jp")
                                     << QStringList();
        QTest::newRow("UTF-16BE mark") << toStdout << QByteArray("\xFE\xFF\0a\0\n", 6) << 1
                                       << QByteArray() << QStringLiteral("UTF-16BE") << QStringList();
        QTest::newRow("a stray NUL") << toStdout << QByteArray("abc\0d\nz", 7) << 0
                                     << QByteArray("abc\0d\r\nz\r\n", 10) << QString() << QStringList();
        QTest::newRow("C1 control in UTF-8")
            << toStdout << QByteArray("e\xC2\x85" "f\n") << 0 << QByteArray("e\xC2\x85" "f\r\n")
            << QString() << QStringList();
        QTest::newRow("invalid in the named encoding")
            << toStdout + QStringList{QStringLiteral("--encoding"), QStringLiteral("utf-8")}
            << QByteArray("a\n\x82\xA0\n") << 1 << QByteArray() << QStringLiteral("2 行目")
            << QStringList();
        // Inputs with their own marks (made by Qt's encoder), standard input among them; outputs
        // that are streams; a failed write placed in the input; lone CRs noted.
        const QString utf8 = PathOf(u"mark.txt"_s), utf16 = PathOf(u"w.txt"_s);
        const QString emoji = PathOf(u"emoji.txt"_s);
        WriteBytes(utf8, "\xEF\xBB\xBF" + u"日記\r\na\r\n"_s.toUtf8());
        WriteBytes(utf16, QStringEncoder(QStringEncoder::Utf16LE,
                                         QStringEncoder::Flag::WriteBom)(u"日記\r\nb\r\n"_s));
        WriteBytes(emoji, u"a\na\na\n😀\n"_s.toUtf8());
        QTest::newRow("several inputs")
            << toStdout + QStringList{u"--stats"_s, u"--line-end=lf"_s, utf8, u"-"_s, utf16}
            << QByteArray("c\na\n") << 0 << "\xEF\xBB\xBF" + u"日記\na\nc\nb\n"_s.toUtf8()
            << u"^6 行 → 4 行（重複 2 行"_s << QStringList();
        QTest::newRow("a device, lone CRs")
            << QStringList{u"--output=/dev/null"_s, u"--stats"_s} << QByteArray("a\rb\rc\r") << 0
            << QByteArray() << u"^Lines: 1 in, 1 out .*\nLine ends of a CR alone"_s
            << QStringList{u"LANGUAGE="_s, u"LC_ALL=C"_s};
        QTest::newRow("a pipe by name")
            << QStringList{u"--output=/dev/stdout"_s} << QByteArray("b\nb\n") << 0
            << QByteArray("b\r\n") << QString() << QStringList();
        QTest::newRow("the input's line")
            << QStringList{u"--output"_s,
                           PathOf(u"none.txt"_s),
                           u"--output-encoding=ansi"_s,
                           u"--counts"_s,
                           utf8,
                           emoji}
            << QByteArray() << 1 << QByteArray()
            << u"none\\.txt\n4 行目 1 文字目.*\n.*emoji\\.txt"_s << QStringList();
        QTest::newRow("version") << QStringList{QStringLiteral("--output=-"),
                                                QStringLiteral("--version")}
                                 << QByteArray() << 0 << QByteArray("Tandrel 2.0.1.2\n")
                                 << QString() << QStringList();
        // Encoding names in any case.
        QTest::newRow("UTF-8") << toStdout + QStringList{QStringLiteral("--encoding=UTF-8")}
                               << QByteArray("a\n") << 0
                               << QByteArray("\xEF\xBB\xBF"
                                             "a\r\n")
                               << QString() << QStringList();
        QTest::newRow("CP932") << toStdout + QStringList{QStringLiteral("--encoding"),
                                                         QStringLiteral("CP932")}
                               << QByteArray("\x82\xA0\n") << 0 << QByteArray("\x82\xA0\r\n")
                               << QString() << QStringList();
        // Usage errors: the argument named, with the flag it is likely meant to be.
        const QString in = PathOf(QStringLiteral("in.txt"));
        QTest::newRow("mistyped") << QStringList{QStringLiteral("--ouput"), QStringLiteral("o"), in}
                                  << QByteArray() << 2 << QByteArray()
                                  << QStringLiteral("tandrel: '--ouput' は知らないオプションです。"
                                                    "--output のことですか？")
                                  << QStringList();
        QTest::newRow("in English")
            << QStringList{QStringLiteral("--ouput"), QStringLiteral("o"), in} << QByteArray() << 2
            << QByteArray() << QStringLiteral("unknown option '--ouput'; did you mean --output?")
            << QStringList{QStringLiteral("LANGUAGE="), QStringLiteral("LC_ALL=C")};
        QTest::newRow("a reason in English")
            << QStringList{u"--output=-"_s, u"--encoding=UTF-8"_s} << QByteArray("a\n\xFF\n") << 1
            << QByteArray()
            << u"^tandrel: The file could not be read\\.\nFile: \\(standard input\\)\nLine 2 "
               u"\\(byte 2 "_s
            << QStringList{u"LANGUAGE="_s, u"LC_ALL=C"_s};
        QTest::newRow("short") << toStdout + QStringList{QStringLiteral("-x")} << QByteArray() << 2
                               << QByteArray() << QStringLiteral("'-x' は知らない")
                               << QStringList();
        QTest::newRow("twice") << toStdout + toStdout << QByteArray() << 2 << QByteArray()
                               << QStringLiteral("--output が二度") << QStringList();
        QTest::newRow("value forgotten")
            << QStringList{QStringLiteral("--output"), QStringLiteral("--stats"), in}
            << QByteArray() << 2 << QByteArray() << QStringLiteral("--output には値（OUT）")
            << QStringList();
        QTest::newRow("no such value")
            << toStdout + QStringList{QStringLiteral("--line-end=cr")} << QByteArray() << 2
            << QByteArray()
            << QStringLiteral("'cr' は指定できません。指定できるのは crlf, lf, keep")
            << QStringList();
        // What the job needs is looked for before it begins.
        QTest::newRow("no temporary folder")
            << toStdout << QByteArray("a\n") << 1 << QByteArray()
            << QStringLiteral("一時フォルダーを使えません（TMPDIR）。\nファイル: /nonexistent\n")
            << QStringList{QStringLiteral("TMPDIR=/nonexistent")};
    }
    void exitsWithItsStatusAndSaysWhy() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        QFETCH(QStringList, settings);
        const Finished finished = Tandrel(arguments, input, settings);
        QCOMPARE(finished.status, status);
        QCOMPARE(finished.out, out);
        // A usage error is one line, then the usage line.
        const QStringList lines = QString::fromUtf8(finished.err).split(u'\n');
        if (status == 2)
            QVERIFY2(lines.size() == 3 && lines[1].contains(u"tandrel [--output OUT"),
                     finished.err.constData());
        if (err.isEmpty())
            QCOMPARE(finished.err, QByteArray());
        else
            QVERIFY2(QString::fromUtf8(finished.err).contains(QRegularExpression(err)),
                     finished.err.constData());
    }

    // A flag for help answers it wherever it stands, in the words of the user's locale.
    void answersHelpAnywhere() {
        const Finished help =
            Tandrel({QStringLiteral("--output"), QStringLiteral("-"), QStringLiteral("-h")});
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.startsWith("Tandrel 2.0.1.2\n使い方: tandrel "), help.out.constData());
        const Finished english = Tandrel({QStringLiteral("-h")}, {}, {QStringLiteral("LC_ALL=C")});
        QVERIFY2(english.out.contains("\nUsage: tandrel "), english.out.constData());
    }

    void aFailedWriteLeavesTheOutputAsItWas() {
        const QString output = PathOf(QStringLiteral("kept.txt"));
        WriteBytes(output, "old\r\n");
        // 가 has no code in code page 932.
        const Finished finished =
            Tandrel({QStringLiteral("--output"), output, QStringLiteral("--output-encoding=ansi")},
                    "a\n\xEA\xB0\x80\n");
        QCOMPARE(finished.status, 1);
        QCOMPARE(ReadBytes(output), QByteArray("old\r\n"));
    }

    // A mapped input that another program cuts short under the job faults at the first byte
    // gone: the job says so and fails as a read, the output as it was. The fault is sent as the
    // system sends it, since the moment a file is cut cannot be chosen; a job not yet listening
    // is signalled later, one already done sooner.
    void anInputShortenedWhileReadFailsAsARead() {
        const QString input = PathOf(QStringLiteral("long.txt"));
        const QString output = PathOf(QStringLiteral("kept-long.txt"));
        QByteArray text;
        for (int i = 0; i < 2'000'000; ++i)
            text += "line " + QByteArray::number(i % 700'000) + '\n';
        WriteBytes(input, text);
        int delay = 150;
        QProcess program;
        for (int tries = 0; tries < 8; ++tries) {
            WriteBytes(output, "old\r\n");
            program.close();
            Start(program, {QStringLiteral("--output"), output, input});
            QVERIFY(program.waitForStarted());
            QThread::msleep(static_cast<unsigned long>(delay));
            ::kill(static_cast<pid_t>(program.processId()), SIGBUS);
            QVERIFY(program.waitForFinished(60000));
            if (program.exitStatus() == QProcess::CrashExit)
                delay *= 2;
            else if (program.exitCode() == 0)
                delay /= 2;
            else
                break;
        }
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(err.contains(u"読み込んでいる間に入力ファイルが短くなりました"_s), qPrintable(err));
        QCOMPARE(ReadBytes(output), QByteArray("old\r\n"));
    }

    // One file per encoding with every kind of line end, repeats and empty lines: the job
    // writes what Open, Run and Save write in the window, whether told the encoding or not.
    void writesTheBytesTheWindowSaves_data() {
        QTest::addColumn<int>("encoding");
        for (std::size_t i = 0; i < kEncodingChoices.size(); ++i)
            QTest::newRow(kEncodingChoices[i].flagNames[0].data()) << static_cast<int>(i);
    }
    void writesTheBytesTheWindowSaves() {
        QFETCH(int, encoding);
        const EncodingChoice& choice = kEncodingChoices[static_cast<std::size_t>(encoding)];
        const QString input = PathOf(QStringLiteral("in-%1.txt").arg(encoding));
        const std::u16string text = u"今日は雨でした。\r\na\r\r\n\r\n今日は雨でした。\nb\rc\n\r\n"
                                    u"あしたは晴れるでしょう。\r\na\nカタカナ\r\n最後の行";
        QVERIFY(WriteTextFile(input.toStdU16String(), choice, text, LineEnd::kLf).Succeeded());

        MainWindowDriver window;
        window.BrowseTo(input);
        window.ChooseEncoding(encoding);
        QCOMPARE(window.ClickForMessage("IDC_OPEN").text, QStringLiteral("読み込み完了"));
        QCOMPARE(window.ClickForMessage("IDC_RUN").text, QStringLiteral("処理が完了しました。"));
        const QString saved = PathOf(QStringLiteral("window-%1.txt").arg(encoding));
        ModalAnswers answers;
        answers.ChooseFile(saved).ReadMessage();
        window.Click(window.Button("IDC_SAVE"), answers);
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages.first().text, QStringLiteral("ファイルを保存しました。"));

        // Every name of the encoding, one of them in capitals: the case of a letter is no part
        // of a name.
        QStringList names{QStringLiteral("auto")};
        for (const std::string_view name : choice.flagNames)
            if (!name.empty())
                names << QString::fromLatin1(name);
        names << names.last().toUpper();
        for (const QString& named : names) {
            const QString output = PathOf(QStringLiteral("job-%1-%2.txt").arg(encoding).arg(named));
            const Finished finished = Tandrel(
                {QStringLiteral("--output"), output, QStringLiteral("--encoding"), named, input});
            QCOMPARE(finished.status, 0);
            QCOMPARE(ReadBytes(output), ReadBytes(saved));
        }
    }
};

QTEST_MAIN(CommandLineJobTest)
#include "CommandLineJobTest.moc"
