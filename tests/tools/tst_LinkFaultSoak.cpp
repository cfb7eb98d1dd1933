#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

#include "EmulatorProcess.h"
#include "measurement/TouchstoneFile.h"

using TestSupport::EmulatorProcess;

namespace {

// --timeout of each run. A run may go past it only by the time a process needs to start and stop.
constexpr int RUN_TIMEOUT_S = 8;
constexpr int RUN_SLACK_MS = 3000;
// 100 ohms reflects 1/3 from 50 ohms; the factory calibration of the emulator gets within this.
constexpr double TOLERANCE = 0.01;

int soakSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TOLVEK_SOAK_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 60;
}

quint32 soakSeed()
{
    bool ok = false;
    const int seed = qEnvironmentVariableIntValue("TOLVEK_SOAK_SEED", &ok);
    return ok ? quint32(seed) : 20261206u;
}

// One fault sent to the emulator while a measurement runs.
struct TFault
{
    int atMs = 0;
    QString line;        // control line
    int plugAfterMs = 0; // for unplug: when the cable goes back in
};

// spanMs: how long a clean run takes, so that the faults land inside the runs however fast they are
QList<TFault> drawFaults(QRandomGenerator& rng, int spanMs)
{
    QList<TFault> faults;
    const int count = int(rng.bounded(4)); // none to three faults per run
    for (int i = 0; i < count; ++i) {
        TFault f;
        f.atMs = int(rng.bounded(quint32(qMax(20, spanMs))));
        switch (rng.bounded(6)) {
        case 0:
            f.line = QStringLiteral("corrupt %1").arg(1 + rng.bounded(3));
            break;
        case 1:
            f.line = QStringLiteral("drop %1").arg(1 + rng.bounded(3));
            break;
        case 2:
            f.line = QStringLiteral("split %1").arg(2 + rng.bounded(6));
            break;
        case 3:
            f.line = QStringLiteral("damaged");
            break;
        default:
            f.line = QStringLiteral("unplug");
            // mostly back within the reconnect time, sometimes only after the run gave up
            f.plugAfterMs = rng.bounded(5) == 0 ? (RUN_TIMEOUT_S + 1) * 1000 : int(50 + rng.bounded(1500));
            break;
        }
        faults << f;
    }
    std::sort(faults.begin(), faults.end(), [](const TFault& a, const TFault& b) { return a.atMs < b.atMs; });
    return faults;
}

// Files a finished run may leave behind; anything else is a temporary file that was not cleaned up.
bool isKeptFile(const QString& name)
{
    return name.endsWith(QLatin1String(".log")) || name.endsWith(QLatin1String(".ini")) ||
           name.endsWith(QLatin1String(".cbin"));
}

} // namespace

