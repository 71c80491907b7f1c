// The application object: owns Qt's application and runs the program's one dialog.
#pragma once

#include <QApplication>

class QWidget;

class CTandrelApp {
public:
    // argc and argv are main's: Qt takes its own options (-platform, -style, ...) from them,
    // then the program its own (CommandLine.h): the first file named is the one the window
    // starts with. Names the application after its version block.
    CTandrelApp(int& argc, char** argv);

    CTandrelApp(const CTandrelApp&) = delete;
    CTandrelApp& operator=(const CTandrelApp&) = delete;

    // Runs the main dialog modally until it ends, however it ends, and returns false: the
    // dialog was the whole program, so there is no event loop left to enter.
    bool InitInstance();

    // The main dialog while it runs; nullptr before and after.
    QWidget* m_pMainWnd = nullptr;

private:
    // The heap's policy (core/base/HeapTuning.h) holds only for threads started after it is
    // set, and Qt's application starts threads of its own: so it is set first, before m_app.
    struct HeapPolicy {
        HeapPolicy();
    } m_heapPolicy;
    QApplication m_app;
    // The absolute path of the file named on the command line; empty when none was named.
    QString m_strFileName;
};
