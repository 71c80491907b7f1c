#include "app/TandrelApp.h"
#include "app/cli/CommandLineJob.h"
#include "app/cli/Messages.h"
#include "app/cli/ProgramFlags.h"

int main(int argc, char* argv[]) {
    // The whole command line is read before anything reaches for a display: a mistake, --help,
    // --version and a job for a script are all answered without one, and without an
    // application object.
    UseMessageCatalogue();
    if (const std::optional<int> status = AnswerWithoutWindow(ParseCommandLine(argc, argv)))
        return *status;
    CTandrelApp theApp(argc, argv);
    // The dialog is the whole program: InitInstance runs it to its end and reports that there
    // is nothing left to run.
    theApp.InitInstance();
    return 0;
}