// The headless command in a loop against the emulator while a seeded random stream of link faults
// goes in. A run may fail, but only plainly: within its time-out, with its exit code and one error
// line, and never with wrong data under exit 0. TOLVEK_SOAK_SECONDS and TOLVEK_SOAK_SEED change the
// length and the stream (scripts/soak.sh).
class tst_LinkFaultSoak : public QObject
{
    Q_OBJECT

private slots:
    void soak()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start({"--dut", "r=100", "--no-announce"}));
        QTemporaryDir dataDir;
        QTemporaryDir outDir;
        QVERIFY(dataDir.isValid() && outDir.isValid());
        const QString out = outDir.filePath("dut.s1p");
        QRandomGenerator rng(soakSeed());
        QMap<int, int> exitCounts; // -1: did not finish in time or crashed
        QStringList failures;
        int runs = 0;
        int faultsSent = 0;
        qint64 cleanMs = 0; // total time of the runs that went through without a fault
        int cleanRuns = 0;
        QDeadlineTimer deadline(qint64(soakSeconds()) * 1000);
        while (!deadline.hasExpired() && failures.size() < 10) {
            ++runs;
            const QList<TFault> faults = drawFaults(rng, cleanRuns ? int(cleanMs / cleanRuns) : 300);
            const QStringList runArgs{"--port",     emu.portPath(),
                                      "--points",   "101",
                                      "--timeout",  QString::number(RUN_TIMEOUT_S),
                                      "--out",      out,
                                      "--data-dir", dataDir.path(),
                                      "--quiet"};
            QProcess measure;
            QElapsedTimer clock;
            measure.start(QStringLiteral(TOLVEK_MEASURE_PATH), runArgs);
            clock.start();
            QVERIFY2(measure.waitForStarted(5000), "the measure tool did not start");
            int next = 0;
            qint64 plugAt = -1;
            QStringList sent;
            while (measure.state() != QProcess::NotRunning &&
                   clock.elapsed() < RUN_TIMEOUT_S * 1000 + RUN_SLACK_MS) {
                if (next < faults.size() && clock.elapsed() >= faults[next].atMs) {
                    const TFault& f = faults[next++];
                    if (f.line != "unplug" || plugAt < 0) {
                        emu.control(f.line);
                        sent << f.line;
                        if (f.line == "unplug")
                            plugAt = clock.elapsed() + f.plugAfterMs;
                    }
                }
                if (plugAt >= 0 && clock.elapsed() >= plugAt) {
                    emu.control("plug");
                    sent << "plug";
                    plugAt = -1;
                }
                measure.waitForFinished(10);
            }
            const qint64 elapsed = clock.elapsed();
            const bool finished = measure.state() == QProcess::NotRunning;
            if (!finished) {
                measure.kill();
                measure.waitForFinished(5000);
            }
            // the next run starts on a healthy line
            if (plugAt >= 0)
                emu.control("plug");
            emu.control("corrupt 0");
            emu.control("drop 0");
            emu.control("split 1");

            faultsSent += sent.size();
            if (sent.isEmpty() && finished && measure.exitCode() == 0) {
                cleanMs += elapsed;
                ++cleanRuns;
            }
            const QString context = QString("run %1 [%2]").arg(runs).arg(sent.join(", "));
            const int code =
                finished && measure.exitStatus() == QProcess::NormalExit ? measure.exitCode() : -1;
            exitCounts[code] += 1;
            const QStringList errors =
                QString::fromLocal8Bit(measure.readAllStandardError()).split('\n').filter("error:");
            if (code != 0)
                qInfo().noquote() << QString("%1: exit %2 after %3 ms: %4")
                                         .arg(context)
                                         .arg(code)
                                         .arg(elapsed)
                                         .arg(errors.join(" | "));
            if (code < 0) {
                failures << QString("%1: no exit within %2 ms (%3)")
                                .arg(context)
                                .arg(elapsed)
                                .arg(finished ? "crashed" : "killed");
            } else if (code == 0) {
                ZData::TScanPoints points;
                QString why;
                if (!ZData::TouchstoneFile::read(out, points, &why) || points.size() != 101) {
                    failures << QString("%1: exit 0 without a 101-point file: %2").arg(context, why);
                } else {
                    for (const auto& p : points) {
                        if (std::abs(p.re - 1.0 / 3.0) > TOLERANCE || std::abs(p.im) > TOLERANCE) {
                            failures << QString("%1: exit 0 with wrong data at %2 Hz: %3 %4")
                                            .arg(context)
                                            .arg(p.frequency)
                                            .arg(p.re)
                                            .arg(p.im);
                            break;
                        }
                    }
                }
                if (!errors.isEmpty())
                    failures << QString("%1: exit 0 with %2").arg(context, errors.join(" | "));
            } else if (code == 1 || code > 6 || errors.size() != 1) {
                failures << QString("%1: exit %2 with %3 error lines: %4")
                                .arg(context)
                                .arg(code)
                                .arg(errors.size())
                                .arg(errors.join(" | "));
            }
            if (elapsed > RUN_TIMEOUT_S * 1000 + RUN_SLACK_MS)
                failures << QString("%1: ran %2 ms").arg(context).arg(elapsed);
            // a failed run leaves no file behind, a good one exactly its output
            const QStringList left = QDir(outDir.path()).entryList(QDir::Files | QDir::Hidden);
            if (left != (code == 0 ? QStringList{"dut.s1p"} : QStringList{}))
                failures << QString("%1: output directory holds %2").arg(context, left.join(", "));
            QFile::remove(out);
        }

        QDirIterator it(dataDir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (!isKeptFile(it.fileName()))
                failures << QString("temporary file left: %1").arg(it.filePath());
        }
        QStringList summary;
        for (auto i = exitCounts.cbegin(); i != exitCounts.cend(); ++i)
            summary << QString("exit %1: %2").arg(i.key()).arg(i.value());
        qInfo().noquote() << QString("soak: %1 runs, seed %2, %3 control lines; %4")
                                 .arg(runs)
                                 .arg(soakSeed())
                                 .arg(faultsSent)
                                 .arg(summary.join(", "));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        // a soak in which few runs succeed proves little about the data; a third of the faults pull the
        // cable, so about two runs in three succeed
        QVERIFY2(exitCounts.value(0) * 4 >= runs, qPrintable(summary.join(", ")));
    }
};

int main(int argc, char* argv[])
{
    // The test function lasts as long as the soak asked for; Qt Test's own per-function limit
    // (5 minutes unless set) would abort a longer soak before its summary. A minute on top covers
    // the last run and the clean-up.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(soakSeconds()) + 60) * 1000));
    QCoreApplication app(argc, argv);
    tst_LinkFaultSoak test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_LinkFaultSoak.moc"
