#include "app/TandrelApp.h"

#include "app/CommandLine.h"
#include "core/base/HeapTuning.h"
#include "platform/JapaneseTranslations.h"
#include "res/VersionInfo.h"
#include "ui/TandrelDlg.h"

CTandrelApp::HeapPolicy::HeapPolicy() {
    KeepLargeBuffersInHeap(); // a process-wide policy, so the process's start-up sets it
}

CTandrelApp::CTandrelApp(int& argc, char** argv) : m_app(argc, argv) {
    QCoreApplication::setApplicationName(QString::fromUtf8(kProductName));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kProductVersion));
    // Lets Wayland and the task bar match the window to tandrel.desktop and its icon. The
    // Japanese display name lives in that entry; as Qt's display name it would be appended to
    // every window caption that does not already end with it ("バージョン情報 — タンドレル").
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopName));
    InstallJapaneseTranslations(m_app);
    m_strFileName = FileNameFromCommandLine(argc, argv); // Qt has taken its own options
}

bool CTandrelApp::InitInstance() {
    // Qt's widgets need no common-controls or shell set-up, and Qt already draws them in the
    // platform's own style and at the screen's scale, so start-up begins with the registry name.
    QCoreApplication::setOrganizationName(
        QStringLiteral("アプリケーション ウィザードで生成されたローカル アプリケーション"));

    CTandrelDlg dlg;
    if (!m_strFileName.isEmpty())
        dlg.ChooseFile(m_strFileName);
    m_pMainWnd = &dlg;
    // However the dialog ends (Exit, Escape, the close box, or not at all), the program ends
    // without a word.
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
