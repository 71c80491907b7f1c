// The Open command: load the chosen file, in the chosen encoding, into the content box.
#include "core/DocumentState.h"
#include "core/EncodedTextFiles.h"
#include "core/EncodingChoices.h"
#include "core/EncodingGuess.h"
#include "core/FailureText.h"
#include "platform/BoxTextLoader.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "ui/CommandProgress.h"
#include "ui/TandrelDlg.h"

#include <QFile>
#include <QFileInfo>

void CTandrelDlg::OnPathChosen(const QString& path) {
    // Only a regular file is looked into: a FIFO or a device could block or never end.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray head = file.read(static_cast<qint64>(kEncodingGuessBytes));
    const int nGuess = GuessEncoding(
        std::string_view(head.constData(), static_cast<std::size_t>(head.size())), file.atEnd());
    if (nGuess >= 0)
        m_comboEncoding->ChooseItem(nGuess);
}

void CTandrelDlg::OnBnClickedOpen() {
    g_nError = 0;

    const std::u16string strPath = m_editFilePath->GetWindowText();
    if (strPath.empty()) {
        AfxMessageBox(u"ファイルが指定されていません。\n読込むファイルを指定して下さい。",
                      MB_ICONERROR, 0);
        return;
    }

    WaitCursor wait;
    // The reader and the text for the box work on lists of their own, so that a cancelled
    // Open leaves the document and the box as they were.
    const EncodingChoice* encoding = FindEncodingChoice(g_nEncoding);
    FileLines file;
    BoxTextLoader content;
    CommandProgress command(this, QStringLiteral("読み込み中…"));
    const bool finished = command.Run([&](OperationProgress& progress) {
        progress.BeginStep(0, 600);
        if (encoding)
            file = ReadFileLines(strPath, encoding->encoding, &progress);
        if (!file.result.Succeeded())
            return;
        // Without a reader the box shows the file lines it would have shown anyway.
        const std::vector<std::u16string>& lines = encoding ? file.lines : g_vFileLines;
        const std::size_t count =
            encoding ? file.lines.size() : static_cast<std::size_t>(g_nLineCount);
        progress.BeginStep(600, OperationProgress::kWhole);
        content = m_editContent->LoadLines(lines, count, u"\r\n", &progress);
    });
    const FileResult result = file.result;
    if (finished && encoding)
        KeepFileLines(std::move(file)); // file now holds the lines it replaced
    ReleaseInBackground(std::move(file.lines));
    if (!finished)
        return;

    if (g_nError == 1) {
        wait.End();
        AfxMessageBox(
            u"文字コードの指定が間違っている可能性があります。\nANSI形式のみ読み込み可能です。",
            MB_ICONERROR, 0, FailureDetail(strPath, result));
        g_nError = 0;
        return; // the content box keeps its text
    }

    // Clears the box and sets the joined lines, each followed by CR LF, in one step.
    m_editContent->TakeText(std::move(content));
    OnContentChanged();
    // The save dialog starts where the work is.
    CFileDialog::RememberFolderOf(QString::fromStdU16String(strPath));

    wait.End();
    AfxMessageBox(u"読み込み完了", MB_ICONINFORMATION, 0);
}
