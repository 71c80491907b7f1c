// The main window: pick a file and its encoding, load it into the content box (Open), reduce the
// content to its distinct non-empty lines in the result box (Run), and save that result (Save).
// The commands talk to each other only through the document state (core/DocumentState.h).
#pragma once

#include "platform/Dialog.h"

#include <QIcon>

class CComboBoxEx;
class CEdit;
class CMFCEditBrowseCtrl;

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
    // The counts of the Run that took nLineCount lines of g_vTextLines to nResultCount, as the
    // tooltip of the label over the result box.
    void ShowRunSummary(int nLineCount, int nResultCount);
    // The picture shown while the minimized window is dragged.
    QIcon OnQueryDragIcon() const;

    // Whether the result box shows what Run made of the content box's text as it is now: a
    // result whose text has changed since (Open, typing, paste, undo) is out of date, shown
    // greyed, and saved only once the user has said so.
    enum class ResultAge { kNone, kCurrent, kOutOfDate };
    ResultAge m_resultAge = ResultAge::kNone;
    void OnContentChanged();
    void ShowResultCurrent();
    // For Save: true when the result is current, or the user chose to save it all the same.
    bool ConfirmSaveOfResult();

private slots:
    void OnSysCommand(unsigned nID, qintptr lParam);
    void OnBnClickedOpen();
    void OnBnClickedRun();
    void OnVersionInfo();
    void OnCbnSelchangeEncoding();
    // A path arrived in the path box (browse button, drop, command line): the encoding the
    // file's first bytes show is chosen in the list, as if the user had chosen it.
    void OnPathChosen(const QString& path);
    void OnBnClickedSave();
};
