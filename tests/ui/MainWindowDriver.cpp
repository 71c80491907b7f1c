#include "MainWindowDriver.h"

#include "core/document/DocumentState.h"
#include "ui/ProgramSettings.h"

#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

void ResetDocumentState() {
    g_nEncoding = 0;
    g_nError = 0;
    g_nLineCount = 0;
    g_vFileLines.clear();
    g_vTextLines.clear();
    g_vResultLines.clear();
    g_vWorkLines.clear();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

namespace {

// The windows' remembered options live apart from the user's, and apart from those of the test
// programs that run beside this one, which would otherwise change the options under its feet:
// each program keeps them in a folder of its own. Qt settles where settings go with their first
// use, so this comes before anything in the program runs.
[[maybe_unused]] const bool g_testSettings = [] {
    static const QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    return true;
}();

// The offscreen platform cannot pass a fixed size on to a window manager it does not have, and
// says so for every fixed-size window; nothing else is filtered.
QtMessageHandler g_previousHandler = nullptr;
void QuietAboutSizeHints(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("does not support propagateSizeHints")))
        g_previousHandler(type, context, text);
}

} // namespace

MainWindowDriver::MainWindowDriver(Settings settings) {
    if (!g_previousHandler)
        g_previousHandler = qInstallMessageHandler(QuietAboutSizeHints);
    ResetDocumentState();
    // Options chosen in one test stay out of the next.
    if (settings == Settings::kForget)
        ProgramSettings().clear();
    m_window = std::make_unique<CTandrelDlg>();
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the main window did not become active");
}

MainWindowDriver::~MainWindowDriver() = default;

void MainWindowDriver::Click(QAbstractButton* button, ModalAnswers& answers) {
    answers.During([button] { QTest::mouseClick(button, Qt::LeftButton); });
}

MessageSeen MainWindowDriver::ClickForMessage(const char* buttonName) {
    ModalAnswers answers;
    answers.ReadMessage();
    Click(Button(buttonName), answers);
    return answers.OnlyMessage();
}

void MainWindowDriver::BrowseTo(const QString& path) {
    ModalAnswers answers;
    answers.ChooseFile(path);
    Click(PathBox()->BrowseButton(), answers);
    if (!answers.problems.isEmpty())
        qWarning("%s", qPrintable(answers.problems.join(QStringLiteral("; "))));
}

void MainWindowDriver::ChooseEncoding(int index) {
    CComboBoxEx* list = EncodingList();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(list, Qt::Key_Down);
}

void MainWindowDriver::TypeIntoContent(const QString& text) {
    CEdit* box = Content();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    for (const QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            // Japanese arrives from the input method, as a committed string.
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(box, &commit);
        }
    }
}
