#include "core/CommandLine.h"

#include "core/AppVersion.h"

namespace ZCore {

namespace {

CommandLine::TOptions invalid(const QString& error)
{
    CommandLine::TOptions options;
    options.action = CommandLine::EAction::INVALID;
    options.error = error;
    return options;
}

} // namespace

CommandLine::TOptions CommandLine::parse(const QStringList& arguments)
{
    TOptions options;
    bool helpAsked = false;
    bool versionAsked = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        QString value;
        bool hasValue = false;
        // Both "--port PATH" and "--port=PATH"
        const int equals = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && equals > 2) {
            value = name.mid(equals + 1);
            name = name.left(equals);
            hasValue = true;
        }
        const bool takesValue = name == QLatin1String("--data-dir") || name == QLatin1String("--port") ||
                                name == QLatin1String("--remote-port");
        if (takesValue && !hasValue) {
            if (i + 1 >= arguments.size())
                return invalid(QStringLiteral("%1 needs a value").arg(name));
            value = arguments.at(++i);
            hasValue = true;
        }
        if (!takesValue && hasValue)
            return invalid(QStringLiteral("%1 takes no value").arg(name));

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            helpAsked = true;
        } else if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
            versionAsked = true;
        } else if (name == QLatin1String("--data-dir")) {
            if (value.isEmpty())
                return invalid(QStringLiteral("--data-dir needs a folder"));
            options.dataDir = value;
        } else if (name == QLatin1String("--port")) {
            if (value.isEmpty())
                return invalid(QStringLiteral("--port needs a port path"));
            options.port = value;
        } else if (name == QLatin1String("--remote-port")) {
            bool ok = false;
            const uint port = value.toUInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return invalid(QStringLiteral("--remote-port must be a TCP port from 1 to 65535, not \"%1\"")
                                   .arg(value));
            options.remotePort = int(port);
        } else if (name.startsWith(QLatin1Char('-'))) {
            return invalid(QStringLiteral("unknown option %1").arg(name));
        } else {
            return invalid(QStringLiteral("unexpected argument \"%1\"").arg(name));
        }
    }
    if (helpAsked)
        options.action = EAction::HELP;
    else if (versionAsked)
        options.action = EAction::VERSION;
    return options;
}

QString CommandLine::usage(const QString& program)
{
    return QStringLiteral(
               "Usage: %1 [options]\n"
               "Shows and records the measurements of a one-port vector network analyser.\n"
               "\n"
               "Options:\n"
               "  -h, --help           print this text and exit\n"
               "  -v, --version        print the version and exit\n"
               "  --data-dir DIR       keep logs, profiles, calibrations, traces and images in DIR\n"
               "                       (default: beside the program when that folder is writable,\n"
               "                       otherwise ~/.local/share/TolvekVNA; TOLVEKVNA_DATA_DIR also\n"
               "                       chooses one)\n"
               "  --port PATH          connect to the analyser on this serial port at start\n"
               "  --remote-port N      accept remote-control commands on 127.0.0.1 port N\n"
               "\n"
               "Measurements without a window: tolvekvna-measure --help\n")
        .arg(program);
}

QString CommandLine::versionLine()
{
    return QStringLiteral("TolvekVNA %1").arg(AppVersion::text());
}

} // namespace ZCore
