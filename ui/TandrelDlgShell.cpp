// The shell's handlers of the main window: the window menu's commands, the minimized window's
// picture and the About box.
// The About box's class belongs to the application, but it is header-only and the window menu
// shows it: the one place the window reaches up into app/.
#include "app/AboutDlg.h"
#include "platform/WindowIcon.h"
#include "platform/WindowMenu.h"
#include "res/BuildFacts.h"
#include "res/ResourceIds.h"
#include "ui/DocumentAddresses.h"
#include "ui/TandrelDlg.h"

#include <QLabel>
#include <QPainter>

namespace {

// The About box's template can only name the documents' folder inside an installation; the
// box shows the absolute folder where this program finds them.
void ShowDocumentFolder(QDialog& dlgAbout) {
    static const QLatin1String kInstalledFolder(TANDREL_DOC_FOLDER);
    for (QLabel* pLabel : dlgAbout.findChildren<QLabel*>())
        if (pLabel->text().endsWith(kInstalledFolder))
            pLabel->setText(pLabel->text().chopped(kInstalledFolder.size()) + DocumentFolder());
}

} // namespace

void CTandrelDlg::OnSysCommand(unsigned nID, qintptr lParam) {
    // The low four bits of a window-menu command are the platform's own.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        ShowDocumentFolder(dlgAbout);
        dlgAbout.DoModal();
    } else {
        DefWindowSysCommand(this, nID, lParam);
    }
}

void CTandrelDlg::paintEvent(QPaintEvent* pEvent) {
    OnPaint(pEvent);
}

void CTandrelDlg::OnPaint(QPaintEvent* pEvent) {
    if (!isMinimized()) {
        CDialogEx::paintEvent(pEvent);
        return;
    }
    // Minimized, the window is only its icon, centred on the window's background.
    QPainter dc(this);
    dc.fillRect(rect(), palette().window());
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    const int x = CenteredIconOrigin(width(), cxIcon);
    const int y = CenteredIconOrigin(height(), cyIcon);
    DrawIcon(dc, x, y, m_hIcon);
}

QIcon CTandrelDlg::OnQueryDragIcon() const {
    return m_hIcon;
}

void CTandrelDlg::OnVersionInfo() {
    // The same template as the window menu's route, in a plain dialog.
    CDialog dlg(kAboutBoxTemplate, this, LoadIcon);
    ShowDocumentFolder(dlg);
    dlg.DoModal();
}
