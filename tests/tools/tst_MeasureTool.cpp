#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "EmulatorProcess.h"
#include "PtyPeer.h"
#include "calibration/CalibrationData.h"
#include "devicelink/PortLock.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

using ZData::TScanPoints;

namespace {

// 100 ohms seen from 50 ohms reflects 1/3 at every frequency: within float rounding on the
// calibration's own grid, within 1e-4 where the calibration is interpolated.
constexpr double ON_GRID = 1e-5;
constexpr double INTERPOLATED = 1e-4;

struct TRun
{
    int exitCode = -1; // -1: did not finish
    QString stdErr;
    QStringList errors; // the lines with "error:"
};

// Runs the command while serving this process's event loop (a scripted peer needs it).
TRun runMeasure(const QStringList& args, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir); // where the calibration files are
    process.start(QStringLiteral(TOLVEK_MEASURE_PATH), args);
    QDeadlineTimer deadline(60000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(20);
    }
    TRun run;
    if (process.state() != QProcess::NotRunning || process.error() == QProcess::FailedToStart) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.exitCode = process.exitCode();
    run.stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    for (const QString& line : run.stdErr.split('\n'))
        if (line.contains(QLatin1String("error:")))
            run.errors << line;
    return run;
}

// Writes a calibration file as the program does, with ideal standards, for the given analyser.
bool writeCalibration(const QString& path, const QString& deviceId, int chop = 0)
{
    ZData::CAL::CalibrationData data;
    data.setRange(1000000, 901000000, 101, 0);
    for (int i = 0; i < 101; ++i) {
        data.setValue(ZData::CAL::CalibrationData::OPEN, i, {1.0f, 0.0f});
        data.setValue(ZData::CAL::CalibrationData::SHORT, i, {-1.0f, 0.0f});
        data.setValue(ZData::CAL::CalibrationData::LOAD, i, {0.0f, 0.0f});
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    data.serialize(stream, deviceId);
    bytes.chop(chop);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Leaves the port's lock file with the given text and age, as a run killed while locking does.
bool leaveLock(const QString& port, const QByteArray& text, int ageSeconds)
{
    const QString path = ZData::DM::PortLock::path(port);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    return file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                            QFileDevice::FileModificationTime);
}

// Empty when every point reads 1/3, else the first frequency that does not.
QString checkOneThird(const TScanPoints& points, double tolerance)
{
    for (const auto& p : points)
        if (std::abs(p.re - 1.0 / 3.0) > tolerance || std::abs(p.im) > tolerance)
            return QString::number(p.frequency);
    return QString();
}

} // namespace

class tst_MeasureTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_cal; // calibration files: own.cbin, foreign.cbin, broken.cbin

