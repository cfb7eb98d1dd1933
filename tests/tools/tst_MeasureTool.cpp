#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "EmulatorProcess.h"
#include "PtyPeer.h"
#include "calibration/CalibrationData.h"
#include "measurement/TouchstoneFile.h"
#include "measurement/TraceFiles.h"

using ZData::TScanPoints;

namespace {

// A matched 100 ohm resistor seen from 50 ohm reflects (100 - 50) / (100 + 50) = 1/3 at every
// frequency. Corrected data of the emulator's resistor must read that within a tolerance: 1e-5 on
// the calibration's own grid (float rounding only), 1e-4 on another grid, where the calibration is
// interpolated between its points. Sweeps stay clear of the calibration interval around 100 MHz,
// where the correction deliberately takes the nearer band's values instead of interpolating.
constexpr double ONE_THIRD = 1.0 / 3.0;
constexpr double ON_GRID = 1e-5;
constexpr double INTERPOLATED = 1e-4;
const QString EMULATOR_ID = QStringLiteral("2083-1719-77");

struct TRun
{
    int exitCode = -1;
    QString stdErr;
    bool finished = false;
};

// Runs the command while this process keeps serving its own event loop (a scripted peer needs it).
TRun runMeasure(const QStringList& args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(TOLVEK_MEASURE_PATH), args);
    TRun run;
    if (!process.waitForStarted(10000))
        return run;
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(20);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.finished = true;
    run.exitCode = process.exitCode();
    run.stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QStringList errorLines(const QString& stdErr)
{
    QStringList lines;
    for (const QString& line : stdErr.split('\n'))
        if (line.contains(QLatin1String("error:")))
            lines << line;
    return lines;
}

// A calibration file as the program writes it, made for the given analyser with ideal standards.
QByteArray calibrationFile(const QString& deviceId)
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
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString checkOneThird(const TScanPoints& points, double tolerance)
{
    for (const auto& p : points)
        if (std::abs(p.re - ONE_THIRD) > tolerance || std::abs(p.im) > tolerance)
            return QStringLiteral("%1 Hz reads (%2, %3)")
                .arg(p.frequency)
                .arg(double(p.re))
                .arg(double(p.im));
    return QString();
}

} // namespace

