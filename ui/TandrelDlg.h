// The main window: pick a file and its encoding, load it into the content box (Open), reduce the
// content to its distinct non-empty lines in the result box (Run), and save that result (Save).
// The commands talk to each other only through the document state (core/document/DocumentState.h).
#pragma once

#include "core/base/OperationProgress.h"
#include "core/compare/CompareOptions.h"
#include "core/document/RunSummary.h"
#include "core/lines/LineEnd.h"
#include "core/lines/LineList.h"
#include "platform/Dialog.h"

#include <QIcon>
#include <QStringList>
#include <QThread>
#include <cstdint>
#include <memory>
#include <string>

class CComboBoxEx;
class CEdit;
class CLineMargin;
class CMFCEditBrowseCtrl;
class OptionMenu;
struct EncodingGuess;
struct RunCounts;
struct RunLineMap;

class CTandrelDlg : public CDialogEx {
    Q_OBJECT

public:
    explicit CTandrelDlg(QWidget* pParent = nullptr);
    ~CTandrelDlg() override;

    // Puts path into the path box as if it had been chosen with the browse button (the
    // command line and "Open with" come this way); nothing is loaded until Open.
    void ChooseFile(const QString& path);

protected:
    QIcon m_hIcon;
    CMFCEditBrowseCtrl* m_editFilePath = nullptr; // the file to load; filled by its browse button
    CEdit* m_editContent = nullptr;               // the loaded or typed text: Run's input
    CComboBoxEx* m_comboEncoding = nullptr;       // the encoding of both loading and saving
    CEdit* m_editResult = nullptr;                // Run's output, and Save's guard
    CLineMargin* m_marginContent = nullptr;       // the lines the last Run left out
    CLineMargin* m_marginResult = nullptr;        // the lines each result line stands for
    OptionMenu* m_optionMenu = nullptr;           // the remembered options, Run's and Save's
    // The line ends of the file last opened, for saving with the ends it came with.
    LineEndCounts m_openedLineEnds;
    // The content box's lines as Run's split would give them, made by Open while the box holds
    // the text it loaded (taken: CEdit::TakenText then; 0 when there are none): Run takes them
    // instead of splitting that text again.
    struct LinesAhead {
        std::uint64_t taken = 0;
        LineList lines;
    };
    LinesAhead m_contentSplit;
    // The text the result box took from the last Run (CEdit::TakenText then; 0 before any): while
    // the box still holds it, its buffer holds the result lines, each followed by CR LF.
    std::uint64_t m_resultTaken = 0;
    // The encoding guess of the path last chosen, on a worker.
    std::unique_ptr<QThread> m_guessThread;
    std::shared_ptr<OperationProgress> m_guessProgress = std::make_shared<OperationProgress>();
    std::uint64_t m_guessGeneration = 0;
    // What the guess has to say (EncodingGuessNote) while its encoding is the one chosen.
    std::u16string m_guessNote;

    void DoDataExchange() override;
    bool OnInitDialog() override;
    // WM_PAINT, handled by OnPaint.
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // Ties every command of the window to its handler, in one place.
    void ConnectMessageMap();
    // The captions of the two links: the addresses of the program's README and LICENSE.
    void ShowDocumentLinks();
    void OnPaint(QPaintEvent* pEvent);
    // Stops the encoding guess of the last path chosen, if it still runs, and drops its result.
    void AbandonEncodingGuess();
    // Chooses the guessed encoding, if any, and keeps the guess's note.
    void ApplyEncodingGuess(const EncodingGuess& guess);
    // The line end Save writes, as 「保存時の改行コード」 says.
    LineEnd SaveLineEnd() const;
    // The comparison options as the menu shows them.
    CompareOptions ChosenCompareOptions() const;
    // The menu texts of the options that are on in options, in the menu's order.
    QStringList CompareOptionTexts(const CompareOptions& options) const;
    // What the last Run did: the lines it left out in the content box's margin, the lines
    // each kept line stands for in the result box's, and as the tooltip of the label over the
    // result box a summary: the counts, a note when the text seemed to end its lines in lone
    // CRs, and the options that were on. Returns the summary.
    std::u16string ShowRunLineMap(std::shared_ptr<const RunLineMap> map, const RunCounts& counts,
                                  const CompareOptions& options, bool loneCrs);
    // The picture shown while the minimized window is dragged.
    QIcon OnQueryDragIcon() const;

    // Whether the result box shows what Run made of the content box's text as it is now, with
    // the options the menu shows now: a result whose text has changed since (Open, typing,
    // paste, undo), or whose options differ from those on the menu, is out of date, shown
    // greyed without its marks and counts, and saved only once the user has said so. Choosing
    // the Run's options again makes it current again; a change of the text stays.
    enum class ResultAge { kNone, kCurrent, kOutOfDate };
    ResultAge m_resultAge = ResultAge::kNone;
    // What the result box's Run was made from and what it did, to show again once current.
    struct ShownRun {
        CompareOptions options;
        bool textChanged = false; // the content box's text changed since
        std::shared_ptr<const RunLineMap> map;
        RunCounts counts;
        bool loneCrs = false; // the text seemed to end its lines in lone CRs
    };
    ShownRun m_shownRun;
    void OnContentChanged();
    // Shows the result of a Run just made of the text as current. Returns the counts' text.
    std::u16string ShowNewResult(std::shared_ptr<const RunLineMap> map, const RunCounts& counts,
                                 const CompareOptions& options, bool loneCrs);
    // Shows the result as current or out of date, as the text and the options now make it.
    void ShowResultAge();
    // For Save: true when the result is current, or the user chose to save it all the same.
    bool ConfirmSaveOfResult();

private slots:
    void OnSysCommand(unsigned nID, qintptr lParam);
    void OnBnClickedOpen();
    void OnBnClickedRun();
    void OnVersionInfo();
    void OnCbnSelchangeEncoding();
    // A path arrived in the path box (browse button, drop, command line): the encoding the
    // file's bytes show is chosen in the list, as if the user had chosen it, once the worker
    // that reads them is done, unless the user chose an encoding or pressed 開く meanwhile.
    void OnPathChosen(const QString& path);
    void OnBnClickedSave();
};
