// The command line's job: `tandrel --output OUT [options] [IN]` removes the duplicate and empty
// lines of IN as Open, Run and Save in the window would, and ends, without a display. Its flags
// are in JobFlags.h.
#pragma once

// Runs the job and returns the process's exit status: 0 done, 1 the input or output failed,
// 2 the command line was wrong. Messages go to standard error, in Japanese.
int RunCommandLineJob(int argc, char** argv);
