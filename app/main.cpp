#include "app/CommandLine.h"
#include "app/TandrelApp.h"

int main(int argc, char* argv[]) {
    AnswerHelpAndVersion(argc, argv); // before anything reaches for a display
    CTandrelApp theApp(argc, argv);
    // The dialog is the whole program: InitInstance runs it to its end and reports that there
    // is nothing left to run.
    theApp.InitInstance();
    return 0;
}