class tst_MeasureTool : public QObject
{
    Q_OBJECT

private slots:
    void writesEveryFormat_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("sweep");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::addColumn<double>("tolerance");
        // Without sweep options the sweep is the factory calibration's grid: 801 points, 1 MHz to 6.2 GHz.
        const QStringList grid;
        QTest::newRow("touchstone") << "out.s1p" << grid << 801 << 1e6 << 6.2e9 << ON_GRID;
        QTest::newRow("binary trace") << "out.tbin" << grid << 801 << 1e6 << 6.2e9 << ON_GRID;
        QTest::newRow("text trace") << "out.dat" << grid << 801 << 1e6 << 6.2e9 << ON_GRID;
        const QStringList own{"--start", "200000000", "--stop", "900000000", "--points", "201"};
        QTest::newRow("own sweep, touchstone") << "out.s1p" << own << 201 << 2e8 << 9e8 << INTERPOLATED;
        QTest::newRow("own sweep, binary trace") << "out.tbin" << own << 201 << 2e8 << 9e8 << INTERPOLATED;
        QTest::newRow("own sweep, text trace") << "out.dat" << own << 201 << 2e8 << 9e8 << INTERPOLATED;
        QTest::newRow("two sweeps, narrow bandwidth")
            << "out.s1p" << (own + QStringList{"--sweeps", "2", "--bandwidth", "2"}) << 201 << 2e8 << 9e8
            << INTERPOLATED;
        QTest::newRow("2048 points") << "out.s1p" << QStringList{"--start",    "150000000", "--stop",
                                                                 "6000000000", "--points",  "2048"}
                                     << 2048 << 1.5e8 << 6e9 << INTERPOLATED;
    }

    void writesEveryFormat()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, sweep);
        QFETCH(int, points);
        QFETCH(double, first);
        QFETCH(double, last);
        QFETCH(double, tolerance);
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start({"--dut", "r=100"}));
        QTemporaryDir dir;
        const QString out = dir.filePath(fileName);
        const TRun run = runMeasure(
            QStringList{"--port", emulator.portPath(), "--data-dir", dir.filePath("app"), "--out", out} +
            sweep);
        QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.stdErr));
        QVERIFY2(errorLines(run.stdErr).isEmpty(), qPrintable(run.stdErr));

        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        TScanPoints read;
        if (fileName.endsWith(".s1p")) {
            QString error;
            QVERIFY2(ZData::TouchstoneFile::parse(bytes, read, &error), qPrintable(error));
            QVERIFY(bytes.contains("\n# Hz S RI R 50\n"));
        } else {
            ZData::DS::TTraceData trace;
            const bool ok = fileName.endsWith(".tbin") ? ZData::DS::TraceFiles::fromBinary(bytes, trace)
                                                       : ZData::DS::TraceFiles::fromText(bytes, trace);
            QVERIFY(ok);
            QCOMPARE(trace.start, first);
            QCOMPARE(trace.stop, last);
            read = trace.points;
        }
        QCOMPARE(read.size(), points);
        QCOMPARE(read.first().frequency, quint64(first));
        QCOMPARE(read.last().frequency, quint64(last));
        const QString wrong = checkOneThird(read, tolerance);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void calibrationChoices_data()
    {
        QTest::addColumn<QString>("calibration"); // "none", "own" or "foreign"/"broken" files
        QTest::addColumn<QString>("errorBox");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("oneThird");
        // Raw data of a realistic front end is far from the true value: proof that nothing corrected it.
        QTest::newRow("none, raw data") << "none"
                                        << "typical" << 0 << "" << false;
        QTest::newRow("own file") << "own"
                                  << "ideal" << 0 << "" << true;
        QTest::newRow("another analyser's file") << "foreign"
                                                 << "ideal" << 4 << "another analyser" << false;
        QTest::newRow("truncated file") << "broken"
                                        << "ideal" << 4 << "malformed" << false;
    }

    void calibrationChoices()
    {
        QFETCH(QString, calibration);
        QFETCH(QString, errorBox);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(bool, oneThird);
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start({"--dut", "r=100", "--error-box", errorBox}));
        QTemporaryDir dir;
        QString option = calibration;
        if (calibration != "none") {
            option = dir.filePath("calibration.cbin");
            QByteArray bytes = calibrationFile(calibration == "foreign" ? "1-2-3" : EMULATOR_ID);
            if (calibration == "broken")
                bytes.chop(100);
            QVERIFY(writeFile(option, bytes));
        }
        const QString out = dir.filePath("out.s1p");
        const TRun run =
            runMeasure({"--port", emulator.portPath(), "--data-dir", dir.filePath("app"), "--points", "51",
                        "--start", "1000000", "--stop", "900000000", "--calibration", option, "--out", out});
        QVERIFY(run.finished);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.stdErr));
        if (exitCode != 0) {
            const QStringList errors = errorLines(run.stdErr);
            QVERIFY2(errors.size() == 1 && errors.first().contains(message), qPrintable(run.stdErr));
            QVERIFY(!QFile::exists(out));
            return;
        }
        TScanPoints points;
        QVERIFY(ZData::TouchstoneFile::read(out, points));
        QCOMPARE(points.size(), 51);
        const QString wrong = checkOneThird(points, oneThird ? ON_GRID : INTERPOLATED);
        QVERIFY2(wrong.isEmpty() == oneThird, qPrintable(wrong));
    }

    void refusesInvalidOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no port") << QStringList{"--points", "10"} << "--port";
        QTest::newRow("one point") << QStringList{"--port", "P", "--points", "1"} << "--points";
        QTest::newRow("too many points") << QStringList{"--port", "P", "--points", "2049"} << "--points";
        QTest::newRow("points not a number") << QStringList{"--port", "P", "--points", "ten"} << "--points";
        QTest::newRow("bandwidth 4") << QStringList{"--port", "P", "--bandwidth", "4"} << "--bandwidth";
        QTest::newRow("start above stop")
            << QStringList{"--port", "P", "--start", "2e6", "--stop", "1e6"} << "--start";
        QTest::newRow("fractional hertz") << QStringList{"--port", "P", "--start", "1000.5"} << "--start";
        QTest::newRow("unknown calibration")
            << QStringList{"--port", "P", "--calibration", "best"} << "--calibration";
        QTest::newRow("missing calibration file")
            << QStringList{"--port", "P", "--calibration", "/nonexistent/x.cbin"} << "cannot be read";
        QTest::newRow("no sweeps") << QStringList{"--port", "P", "--sweeps", "0"} << "--sweeps";
        QTest::newRow("zero timeout") << QStringList{"--port", "P", "--timeout", "0"} << "--timeout";
        QTest::newRow("unknown format") << QStringList{"--port", "P", "--out", "/tmp/x.txt"} << "--out";
        QTest::newRow("missing directory")
            << QStringList{"--port", "P", "--out", "/nonexistent/x.s1p"} << "directory";
        QTest::newRow("unknown option") << QStringList{"--port", "P", "--fast"} << "fast";
    }

    void refusesInvalidOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const TRun run = runMeasure(args, 20000);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        const QStringList errors = errorLines(run.stdErr);
        QVERIFY2(errors.size() == 1 && errors.first().contains(message), qPrintable(run.stdErr));
    }

    void refusesSweepOutsideTheAnalyser()
    {
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start({"--options", "SR=1000000,3000000000;BW=30,10,3,1;PR=4"}));
        QTemporaryDir dir;
        const TRun run =
            runMeasure({"--port", emulator.portPath(), "--data-dir", dir.path(), "--stop", "4000000000"});
        QVERIFY(run.finished);
        QVERIFY2(run.exitCode == 1 && run.stdErr.contains("range"), qPrintable(run.stdErr));
    }

    void portCannotBeOpened()
    {
        QTemporaryDir dir;
        const TRun run = runMeasure({"--port", dir.filePath("no-such-port"), "--data-dir", dir.path()});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        const QStringList errors = errorLines(run.stdErr);
        QVERIFY2(errors.size() == 1 && errors.first().contains("cannot open port"), qPrintable(run.stdErr));
    }

    void analyserDoesNotAnswer_data()
    {
        QTest::addColumn<QString>("timeout");
        // The link gives up after its resends and closes the port; a short timeout ends it earlier.
        QTest::newRow("link gives up") << "30";
        QTest::newRow("timeout first") << "1";
    }

    void analyserDoesNotAnswer()
    {
        QFETCH(QString, timeout);
        TestSupport::PtyPeer silent; // records requests and never answers
        QVERIFY(silent.start());
        QTemporaryDir dir;
        const TRun run =
            runMeasure({"--port", silent.linkPath(), "--data-dir", dir.path(), "--timeout", timeout});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 3);
        const QStringList errors = errorLines(run.stdErr);
        QVERIFY2(errors.size() == 1 && errors.first().contains("does not answer"), qPrintable(run.stdErr));
        QVERIFY(!silent.requests().isEmpty());
    }

    void timeoutPasses()
    {
        TestSupport::EmulatorProcess emulator;
        QVERIFY(emulator.start());
        QTemporaryDir dir;
        const QString out = dir.filePath("out.s1p");
        const TRun run = runMeasure({"--port", emulator.portPath(), "--data-dir", dir.path(), "--sweeps",
                                     "1000000", "--timeout", "3", "--out", out});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 5);
        const QStringList errors = errorLines(run.stdErr);
        QVERIFY2(errors.size() == 1 && errors.first().contains("timeout"), qPrintable(run.stdErr));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(tst_MeasureTool)
#include "tst_MeasureTool.moc"
