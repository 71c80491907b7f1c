// The shell's handlers of the main window.
#include "ui/TandrelDlg.h"

void CTandrelDlg::OnVersionInfo() {
    // Placeholder until the About box is wired in: it replaces this body.
}
