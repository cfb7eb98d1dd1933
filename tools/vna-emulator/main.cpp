// vna-emulator: a virtual one-port analyser on a pseudo-terminal, for trying the program without
// hardware and for end-to-end tests and benchmarks through the real serial stack.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "AnalyserEmulator.h"
#include "DutModel.h"
#include "EmulatorConfig.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    if (g_signalPipe[1] >= 0)
        (void)!::write(g_signalPipe[1], &c, 1);
}

bool parseTriple(const QString& text, QChar sep, quint32 (&out)[3])
{
    const QStringList parts = text.split(sep);
    if (parts.size() != 3)
        return false;
    quint32 v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toUInt(&ok);
        if (!ok)
            return false;
    }
    for (int i = 0; i < 3; ++i)
        out[i] = v[i];
    return true;
}

// Reads back what the option text tells the program, so the factory grid and slot count agree with it.
void applyOptionText(EmulatorConfig& config)
{
    for (const QString& part : config.optionsText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = part.left(eq);
        const QStringList values = part.mid(eq + 1).split(QLatin1Char(','));
        if (key.contains(QLatin1String("SR")) && values.size() >= 2) {
            bool ok1 = false, ok2 = false;
            const qint64 lo = values[0].toLongLong(&ok1);
            const qint64 hi = values[1].toLongLong(&ok2);
            if (ok1 && ok2 && lo >= 0 && hi > lo) {
                config.minHz = lo;
                config.maxHz = hi;
            }
        } else if (key.contains(QLatin1String("BW"))) {
            QVector<quint32> bws;
            for (const QString& v : values) {
                bool ok = false;
                const quint32 bw = v.toUInt(&ok);
                if (ok && bw > 0)
                    bws.append(bw);
            }
            if (!bws.isEmpty())
                config.bandwidthsKHz = bws;
        } else if (key.contains(QLatin1String("PR"))) {
            bool ok = false;
            const int n = values.value(0).toInt(&ok);
            if (ok && n >= 0)
                config.presets = qMin(n, 255);
        }
    }
}

