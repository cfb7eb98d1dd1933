#pragma once

#include <QString>
#include <QStringList>

namespace ZCore {

// The program's command-line options. All are optional; without any the program starts as it
// always has. Parsed before the application object exists, so --help and --version work where no
// display can be opened.
class CommandLine
{
public:
    enum class EAction
    {
        RUN,
        HELP,    // print the usage, exit 0
        VERSION, // print the version, exit 0
        INVALID, // print the error and the usage, exit 2
    };

    static constexpr int EXIT_USAGE = 2;

    struct TOptions
    {
        EAction action = EAction::RUN;
        QString error;
        QString dataDir;
        QString port;
        int remotePort = 0; // 0: not given
    };

    // arguments without the program name
    static TOptions parse(const QStringList& arguments);
    static QString usage(const QString& program);
    static QString versionLine();
};

} // namespace ZCore
