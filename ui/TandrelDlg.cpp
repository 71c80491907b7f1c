#include "ui/TandrelDlg.h"

#include "core/document/DocumentState.h"
#include "core/encoding/EncodingChoices.h"
#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "platform/FileDropTarget.h"
#include "platform/LineMargin.h"
#include "platform/LinkCtrl.h"
#include "platform/WindowMenu.h"
#include "res/AppIcon.h"
#include "res/MainDialog.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "ui/DocumentAddresses.h"
#include "ui/OptionMenu.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>

CTandrelDlg::CTandrelDlg(QWidget* pParent)
    : CDialogEx(kMainDialogTemplate, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {
    // One font everywhere: the message boxes, menus and file dialogs take the window's.
    QApplication::setFont(font());
    ShowDocumentLinks();
    m_optionMenu = new OptionMenu(*this);
    ConnectMessageMap();
    OnInitDialog();
}

CTandrelDlg::~CTandrelDlg() {
    AbandonEncodingGuess();
}

void CTandrelDlg::ConnectMessageMap() {
    const auto button = [this](int nID) { return qobject_cast<QPushButton*>(GetDlgItem(nID)); };
    connect(GetSystemMenu(this, false), &CWindowMenu::SysCommand, this, &CTandrelDlg::OnSysCommand);
    // IDOK and IDCANCEL ("終了") end the dialog through the base class (OnOK, OnCancel).
    connect(button(IDC_OPEN), &QPushButton::clicked, this, &CTandrelDlg::OnBnClickedOpen);
    connect(button(IDC_RUN), &QPushButton::clicked, this, &CTandrelDlg::OnBnClickedRun);
    connect(GetMenuCommand(ID_VERSION_INFO), &QAction::triggered, this,
            &CTandrelDlg::OnVersionInfo);
    // A choice the user makes in the list, not a selection the program sets.
    connect(qobject_cast<CComboBoxEx*>(GetDlgItem(IDC_ENCODING)), &CComboBoxEx::activated, this,
            &CTandrelDlg::OnCbnSelchangeEncoding);
    connect(button(IDC_SAVE), &QPushButton::clicked, this, &CTandrelDlg::OnBnClickedSave);
    // Whatever changes the text after a Run leaves the result out of date.
    connect(qobject_cast<CEdit*>(GetDlgItem(IDC_CONTENT)), &CEdit::textChanged, this,
            &CTandrelDlg::OnContentChanged);
    // So does another choice of the options Run reads, until they are chosen back.
    connect(m_optionMenu, &OptionMenu::Changed, this, &CTandrelDlg::ShowResultAge);
    auto* pPathBox = qobject_cast<CMFCEditBrowseCtrl*>(GetDlgItem(IDC_FILEPATH));
    connect(pPathBox, &CMFCEditBrowseCtrl::PathChosen, this, &CTandrelDlg::OnPathChosen);
    // A file dropped anywhere on the window is chosen as the browse button chooses it.
    connect(new CFileDropTarget(this), &CFileDropTarget::FileDropped, pPathBox,
            &CMFCEditBrowseCtrl::ChoosePath);
}

void CTandrelDlg::ShowDocumentLinks() {
    const auto link = [this](int nID) { return qobject_cast<CMFCLinkCtrl*>(GetDlgItem(nID)); };
    link(IDC_LINK1)->setText(DocumentAddress(QStringLiteral("README.md")));
    link(IDC_LINK2)->setText(DocumentAddress(QStringLiteral("LICENSE")));
}

void CTandrelDlg::DoDataExchange() {
    CDialogEx::DoDataExchange();
    DDX_Control(IDC_FILEPATH, m_editFilePath);
    DDX_Control(IDC_CONTENT, m_editContent);
    DDX_Control(IDC_ENCODING, m_comboEncoding);
    DDX_Control(IDC_RESULT, m_editResult);
    m_marginContent = new CLineMargin(m_editContent, false);
    m_marginResult = new CLineMargin(m_editResult, true);
}

bool CTandrelDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    // The About entry goes at the end of the window menu, unless its text is missing.
    if (CWindowMenu* pSysMenu = GetSystemMenu(this, false)) {
        const QString strAboutMenu = LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.isEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }
    // The one icon carries every size, so it serves as both the large and the small icon.
    setWindowIcon(m_hIcon);

    // An item's position is its encoding's value, so the selection is g_nEncoding as it is.
    for (const EncodingChoice& encoding : kEncodingChoices)
        m_comboEncoding->InsertItem(encoding.value, encoding.itemText);
    m_comboEncoding->SetCurSel(0);
    return true;
}

void CTandrelDlg::ChooseFile(const QString& path) {
    m_editFilePath->ChoosePath(path);
}

void CTandrelDlg::OnCbnSelchangeEncoding() {
    AbandonEncodingGuess(); // the user's choice stands
    m_guessNote.clear();
    g_nEncoding = qobject_cast<CComboBoxEx*>(GetDlgItem(IDC_ENCODING))->GetCurSel();
}

CompareOptions CTandrelDlg::ChosenCompareOptions() const {
    return m_optionMenu->ChosenCompareOptions();
}

QStringList CTandrelDlg::CompareOptionTexts(const CompareOptions& options) const {
    return m_optionMenu->CompareOptionTexts(options);
}
