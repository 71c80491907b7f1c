#include "app/CommandLine.h"

#include "app/cli/JobFlags.h"
#include "core/files/FileSystemNames.h"
#include "platform/JapaneseTranslations.h"
#include "platform/QtStrings.h"
#include "res/VersionInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString NameOf(std::string_view bytes) {
    return QString::fromStdU16String(NameOfFileSystemPath(bytes));
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += NameOf(argv[i]);
    return arguments;
}

QString CurrentFolder() {
    std::string folder(256, '\0');
    while (getcwd(folder.data(), folder.size()) == nullptr && errno == ERANGE)
        folder.resize(folder.size() * 2);
    return NameOf(folder.c_str());
}

const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")},
                               QStringLiteral("このヘルプを表示して終了します。"));
const QCommandLineOption kVersion({QStringLiteral("v"), QStringLiteral("version")},
                                  QStringLiteral("バージョン情報を表示して終了します。"));

} // namespace

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QString::fromUtf8(kFileDescription));
    // Qt's own help options would describe themselves in English, and --help-all would list
    // Qt's options, which are no business of the program's users.
    parser.addOption(kHelp);
    parser.addOption(kVersion);
    // Listed for --help only: a command line that names them runs the job, not the window.
    for (const JobFlag& flag : JobFlags())
        parser.addOption(QCommandLineOption(ToQString(flag.name.substr(2)), ToQString(flag.help),
                                            ToQString(flag.valueName)));
    parser.addPositionalArgument(QStringLiteral("ファイル"),
                                 QStringLiteral("開くテキストファイル（二つ目からは使いません）"),
                                 QStringLiteral("[ファイル...]"));
}

void AnswerHelpAndVersion(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* option : {"-h", "--help", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(kProductName));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kProductVersion));
    InstallJapaneseTranslations(app);
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    // Options meant for the window system (-platform and the like) are unknown to the parser;
    // they change nothing about the answer.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(kVersion))
        parser.showVersion();
    parser.showHelp();
}

QString FileNameFromCommandLine(int argc, char** argv) {
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    parser.process(Arguments(argc, argv));
    const QStringList names = parser.positionalArguments();
    if (names.isEmpty() || names.constFirst().isEmpty())
        return {};
    QString name = names.constFirst();
    if (const QUrl url(name); url.isLocalFile())
        name = NameOf(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    return QDir::cleanPath(QDir::isAbsolutePath(name) ? name : CurrentFolder() + u'/' + name);
}