private slots:
    void initTestCase()
    {
        QVERIFY(writeCalibration(m_cal.filePath("own.cbin"), "2083-1719-77"));
        QVERIFY(writeCalibration(m_cal.filePath("foreign.cbin"), "1-2-3"));
        QVERIFY(writeCalibration(m_cal.filePath("broken.cbin"), "2083-1719-77", 100));
    }

    void writesEveryFormat_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("tolerance"); // negative: the data must be off by more
        // an emulator control line before the run, or "lock:" and the text of a lock file left behind
        QTest::addColumn<QString>("before");
        QTest::newRow("touchstone, no sweep options: factory grid")
            << "out.s1p" << QStringList() << ON_GRID << QString();
        const QStringList own{"--start", "200000000", "--stop", "900000000", "--points", "201"};
        QTest::newRow("binary trace") << "out.tbin" << own << INTERPOLATED << QString();
        QTest::newRow("text trace, two narrow sweeps")
            << "out.dat" << (own + QStringList{"--sweeps", "2", "--bandwidth", "2"}) << INTERPOLATED
            << QString();
        QTest::newRow("2048 points") << "out.s1p" << QStringList{"--start",    "150000000", "--stop",
                                                                 "6000000000", "--points",  "2048"}
                                     << INTERPOLATED << QString();
        // an ideal front end needs the ideal standards of the file; without it raw data stays raw
        const QStringList narrow{"--start", "1000000", "--stop", "900000000", "--points", "51"};
        QTest::newRow("own calibration file")
            << "out.s1p" << (narrow + QStringList{"--calibration", "own.cbin", "ideal"}) << ON_GRID
            << QString();
        QTest::newRow("no calibration, raw data")
            << "out.s1p" << (narrow + QStringList{"--calibration", "none"}) << -INTERPOLATED << QString();
        QTest::newRow("a request lost on the line") << "out.s1p" << own << INTERPOLATED << "lose 1";
        QTest::newRow("a reply later than the program waits")
            << "out.s1p" << own << INTERPOLATED << "late 2500";
        QTest::newRow("an empty lock left by a killed run") << "out.s1p" << own << INTERPOLATED << "lock:";
        QTest::newRow("a lock of a process that is gone")
            << "out.s1p" << own << INTERPOLATED << "lock:2147483646\nvna\n\n";
    }

    void writesEveryFormat()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, args);
        QFETCH(double, tolerance);
        QFETCH(QString, before);
        auto option = [&](const char* name, const char* otherwise) {
            return args.value(args.contains(name) ? args.indexOf(name) + 1 : -1, otherwise).toDouble();
        };
        const double first = option("--start", "1e6"), last = option("--stop", "6.2e9");
        const int points = int(option("--points", "801"));
        TestSupport::EmulatorProcess emulator;
        const bool ideal = args.removeAll("ideal");
        QVERIFY(emulator.start({"--dut", "r=100", "--error-box", ideal ? "ideal" : "typical"}));
        if (before.startsWith("lock:"))
            QVERIFY(leaveLock(emulator.portPath(), before.mid(5).toUtf8(), 10));
        else if (!before.isEmpty())
            QCOMPARE(emulator.control(before), "ok " + before);
        QTemporaryDir dir;
        const QString out = dir.filePath(fileName);
        const TRun run = runMeasure(
            QStringList{"--port", emulator.portPath(), "--data-dir", dir.path(), "--out", out} + args,
            m_cal.path());
        QVERIFY2(run.exitCode == 0 && run.errors.isEmpty(), qPrintable(run.stdErr));
        QFile file(out);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        TScanPoints read;
        if (fileName.endsWith(".s1p")) {
            QVERIFY(ZData::TouchstoneFile::parse(bytes, read, nullptr));
            QVERIFY(bytes.contains("\n# Hz S RI R 50\n"));
        } else {
            ZData::DS::TTraceData trace;
            QVERIFY(fileName.endsWith(".tbin") ? ZData::DS::TraceFiles::fromBinary(bytes, trace)
                                               : ZData::DS::TraceFiles::fromText(bytes, trace));
            QCOMPARE(trace.start, first);
            QCOMPARE(trace.stop, last);
            read = trace.points;
        }
        QCOMPARE(read.size(), points);
        QCOMPARE(read.first().frequency, quint64(first));
        QCOMPARE(read.last().frequency, quint64(last));
        const QString wrong = checkOneThird(read, std::abs(tolerance));
        QVERIFY2(wrong.isEmpty() == (tolerance > 0), qPrintable(wrong)); // negative: must be wrong
    }

    // An analyser that files one slice under another index: the command must not report success
    // with misplaced values (the reply is CRC-correct, only its contents are wrong).
    void sliceWithWrongIndexIsMeasuredAgain()
    {
        TestSupport::PtyPeer peer;
        QVERIFY(peer.start());
        int wrongReplies = 1;
        int scanRequests = 0;
        peer.setResponder([&](TestSupport::PtyPeer& p, const TestSupport::PtyPeer::TRequest& r) {
            QByteArray data;
            QDataStream s(&data, QIODevice::WriteOnly);
            s.setByteOrder(QDataStream::LittleEndian);
            s.setFloatingPointPrecision(QDataStream::SinglePrecision);
            quint16 options = 0;
            switch (r.header.command) {
            case 0xD008: // identifier
                s << quint32(1) << quint32(2) << quint32(3);
                break;
            case 0xD002: // firmware version
                s << quint32(2) << quint32(1) << quint32(0);
                break;
            case 0xD003: // options
                data = "SR=1000000,6000000000;BW=10,3;PR=0";
                break;
            case 0xFCA0: // factory calibration range: none, the scan runs raw
                s << qint64(0) << qint64(0) << qint64(0);
                break;
            case 0xDA00: {
                ++scanRequests;
                const int n = quint8(r.data.at(1));
                options = r.header.options;
                if (options == 126 && wrongReplies > 0) {
                    --wrongReplies;
                    options = 0;
                }
                s << float(n) << 0.0f;
                QDataStream in(r.data.mid(2));
                in.setByteOrder(QDataStream::LittleEndian);
                for (int i = 0; i < n; ++i) {
                    qint64 f = 0;
                    in >> f;
                    s << float(f / 1e9) << float(-f / 1e9); // each value tells its frequency
                }
                break;
            }
            default:
                break;
            }
            p.reply(r.header.command, data, options);
        });
        QTemporaryDir dir;
        const QString out = dir.filePath("out.s1p");
        const TRun run = runMeasure({"--port", peer.linkPath(), "--data-dir", dir.path(), "--out", out,
                                     "--start", "1000000", "--stop", "201000000", "--points", "201",
                                     "--calibration", "none", "--quiet"},
                                    m_cal.path());
        QVERIFY2(run.exitCode == 0 && run.errors.isEmpty(), qPrintable(run.stdErr));
        QCOMPARE(wrongReplies, 0);
        QVERIFY(scanRequests >= 3); // two slices and the one asked for again
        TScanPoints read;
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(ZData::TouchstoneFile::parse(file.readAll(), read, nullptr));
        QCOMPARE(read.size(), 201);
        for (const auto& p : read)
            QVERIFY2(std::abs(p.re - p.frequency / 1e9) < 1e-6, qPrintable(QString::number(p.frequency)));
    }

    void failsWithItsExitCode_data()
    {
        // "emulator", "silent" (a peer that never answers) or "absent" stand for the port
        QTest::addColumn<QString>("port");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no port") << "" << QStringList{"--points", "10"} << 1 << "--port";
        QTest::newRow("too many points") << "P" << QStringList{"--points", "2049"} << 1 << "--points";
        QTest::newRow("unknown format") << "P" << QStringList{"--out", "/tmp/x.txt"} << 1 << "--out";
        QTest::newRow("unknown option") << "P" << QStringList{"--fast"} << 1 << "fast";
        QTest::newRow("sweep beyond the analyser")
            << "emulator" << QStringList{"--stop", "7000000000"} << 1 << "range";
        QTest::newRow("port cannot be opened") << "absent" << QStringList() << 2 << "cannot open port";
        QTest::newRow("port locked by a running program")
            << "locked" << QStringList() << 2 << "cannot open port";
        // the link gives up after its resends, long before the timeout
        QTest::newRow("no answer, link gives up")
            << "silent" << QStringList{"--timeout", "30"} << 3 << "does not answer";
        QTest::newRow("another analyser's calibration")
            << "emulator" << QStringList{"--calibration", "foreign.cbin"} << 4 << "another analyser";
        QTest::newRow("truncated calibration")
            << "emulator" << QStringList{"--calibration", "broken.cbin"} << 4 << "malformed";
        QTest::newRow("timeout passes")
            << "emulator" << QStringList{"--sweeps", "1000000", "--timeout", "3"} << 5 << "timeout";
    }

    void failsWithItsExitCode()
    {
        QFETCH(QString, port);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        TestSupport::EmulatorProcess emulator;
        TestSupport::PtyPeer silent; // records requests and never answers
        const QString kind = port;
        if (port == "emulator" || port == "locked") {
            QVERIFY(emulator.start());
            port = emulator.portPath();
        }
        if (kind == "locked") {
            // this very test holds it, by the toolkit's own lock format
            const QByteArray lock = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                    QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() +
                                    '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
            QVERIFY(leaveLock(port, lock, 10));
        } else if (port == "silent") {
            QVERIFY(silent.start());
            port = silent.linkPath();
        } else if (port == "absent") {
            port = dir.filePath("no-such-port");
        }
        const QString out = dir.filePath("out.s1p");
        if (port.size() > 1)
            args = QStringList{"--data-dir", dir.path(), "--out", out} + args;
        if (!port.isEmpty())
            args = QStringList{"--port", port} + args;
        const TRun run = runMeasure(args, m_cal.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.errors.size() == 1 && run.errors.first().contains(message), qPrintable(run.stdErr));
        QVERIFY(!QFile::exists(out));
        if (silent.linkPath() == port)
            QVERIFY(!silent.requests().isEmpty());
        if (kind == "locked") {
            QVERIFY(QFile::exists(ZData::DM::PortLock::path(port))); // a live holder's lock stays
            QVERIFY(QFile::remove(ZData::DM::PortLock::path(port)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_MeasureTool)
#include "tst_MeasureTool.moc"
