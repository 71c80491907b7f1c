// The command line's job: `tandrel --output OUT [options] [IN]` removes the duplicate and empty
// lines of IN as Open, Run and Save in the window would, and ends, without a display. Its flags
// are in ProgramFlags.h.
#pragma once

#include <optional>

struct ParsedCommandLine;

// Answers whatever the command line asks that needs no window, and returns the process's exit
// status: a usage error (2), --help and --version (0), or the job (0 done, 1 the input or
// output failed). Messages go to standard error, in the user's language (Messages.h). Returns
// nothing when the command line asks for the window.
std::optional<int> AnswerWithoutWindow(const ParsedCommandLine& parsed);
