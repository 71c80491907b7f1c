// Where the program's own documents are, as the file:// addresses that the window's two links
// show and open.
#pragma once

#include <QString>

// The address of document fileName ("README.md", "LICENSE"): the installed copy beside the
// program (<prefix>/TANDREL_DOC_FOLDER, the program being <prefix>/bin/tandrel) when it exists;
// else, for a program run from its build tree, the copy in the source tree; else the installed
// place all the same, the one place where the document belongs.
QString DocumentAddress(const QString& fileName);

// The folder that holds the documents, as an absolute path ending in "/", chosen as above.
QString DocumentFolder();
