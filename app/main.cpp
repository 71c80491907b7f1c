#include "app/CommandLine.h"
#include "app/cli/CommandLineJob.h"
#include "app/cli/JobFlags.h"
#include "app/TandrelApp.h"

int main(int argc, char* argv[]) {
    // A job for a script runs without a display: no application object is made for it.
    if (IsCommandLineJob(argc, argv))
        return RunCommandLineJob(argc, argv);
    AnswerHelpAndVersion(argc, argv); // before anything reaches for a display
    CTandrelApp theApp(argc, argv);
    // The dialog is the whole program: InitInstance runs it to its end and reports that there
    // is nothing left to run.
    theApp.InitInstance();
    return 0;
}
