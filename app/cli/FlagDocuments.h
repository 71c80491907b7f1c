// What the program says about its arguments, made from the flag table (ProgramFlags.h): --help,
// the usage line of a usage error, --version, and the manual page and bash completion that the
// build makes and installs (gen/WriteFlagDocuments.cpp).
#pragma once

#include <string>

// "Tandrel 2.0.1.2": --version, and the first line of --help.
std::string VersionLine();

// "Usage: tandrel ...", translated, without a line end.
std::string UsageLine();

// What --help prints, translated, UTF-8.
std::string HelpText();

// The manual page tandrel.1 in man(7) form, in the language of the message catalogue in force.
std::string ManualPage();

// A bash completion script for tandrel: the flags, the encoding and line-end names, and files.
std::string BashCompletion();
