// The file the window opens with, from the command line (app/cli/ProgramFlags.h reads it).
#pragma once

#include <QString>

// The first file the command line names, as an absolute path; empty when none is named. argv is
// taken as the very bytes it holds, so a name that is not UTF-8 still names its file
// (core/files/FileSystemNames.h). File managers may pass a file:// address instead of a path.
QString FileNameFromCommandLine(int argc, char** argv);
