// vna-update-server: a local stand-in for the firmware update server, so that a firmware update can
// be tried and tested offline. It listens on 127.0.0.1 only.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "UpdateServer.h"
#include "UpdateServerConfig.h"

namespace {

int fail(const QString& text)
{
    std::fprintf(stderr, "vna-update-server: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vna-update-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A local firmware update server on 127.0.0.1. It answers POST requests to update.php with the\n"
        "newest version and image found in the images directory (files named X.Y.Z.bin) and prints\n"
        "one line per request on standard output."));
    parser.addHelpOption();
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("TCP port on 127.0.0.1; 0 chooses a free one (default)."),
                                     QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption imagesOpt(QStringLiteral("images"),
                                       QStringLiteral("Directory of firmware images named X.Y.Z.bin; the "
                                                      "highest version is the newest."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption failOpt(
        QStringLiteral("fail"),
        QStringLiteral("Answer with a failure: bin-not-found, not-available, empty, garbage, bad-base64, "
                       "slow or throttled."),
        QStringLiteral("MODE"), QStringLiteral("none"));
    const QCommandLineOption slowOpt(QStringLiteral("slow-ms"),
                                     QStringLiteral("How long --fail slow holds each answer back (default "
                                                    "10000)."),
                                     QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption rateOpt(QStringLiteral("rate"),
                                     QStringLiteral("Bytes per second of --fail throttled (default 40000)."),
                                     QStringLiteral("N"), QStringLiteral("40000"));
    const QCommandLineOption compactOpt(QStringLiteral("compact"),
                                        QStringLiteral("Answer \"#OK:\" without the blank after it."));
    const QCommandLineOption eofOpt(
        QStringLiteral("quit-on-eof"),
        QStringLiteral("Quit when standard input closes (for scripts and tests)."));
    parser.addOptions({portOpt, imagesOpt, failOpt, slowOpt, rateOpt, compactOpt, eofOpt});
    parser.process(app);

    UpdateServerConfig config;
    bool ok = false;
    const uint port = parser.value(portOpt).toUInt(&ok);
    if (!ok || port > 65535)
        return fail(QStringLiteral("--port takes 0 .. 65535"));
    config.port = quint16(port);
    config.imagesDir = parser.value(imagesOpt);
    if (!config.imagesDir.isEmpty() && !QDir(config.imagesDir).exists())
        return fail(QStringLiteral("--images: no directory %1").arg(config.imagesDir));
    config.fail = UpdateServer::failFromName(parser.value(failOpt), &ok);
    if (!ok)
        return fail(QStringLiteral("--fail takes bin-not-found, not-available, empty, garbage, bad-base64, "
                                   "slow or throttled"));
    config.slowMs = parser.value(slowOpt).toInt(&ok);
    if (!ok || config.slowMs < 0 || config.slowMs > 600000)
        return fail(QStringLiteral("--slow-ms takes 0 .. 600000"));
    config.rateBytesPerSecond = parser.value(rateOpt).toInt(&ok);
    if (!ok || config.rateBytesPerSecond < 10 || config.rateBytesPerSecond > 100000000)
        return fail(QStringLiteral("--rate takes 10 .. 100000000"));
    config.compact = parser.isSet(compactOpt);
    config.quitOnEof = parser.isSet(eofOpt);

    UpdateServer server(config);
    QString why;
    if (!server.listen(&why))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(config.port).arg(why));

    std::unique_ptr<QSocketNotifier> input;
    if (config.quitOnEof) {
        input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(input.get(), &QSocketNotifier::activated, &app, [&input] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
            if (n <= 0) {
                input->setEnabled(false);
                QCoreApplication::quit();
            }
        });
    }

    std::printf("listening on http://127.0.0.1:%u/\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
