// The Open command: load the chosen file, in the chosen encoding, into the content box.
#include "core/files/CException.h"
#include "core/lines/BoxTextCodec.h"
#include "core/document/DocumentState.h"
#include "core/files/EncodedTextFiles.h"
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"
#include "core/files/FailureText.h"
#include "core/files/FileSystemNames.h"
#include "platform/BoxTextFeed.h"
#include "platform/BoxTextLoader.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "ui/CommandProgress.h"
#include "ui/OutOfMemory.h"
#include "ui/TandrelDlg.h"

#include <QThread>
#include <new>
#include <optional>

void CTandrelDlg::OnPathChosen(const QString& path) {
    AbandonEncodingGuess();
    m_guessNote.clear();
    // The file the path box names, by the bytes the reader will open (a name that is not
    // UTF-8 included); a name that cannot be used is left for Open to report.
    std::string bytes;
    try {
        bytes = FileSystemPath(path.toStdU16String());
    } catch (const CException&) {
        return;
    }
    // The whole file is read, which for a large one takes seconds: always on a worker, so that
    // the window keeps answering whatever the file's size, and given up as soon as the user
    // decides anything.
    const std::uint64_t generation = m_guessGeneration;
    m_guessThread.reset(QThread::create(
        [this, generation, progress = m_guessProgress, fsPath = std::move(bytes)] {
            EncodingGuess guess;
            try {
                guess = GuessFileEncoding(fsPath, progress.get());
            } catch (const OperationCancelled&) {
                return;
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, guess = std::move(guess)] {
                    if (generation == m_guessGeneration)
                        ApplyEncodingGuess(guess);
                },
                Qt::QueuedConnection);
        }));
    // The guess needs little stack, and a small one keeps a guess on every path chosen from
    // mapping megabytes that the C library would keep in its cache of stacks.
    m_guessThread->setStackSize(256 * 1024);
    m_guessThread->start();
}

void CTandrelDlg::ApplyEncodingGuess(const EncodingGuess& guess) {
    if (guess.encoding >= 0)
        m_comboEncoding->ChooseItem(guess.encoding); // drops an earlier note
    m_guessNote = EncodingGuessNote(guess);
}

void CTandrelDlg::AbandonEncodingGuess() {
    ++m_guessGeneration; // a result still on its way is dropped
    if (m_guessThread) {
        m_guessProgress->RequestCancel();
        m_guessThread->wait();
        m_guessThread.reset();
    }
    m_guessProgress = std::make_shared<OperationProgress>();
}

void CTandrelDlg::OnBnClickedOpen() {
    AbandonEncodingGuess(); // the encoding chosen now is the one to read with
    g_nError = 0;

    const std::u16string strPath = m_editFilePath->GetWindowText();
    if (strPath.empty()) {
        AfxMessageBox(u"ファイルが指定されていません。\n読込むファイルを指定して下さい。",
                      MB_ICONERROR, 0);
        return;
    }

    WaitCursor wait;
    // The step reads the file and builds the box's new text aside, so that a cancelled Open, or
    // one that runs out of memory, leaves the document and the box as they were.
    constexpr std::u16string_view kFailure =
        u"文字コードの指定が間違っている可能性があります。\nANSI形式のみ読み込み可能です。";
    const EncodingChoice* encoding = FindEncodingChoice(g_nEncoding);
    struct OpenedFile {
        FileLines file;
        BoxTextLoader content;
        std::optional<LineList> split; // the content box's lines for Run, when they are these
    };
    FileResult result;
    CommandProgress command(this, QStringLiteral("読み込み中…"));
    const CommandProgress::End end = command.Run(
        [&](OperationProgress& progress) {
            OpenedFile made;
            progress.BeginStep(0, 600);
            if (!encoding) {
                // Without a reader the box shows the file lines it would have shown anyway.
                progress.BeginStep(600, OperationProgress::kWhole);
                made.content = m_editContent->LoadLines(
                    g_vFileLines, static_cast<std::size_t>(g_nLineCount), u"\r\n", &progress);
                return made;
            }
            // The box takes the lines as they are read, on the other core: lines kept as their
            // bytes as pieces of their buffer, which nearly all of them are its buffer already.
            BoxTextFeed feed(*m_editContent, u"\r\n", &progress);
            made.file = ReadFileLines(strPath, *encoding, &progress, &feed);
            if (!made.file.result.Succeeded())
                return made;
            // The box's lines for Run, sharing the file lines' index until either changes.
            if (SplitGivesLoadedLines(made.file.lines))
                made.split = made.file.lines;
            progress.BeginStep(600, OperationProgress::kWhole);
            made.content = feed.Finish(made.file.lines);
            return made;
        },
        [&](OpenedFile&& made) {
            if (made.file.result.failure == FileFailure::kOutOfMemory)
                throw std::bad_alloc(); // not the file's fault, and no lines worth keeping
            result = made.file.result;
            // Clears the box and sets the joined lines, each followed by CR LF, in one step.
            if (made.file.result.Succeeded()) {
                m_editContent->TakeText(std::move(made.content));
                m_contentSplit = {};
                if (made.split)
                    m_contentSplit = {m_editContent->TakenText(), std::move(*made.split)};
            }
            if (encoding) {
                if (made.file.result.Succeeded())
                    m_openedLineEnds = made.file.lineEnds;
                CommitFileLines(std::move(made.file));
            }
        });
    if (end == CommandProgress::End::kCancelled)
        return;
    if (end == CommandProgress::End::kOutOfMemory) {
        wait.End();
        AfxMessageBox(kFailure, MB_ICONERROR, 0, OutOfMemoryDetail());
        return;
    }

    if (g_nError == 1) {
        wait.End();
        // The reason at once, under the message; the path and where exactly in the detail.
        AfxMessageBox(kFailure, MB_ICONERROR, 0, FailureDetail(strPath, result),
                      FailureReason(strPath, result));
        g_nError = 0;
        return; // the content box keeps its text
    }

    OnContentChanged();
    // The save dialog starts where the work is.
    CFileDialog::RememberFolderOf(QString::fromStdU16String(strPath));

    wait.End();
    // A guess that was close, or refused the file's mark, says so under the message, as long as
    // the encoding read with is the one it chose.
    AfxMessageBox(u"読み込み完了", MB_ICONINFORMATION, 0, {}, m_guessNote);
}
