// The program's command line: its options, their Japanese help, and the file it names.
#pragma once

#include <QString>

class QCommandLineParser;

// Puts the program's options and arguments into parser.
void DescribeCommandLine(QCommandLineParser& parser);

// Answers --help (-h) and --version (-v) and ends the process, when the command line asks for
// either; returns otherwise. It comes before the application object, so that both work where no
// display can be reached (over ssh, in a build script).
void AnswerHelpAndVersion(int argc, char** argv);

// The first file the command line names, as an absolute path; empty when none is named. argv is
// taken as the very bytes it holds, so a name that is not UTF-8 still names its file
// (core/files/FileSystemNames.h). File managers may pass a file:// address instead of a path.
QString FileNameFromCommandLine(int argc, char** argv);