int fail(const QString& text)
{
    std::fprintf(stderr, "vna-emulator: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vna-emulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A virtual one-port vector network analyser on a pseudo-terminal.\n"
        "Control lines on standard input: dut LOAD | unplug | plug | corrupt N | drop N | lose N |\n"
        "late MS | split N | damaged | status | quit. Each is answered with one line (ok ..., error ..., "
        "status "
        "...)."));
    parser.addHelpOption();
    const QCommandLineOption linkOpt(
        QStringLiteral("link"), QStringLiteral("Create a symbolic link PATH to the terminal (required)."),
        QStringLiteral("PATH"));
    const QCommandLineOption dutOpt(
        QStringLiteral("dut"),
        QStringLiteral("Device under test: open, short, load, r=OHMS, rlc=R,L,C or "
                       "cable=LENGTH_M,VF,LOSS_DB_PER_M[,END]. Numbers take f p n u m k M G suffixes. "
                       "Default: %1 (an antenna resonant near 1 GHz).")
            .arg(DutModel::defaultSpec()),
        QStringLiteral("LOAD"));
    const QCommandLineOption boxOpt(QStringLiteral("error-box"),
                                    QStringLiteral("Raw error terms: ideal or typical (default)."),
                                    QStringLiteral("KIND"), QStringLiteral("typical"));
    const QCommandLineOption driftOpt(
        QStringLiteral("drift"),
        QStringLiteral(
            "Let the error box drift by PERCENT from the one the factory calibration was taken "
            "with (default 0): factory-corrected readings go wrong, a user calibration fixes them."),
        QStringLiteral("PERCENT"), QStringLiteral("0"));
    const QCommandLineOption noiseOpt(QStringLiteral("noise"),
                                      QStringLiteral("Complex Gaussian noise in dB relative to full scale, "
                                                     "at the widest bandwidth (default: none)."),
                                      QStringLiteral("DB"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Noise seed (default 1)."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption delayOpt(QStringLiteral("delay-us"),
                                      QStringLiteral("Measurement time per point at the widest bandwidth, "
                                                     "longer in proportion at narrower ones (default 50)."),
                                      QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption idOpt(QStringLiteral("id"),
                                   QStringLiteral("Device identifier (default 2083-1719-77)."),
                                   QStringLiteral("A-B-C"), QStringLiteral("2083-1719-77"));
    const QCommandLineOption fwOpt(QStringLiteral("firmware"),
                                   QStringLiteral("Firmware version (default 2.0.0)."),
                                   QStringLiteral("X.Y.Z"), QStringLiteral("2.0.0"));
    const QCommandLineOption nextFwOpt(
        QStringLiteral("next-firmware"),
        QStringLiteral("Version after a firmware update (default: patch + 1)."), QStringLiteral("X.Y.Z"));
    const QCommandLineOption presetsOpt(
        QStringLiteral("presets"),
        QStringLiteral("Number of presets and user calibration slots (default 4)."), QStringLiteral("N"),
        QStringLiteral("4"));
    const QCommandLineOption optionsOpt(QStringLiteral("options"),
                                        QStringLiteral("Option text reported to the program (default "
                                                       "SR=1000000,6200000000;BW=30,10,3,1;PR=<presets>)."),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption stateOpt(QStringLiteral("state"),
                                      QStringLiteral("Keep the user calibration slots in FILE across runs."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption kitOpt(
        QStringLiteral("kit"),
        QStringLiteral("Calibration kit file: the open, short and load devices under test are these "
                       "standards instead of ideal ones (default: ideal)."),
        QStringLiteral("FILE"));
    const QCommandLineOption eofOpt(
        QStringLiteral("quit-on-eof"),
        QStringLiteral("Quit when standard input closes (for scripts and tests)."));
    const QCommandLineOption noAnnounceOpt(QStringLiteral("no-announce"),
                                           QStringLiteral("Do not announce the port to port listings."));
    parser.addOptions({linkOpt, dutOpt, boxOpt, driftOpt, noiseOpt, seedOpt, delayOpt, idOpt, fwOpt,
                       nextFwOpt, presetsOpt, optionsOpt, stateOpt, kitOpt, eofOpt, noAnnounceOpt});
    parser.process(app);

    EmulatorConfig config;
    config.linkPath = parser.value(linkOpt);
    if (config.linkPath.isEmpty())
        return fail(QStringLiteral("--link PATH is required (see --help)"));
    config.dutSpec = parser.isSet(dutOpt) ? parser.value(dutOpt) : DutModel::defaultSpec();
    QString why;
    if (!DutModel::parse(config.dutSpec, &why))
        return fail(why);
    const QString box = parser.value(boxOpt);
    if (box != QLatin1String("ideal") && box != QLatin1String("typical"))
        return fail(QStringLiteral("--error-box must be ideal or typical"));
    config.typicalErrorBox = box == QLatin1String("typical");
    bool ok = true;
    config.driftPercent = parser.value(driftOpt).toDouble(&ok);
    if (!ok || !(config.driftPercent >= -50.0 && config.driftPercent <= 50.0))
        return fail(QStringLiteral("--drift takes a percentage from -50 to 50"));
    if (parser.isSet(noiseOpt)) {
        config.noiseDb = parser.value(noiseOpt).toDouble(&ok);
        if (!ok || config.noiseDb > 0 || config.noiseDb < -300)
            return fail(QStringLiteral("--noise takes a level in dB at or below 0"));
        config.hasNoise = true;
    }
    config.seed = parser.value(seedOpt).toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed takes an unsigned number"));
    config.delayUs = parser.value(delayOpt).toInt(&ok);
    if (!ok || config.delayUs < 0 || config.delayUs > 1000000)
        return fail(QStringLiteral("--delay-us takes 0 .. 1000000"));
    if (!parseTriple(parser.value(idOpt), QLatin1Char('-'), config.id))
        return fail(QStringLiteral("--id takes A-B-C with unsigned numbers"));
    if (!parseTriple(parser.value(fwOpt), QLatin1Char('.'), config.firmware))
        return fail(QStringLiteral("--firmware takes X.Y.Z"));
    config.nextFirmware[0] = config.firmware[0];
    config.nextFirmware[1] = config.firmware[1];
    config.nextFirmware[2] = config.firmware[2] + 1;
    if (parser.isSet(nextFwOpt) &&
        !parseTriple(parser.value(nextFwOpt), QLatin1Char('.'), config.nextFirmware))
        return fail(QStringLiteral("--next-firmware takes X.Y.Z"));
    config.presets = parser.value(presetsOpt).toInt(&ok);
    if (!ok || config.presets < 0 || config.presets > 255)
        return fail(QStringLiteral("--presets takes 0 .. 255"));
    config.optionsText = parser.isSet(optionsOpt)
                             ? parser.value(optionsOpt)
                             : QStringLiteral("SR=1000000,6200000000;BW=30,10,3,1;PR=%1").arg(config.presets);
    applyOptionText(config);
    config.statePath = parser.value(stateOpt);
    if (parser.isSet(kitOpt) && !ZData::CAL::CalibrationKit::readFile(parser.value(kitOpt), config.kit, &why))
        return fail(QStringLiteral("--kit: ") + why);
    config.quitOnEof = parser.isSet(eofOpt);
    config.announce = !parser.isSet(noAnnounceOpt);

    std::signal(SIGPIPE, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
    }

    AnalyserEmulator emulator(config);
    auto say = [](const QString& text) {
        if (text.isEmpty())
            return;
        std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stdout);
    };
    QObject::connect(&emulator, &AnalyserEmulator::event, &app, say);
    QObject::connect(&emulator, &AnalyserEmulator::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!emulator.plug(&why))
        return fail(QStringLiteral("cannot create the terminal: %1").arg(why));

    QSocketNotifier signalNotifier(g_signalPipe[0] >= 0 ? g_signalPipe[0] : 0, QSocketNotifier::Read);
    signalNotifier.setEnabled(g_signalPipe[0] >= 0);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    QByteArray input;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, &app, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof(buf));
        if (n <= 0) {
            stdinNotifier.setEnabled(false);
            if (config.quitOnEof)
                QCoreApplication::quit();
            return;
        }
        input.append(buf, int(n));
        int nl;
        while ((nl = input.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(input.left(nl));
            input.remove(0, nl + 1);
            say(emulator.control(line));
        }
        if (input.size() > 65536)
            input.clear(); // an endless line is nothing we could act on
    });

    say(config.linkPath);
    return app.exec();
}
