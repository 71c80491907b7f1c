// The Save command: the lines of the last Run, each ended by a line feed, into a file the user
// names, in the chosen encoding.
#include "core/document/DocumentState.h"
#include "core/files/EncodedTextFiles.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/FailureText.h"
#include "platform/Edit.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "res/ResourceIds.h"
#include "ui/CommandProgress.h"
#include "ui/OptionMenu.h"
#include "ui/TandrelDlg.h"

#include <optional>
#include <string_view>

void CTandrelDlg::OnBnClickedSave() {
    g_nError = 0;

    if (m_editResult->GetWindowTextLength() == 0) {
        AfxMessageBox(u"保存するデーターがありません。", MB_ICONERROR, 0);
        return;
    }
    if (!ConfirmSaveOfResult())
        return;

    // The text to save is every line of g_vResultLines followed by "\n". Nothing can change
    // the list while the dialog is open, so the writer takes the lines as they stand instead
    // of one joined copy the size of the file.
    const LineList& lines = g_vResultLines;
    // Where the result box still holds what Run put there, its buffer holds those lines already
    // encoded, which in UTF-8 is the file's text itself (WriteFileBoxLines). Its rows are lines
    // then, one more than them for the empty one after the last line end.
    const bool boxHoldsLines = m_resultTaken != 0 && m_resultTaken == m_editResult->TakenText() &&
                               static_cast<std::size_t>(m_editResult->lines()) == lines.size() + 1;
    const std::string_view shown = boxHoldsLines ? m_editResult->TextBytes() : std::string_view();

    // Saving under a new name must be possible, so the chosen file need not exist; a file that
    // does exist is replaced without a question.
    CFileDialog dlgSave(false, u"", u"", OFN_HIDEREADONLY,
                        u"全て(*.*)|*.*|テキストファイル(*.txt)|*.txt||", this);
    std::u16string strPath;
    if (dlgSave.DoModal() == IDOK)
        strPath = dlgSave.GetPathName();

    WaitCursor wait;
    // A cancelled dialog leaves the path empty; the writer then fails, and says so.
    const EncodingChoice* encoding = FindEncodingChoice(g_nEncoding);
    FileResult written;
    const LineEnd lineEnd = SaveLineEnd();
    CommandProgress command(this, QStringLiteral("保存中…"));
    const CommandProgress::End end = command.Run(
        [&](OperationProgress& progress) {
            if (!encoding)
                return FileResult{};
            if (std::optional<FileResult> written =
                    WriteFileBoxLines(strPath, *encoding, shown, &progress, lineEnd))
                return *written;
            // Lines kept as bytes are written from their units, made here where a stop is seen.
            lines.DecodeUnits(&progress);
            return WriteFileLines(strPath, *encoding, lines, &progress, lineEnd);
        },
        [&](FileResult result) { written = result; });
    if (end == CommandProgress::End::kCancelled)
        return; // the target was not touched
    if (end == CommandProgress::End::kOutOfMemory)
        written = {FileFailure::kOutOfMemory};
    if (!written.Succeeded())
        g_nError = 1;

    wait.End();
    if (g_nError == 1) {
        // A line number counts the lines of the result box, which shows no numbers: the
        // words say so, and the line is selected there once the message is read.
        constexpr std::u16string_view kLines = u"処理結果の ";
        AfxMessageBox(u"ファイルを保存できませんでした。", MB_ICONERROR, 0,
                      FailureDetail(strPath, written, kLines),
                      FailureReason(strPath, written, kLines));
        g_nError = 0;
        if (written.failure == FileFailure::kUnmappableCharacter && written.line > 0) {
            m_editResult->SelectTextLine(written.line - 1);
            m_editResult->setFocus();
        }
    } else {
        AfxMessageBox(u"ファイルを保存しました。", MB_ICONINFORMATION, 0);
    }
}

LineEnd CTandrelDlg::SaveLineEnd() const {
    return LineEndFor(static_cast<LineEndChoice>(m_optionMenu->Chosen(kSaveLineEndSetting)),
                      m_openedLineEnds);
}
