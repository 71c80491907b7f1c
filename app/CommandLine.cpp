#include "app/CommandLine.h"

#include "app/cli/ProgramFlags.h"
#include "core/files/FileSystemNames.h"

#include <QDir>
#include <QUrl>
#include <cerrno>
#include <unistd.h>

namespace {

QString NameOf(std::string_view bytes) {
    return QString::fromStdU16String(NameOfFileSystemPath(bytes));
}

QString CurrentFolder() {
    std::string folder(256, '\0');
    while (getcwd(folder.data(), folder.size()) == nullptr && errno == ERANGE)
        folder.resize(folder.size() * 2);
    return NameOf(folder.c_str());
}

} // namespace

QString FileNameFromCommandLine(int argc, char** argv) {
    // main has answered a command line with a mistake in it; the window opens the first file.
    const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
    if (parsed.line.inputs.empty() || parsed.line.inputs.front().empty())
        return {};
    QString name = NameOf(parsed.line.inputs.front());
    if (const QUrl url(name); url.isLocalFile())
        name = NameOf(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    return QDir::cleanPath(QDir::isAbsolutePath(name) ? name : CurrentFolder() + u'/' + name);
}
